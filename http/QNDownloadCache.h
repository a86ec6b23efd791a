#pragma once

#include "http/QNCacheDelegate.h"

#include "platform/Foundation/NSLock.h"
#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

// How a request uses its download cache: bits, tested in the order the
// cache gives them.
enum QNCachePolicy : int {
    CachePolicyDefault = 0,
    CachePolicyNoRead = 1,
    CachePolicyNoWrite = 2,
    CachePolicyRevalidateWhenStale = 4,
    CachePolicyRevalidateAlways = 8,
    CachePolicyPreferCache = 16,
    CachePolicyCacheOnly = 32,
    CachePolicyCacheOnFailure = 64,
};

// Where a request's response is stored.
enum QNCacheStoragePolicy : int {
    QNCacheStorageSession = 0,
    QNCacheStoragePermanent = 1,
};

// Responses of GET requests kept on disk, one headers file and one body
// file per URL, in a session store (emptied with the session) and a
// permanent store under one root folder. Every operation holds the cache's
// lock, so one cache serves requests on any thread. Entries are written
// whole (a reader sees the old entry or the new one), only ever inside the
// root folder, and an entry that does not read back whole counts as
// nothing stored.
class QNDownloadCache : public NSObject, public QNCacheDelegate {
    QV_MAKE_REF_FRIEND;
public:
    // The texts of the stored headers file.
    static const std::string ExpiresHeader;            // "X-QNHTTPRequest-Expires"
    static const std::string ResponseStatusCodeHeader; // "X-QNHTTPRequest-Response-Status-Code"
    static const std::string SessionStoreName;         // "SessionStore"
    static const std::string PermanentStoreName;       // "PermanentStore"
    // The folder of the shared cache: "QNHTTPRequestCache" in the user's
    // caches folder.
    static const std::string SharedCachePath;

    static Ref<QNDownloadCache> create();
    // The process's cache, made on first use on each device.
    static Ref<QNDownloadCache> sharedCache();

    // The root folder; none stores and finds nothing. Setting one empties
    // the session store of the old root and of the new one, and makes the
    // folders, raising "FileExistsAtCachePath" or
    // "FailedToCreateCacheDirectory" (QNNamedException) when it cannot.
    std::optional<std::string> storagePath() const;
    void setStoragePath(std::optional<std::string> path);
    int defaultCachePolicy() override;
    // 0 stands for revalidating when stale (4).
    void setDefaultCachePolicy(int policy);
    bool shouldRespectCacheControlHeaders() const;
    void setShouldRespectCacheControlHeaders(bool value);

    RefPtr<NSDate> expiryDateForRequest(QNHTTPRequest& request, double maxAge) override;
    void updateExpiryForRequest(QNHTTPRequest& request, double maxAge) override;
    bool canUseCachedDataForRequest(QNHTTPRequest& request) override;
    void removeCachedDataForRequest(QNHTTPRequest& request) override;
    bool isCachedDataCurrentForRequest(QNHTTPRequest& request) override;
    void storeResponseForRequest(QNHTTPRequest& request, double maxAge) override;
    void removeCachedDataForURL(const NSURL& url) override;
    RefPtr<NSDictionary> cachedResponseHeadersForURL(const NSURL& url) override;
    std::optional<std::string> cachedResponseDataForURL(const NSURL& url) override;
    std::string pathToCachedResponseDataForURL(const NSURL& url) override;
    std::string pathToCachedResponseHeadersForURL(const NSURL& url) override;
    std::string pathToStoreCachedResponseHeadersForRequest(QNHTTPRequest& request) override;
    std::string pathToStoreCachedResponseDataForRequest(QNHTTPRequest& request) override;
    // Raises "FailedToTraverseCacheDirectory" or "FailedToRemoveCacheFile"
    // (QNNamedException) when the store cannot be listed or emptied.
    void clearCachedResponsesForStoragePolicy(int storagePolicy) override;

    // 32 upper-case hexadecimal digits of the MD5 of the URL's text less
    // one trailing "/"; none for an empty URL.
    static std::optional<std::string> keyForURL(const NSURL& url);
    // NO when the response says it must not be stored ("no-store" or
    // "no-cache" among its "Cache-Control" directives, or "Pragma:
    // no-cache").
    static bool serverAllowsResponseCachingForRequest(const QNHTTPRequest& request);
    static const std::vector<std::string>& fileExtensionsToHandleAsHTML();
    // The path of a stored file by its name, in the session store or else
    // the permanent store; "" when neither holds it.
    std::string pathToFile(const std::string& fileName);

    std::string className() const override { return "QNDownloadCache"; }

private:
    QNDownloadCache();

    // One stored response: both files in one store, read back whole.
    struct Entry {
        std::string headersPath;
        std::string bodyPath;
        Ref<NSDictionary> headers;
    };
    std::optional<Entry> entryForURL(const NSURL& url);
    std::optional<std::string> storeFolder(int storagePolicy) const;
    std::string storePathForRequest(QNHTTPRequest& request, bool headers);
    static std::string bodyFileName(const std::string& key, const NSURL& url);
    void writeEntry(QNHTTPRequest& request, double maxAge);
    void removeEntryFromStore(const std::string& store, const NSURL& url);
    void clearStore(const std::string& store);
    void makeFolder(const std::string& path);

    const Ref<NSRecursiveLock> m_accessLock;
    std::optional<std::string> m_storagePath;
    int m_defaultCachePolicy = CachePolicyRevalidateWhenStale;
    bool m_shouldRespectCacheControlHeaders = true;
};

} // namespace qv
