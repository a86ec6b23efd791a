// The download cache: responses of GET requests stored per URL, found again
// by the URL's digest, and the rules that decide when a stored copy may
// answer a request.
#include "QNDownloadCache.h"

#include "http/QNHTTPRequest.h"
#include "http/QNHeaderFields.h"
#include "http/QNNamedException.h"

#include "platform/CommonCrypto/CommonDigest.h"
#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/FileAccess.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/StringFormat.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <mutex>

namespace qv {

const std::string QNDownloadCache::ExpiresHeader = "X-QNHTTPRequest-Expires";
const std::string QNDownloadCache::ResponseStatusCodeHeader = "X-QNHTTPRequest-Response-Status-Code";
const std::string QNDownloadCache::SessionStoreName = "SessionStore";
const std::string QNDownloadCache::PermanentStoreName = "PermanentStore";
const std::string QNDownloadCache::SharedCachePath = "/var/mobile/Library/Caches/QNHTTPRequestCache";

namespace {

namespace fs = std::filesystem;

const std::string HeadersExtension = "cachedheaders";

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The host folder of a store, only when it is a real folder: a store that
// is a link could lead anywhere, so the cache neither reads, writes nor
// clears through one.
std::optional<fs::path> realFolder(const std::string& devicePath)
{
    auto host = DeviceRoot::resolveEntry(devicePath);
    std::error_code error;
    if (!host || !fs::is_directory(fs::symlink_status(*host, error)))
        return std::nullopt;
    return host;
}

bool isRegularFile(const fs::path& host)
{
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(host, error));
}

// A name beside the target for writing it whole before it takes the
// target's place.
fs::path temporaryNameBeside(const fs::path& target)
{
    static std::atomic<unsigned> counter { 0 };
    return target.parent_path() / stringWithFormat(".%s.%d.%u.partial", target.filename().c_str(), static_cast<int>(getpid()), ++counter);
}

// Copies a file into place whole. The place is replaced, never written
// through: a link there is replaced by the file, not followed.
bool copyIntoPlace(const fs::path& from, const fs::path& to)
{
    const fs::path temporary = temporaryNameBeside(to);
    std::error_code error;
    if (!fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error)) {
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, to, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

std::optional<unsigned long long> declaredLength(const NSDictionary& headers)
{
    auto length = headerFieldValue(headers, "Content-Length");
    if (!length || length->empty() || !std::all_of(length->begin(), length->end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::strtoull(length->c_str(), nullptr, 10);
}

} // namespace

Ref<QNDownloadCache> QNDownloadCache::create()
{
    return makeRef<QNDownloadCache>();
}

QNDownloadCache::QNDownloadCache()
    : m_accessLock(NSRecursiveLock::create())
{
}

Ref<QNDownloadCache> QNDownloadCache::sharedCache()
{
    // One per device: a program that moves to another device root finds a
    // cache of that device.
    static auto* shared = new RootBound<Ref<QNDownloadCache>>([] {
        auto cache = create();
        // The user's caches folder is always there on a device.
        NSFileManager::defaultManager()->createDirectoryAtPath(stringByDeletingLastPathComponent(SharedCachePath), true);
        cache->setStoragePath(SharedCachePath);
        return cache;
    });
    return shared->get();
}

const std::vector<std::string>& QNDownloadCache::fileExtensionsToHandleAsHTML()
{
    static const std::vector<std::string> extensions { "asp", "aspx", "jsp", "php", "rb", "py", "pl", "cgi" };
    return extensions;
}

// --- Settings

std::optional<std::string> QNDownloadCache::storagePath() const
{
    std::lock_guard lock(*m_accessLock);
    return m_storagePath;
}

void QNDownloadCache::setStoragePath(std::optional<std::string> path)
{
    std::lock_guard lock(*m_accessLock);
    clearCachedResponsesForStoragePolicy(QNCacheStorageSession);
    m_storagePath = std::move(path);
    if (!m_storagePath)
        return;
    for (const std::string& folder : { *m_storagePath, stringByAppendingPathComponent(*m_storagePath, SessionStoreName),
             stringByAppendingPathComponent(*m_storagePath, PermanentStoreName) })
        makeFolder(folder);
    clearCachedResponsesForStoragePolicy(QNCacheStorageSession);
}

void QNDownloadCache::makeFolder(const std::string& path)
{
    auto fileManager = NSFileManager::defaultManager();
    bool isDirectory = false;
    if (fileManager->fileExistsAtPath(path, isDirectory)) {
        if (!isDirectory)
            throw QNNamedException("FileExistsAtCachePath", stringWithFormat("Cannot create a directory for the cache at '%s', because a file already exists", path.c_str()));
        return;
    }
    fileManager->createDirectoryAtPath(path, false);
    if (!fileManager->fileExistsAtPath(path))
        throw QNNamedException("FailedToCreateCacheDirectory", stringWithFormat("Failed to create a directory for the cache at '%s'", path.c_str()));
}

int QNDownloadCache::defaultCachePolicy()
{
    std::lock_guard lock(*m_accessLock);
    return m_defaultCachePolicy;
}

void QNDownloadCache::setDefaultCachePolicy(int policy)
{
    std::lock_guard lock(*m_accessLock);
    m_defaultCachePolicy = policy == CachePolicyDefault ? CachePolicyRevalidateWhenStale : policy;
}

bool QNDownloadCache::shouldRespectCacheControlHeaders() const
{
    std::lock_guard lock(*m_accessLock);
    return m_shouldRespectCacheControlHeaders;
}

void QNDownloadCache::setShouldRespectCacheControlHeaders(bool value)
{
    std::lock_guard lock(*m_accessLock);
    m_shouldRespectCacheControlHeaders = value;
}

// --- Names and places

std::optional<std::string> QNDownloadCache::keyForURL(const NSURL& url)
{
    std::string text = url.absoluteString();
    if (text.empty())
        return std::nullopt;
    if (text.back() == '/')
        text.pop_back();
    unsigned char digest[CC_MD5_DIGEST_LENGTH];
    CC_MD5(text.data(), text.size(), digest);
    std::string key;
    for (unsigned char byte : digest)
        key += stringWithFormat("%02X", static_cast<unsigned>(byte));
    return key;
}

std::string QNDownloadCache::bodyFileName(const std::string& key, const NSURL& url)
{
    // The extension is the last name's alone, so it never holds a "/".
    std::string extension = pathExtension(url.path());
    const auto& html = fileExtensionsToHandleAsHTML();
    if (extension.empty() || std::find(html.begin(), html.end(), lowercased(extension)) != html.end())
        extension = "html";
    return key + "." + extension;
}

std::optional<std::string> QNDownloadCache::storeFolder(int storagePolicy) const
{
    if (!m_storagePath)
        return std::nullopt;
    return stringByAppendingPathComponent(*m_storagePath, storagePolicy == QNCacheStorageSession ? SessionStoreName : PermanentStoreName);
}

std::string QNDownloadCache::pathToFile(const std::string& fileName)
{
    std::lock_guard lock(*m_accessLock);
    for (int policy : { QNCacheStorageSession, QNCacheStoragePermanent }) {
        auto store = storeFolder(policy);
        if (!store)
            return {};
        if (auto folder = realFolder(*store); folder && isRegularFile(*folder / fileName))
            return stringByAppendingPathComponent(*store, fileName);
    }
    return {};
}

std::optional<QNDownloadCache::Entry> QNDownloadCache::entryForURL(const NSURL& url)
{
    std::lock_guard lock(*m_accessLock);
    auto key = keyForURL(url);
    if (!key)
        return std::nullopt;
    const std::string headersName = *key + "." + HeadersExtension;
    const std::string bodyName = bodyFileName(*key, url);
    for (int policy : { QNCacheStorageSession, QNCacheStoragePermanent }) {
        auto store = storeFolder(policy);
        if (!store)
            return std::nullopt;
        auto folder = realFolder(*store);
        if (!folder || !isRegularFile(*folder / headersName))
            continue;
        // Both files come from the store that holds the headers, and only
        // an entry that reads back whole counts.
        auto bytes = readHostFile(*folder / headersName, NSPropertyListSerialization::maximumSize);
        auto headers = bytes ? NSDictionary::dictionaryWithData(*bytes) : nullptr;
        if (!headers)
            continue;
        auto status = headers->numberForKey(ResponseStatusCodeHeader);
        if (!status || status->longLongValue() < 100 || status->longLongValue() > 599)
            continue;
        const fs::path body = *folder / bodyName;
        if (!isRegularFile(body))
            continue;
        std::error_code error;
        const auto length = declaredLength(*headers);
        if (length && *length != fs::file_size(body, error))
            continue;
        return Entry { stringByAppendingPathComponent(*store, headersName), stringByAppendingPathComponent(*store, bodyName), headers.toRef() };
    }
    return std::nullopt;
}

std::string QNDownloadCache::pathToCachedResponseDataForURL(const NSURL& url)
{
    auto entry = entryForURL(url);
    return entry ? entry->bodyPath : std::string();
}

std::string QNDownloadCache::pathToCachedResponseHeadersForURL(const NSURL& url)
{
    auto entry = entryForURL(url);
    return entry ? entry->headersPath : std::string();
}

RefPtr<NSDictionary> QNDownloadCache::cachedResponseHeadersForURL(const NSURL& url)
{
    auto entry = entryForURL(url);
    return entry ? RefPtr<NSDictionary>(entry->headers) : nullptr;
}

std::optional<std::string> QNDownloadCache::cachedResponseDataForURL(const NSURL& url)
{
    std::lock_guard lock(*m_accessLock);
    auto entry = entryForURL(url);
    if (!entry)
        return std::nullopt;
    auto host = DeviceRoot::resolveEntry(entry->bodyPath);
    return host ? readHostFile(*host) : std::nullopt;
}

std::string QNDownloadCache::storePathForRequest(QNHTTPRequest& request, bool headers)
{
    std::lock_guard lock(*m_accessLock);
    auto url = request.url();
    auto store = storeFolder(request.cacheStoragePolicy());
    auto key = url ? keyForURL(*url) : std::nullopt;
    if (!store || !key)
        return {};
    return stringByAppendingPathComponent(*store, headers ? *key + "." + HeadersExtension : bodyFileName(*key, *url));
}

std::string QNDownloadCache::pathToStoreCachedResponseHeadersForRequest(QNHTTPRequest& request)
{
    return storePathForRequest(request, true);
}

std::string QNDownloadCache::pathToStoreCachedResponseDataForRequest(QNHTTPRequest& request)
{
    return storePathForRequest(request, false);
}

// --- Deciding

RefPtr<NSDate> QNDownloadCache::expiryDateForRequest(QNHTTPRequest& request, double maxAge)
{
    return QNHTTPRequest::expiryDateForRequest(request, maxAge);
}

bool QNDownloadCache::canUseCachedDataForRequest(QNHTTPRequest& request)
{
    std::lock_guard lock(*m_accessLock);
    const int policy = request.cachePolicy();
    if (policy & CachePolicyNoRead)
        return false;
    if (policy & CachePolicyCacheOnly)
        return true;
    auto url = request.url();
    if (!url || !entryForURL(*url))
        return false;
    if (policy & CachePolicyPreferCache)
        return true;
    if (request.complete() && (policy & CachePolicyCacheOnFailure))
        return true;
    if (policy & CachePolicyRevalidateWhenStale)
        return isCachedDataCurrentForRequest(request);
    if (policy & CachePolicyRevalidateAlways)
        return request.responseHeaders() && isCachedDataCurrentForRequest(request);
    return false;
}

bool QNDownloadCache::isCachedDataCurrentForRequest(QNHTTPRequest& request)
{
    std::lock_guard lock(*m_accessLock);
    auto url = request.url();
    auto entry = url ? entryForURL(*url) : std::nullopt;
    if (!entry)
        return false;
    if (request.responseStatusCode() == 304)
        return true;
    // A full new answer (or the last one of a finished request) is the
    // stored copy only when its validators say so.
    if (request.responseHeaders() && (request.complete() || request.responseStatusCode() == 200)) {
        for (const char* name : { "Etag", "Last-Modified" }) {
            auto received = request.responseHeader(name);
            if (!received || received != headerFieldValue(*entry->headers, name))
                return false;
        }
    }
    if (!m_shouldRespectCacheControlHeaders)
        return true;
    auto expires = entry->headers->numberForKey(ExpiresHeader);
    return expires && expires->doubleValue() >= NSDate::date()->timeIntervalSince1970();
}

bool QNDownloadCache::serverAllowsResponseCachingForRequest(const QNHTTPRequest& request)
{
    // Any directive forbidding it counts, alone or among others.
    const auto forbids = [](const std::optional<std::string>& value) {
        if (!value)
            return false;
        for (const std::string& directive : headerDirectives(*value))
            if (directive == "no-store" || directive == "no-cache")
                return true;
        return false;
    };
    return !forbids(request.responseHeader("Cache-Control")) && !forbids(request.responseHeader("Pragma"));
}

// --- Storing

void QNDownloadCache::storeResponseForRequest(QNHTTPRequest& request, double maxAge)
{
    std::lock_guard lock(*m_accessLock);
    if (request.error() || !request.responseHeaders() || (request.cachePolicy() & CachePolicyNoWrite))
        return;
    const int status = request.responseStatusCode();
    if (status != 200 && status != 301 && status != 302 && status != 303 && status != 307)
        return;
    if (m_shouldRespectCacheControlHeaders && !serverAllowsResponseCachingForRequest(request))
        return;
    writeEntry(request, maxAge);
}

void QNDownloadCache::writeEntry(QNHTTPRequest& request, double maxAge)
{
    auto url = request.url();
    auto key = url ? keyForURL(*url) : std::nullopt;
    auto store = storeFolder(request.cacheStoragePolicy());
    auto folder = store ? realFolder(*store) : std::nullopt;
    if (!key || !folder)
        return;

    // The body as it is kept: inflated, from memory or from the file the
    // request received into.
    std::optional<std::string> data;
    std::optional<fs::path> downloaded;
    if (!request.downloadDestinationPath().empty() && request.rawResponseData().empty()) {
        downloaded = DeviceRoot::resolve(request.downloadDestinationPath());
        if (!downloaded || !fs::is_regular_file(*downloaded))
            return;
    } else {
        data = request.responseData();
        if (!data)
            return;
    }
    std::error_code error;
    const unsigned long long bodyLength = data ? data->size() : fs::file_size(*downloaded, error);

    Ref<NSDictionary> headers = request.responseHeaders()->mutableCopy();
    if (request.isResponseCompressed()) {
        removeHeaderField(*headers, "Content-Encoding");
        // The length is that of the body as stored.
        if (auto name = headerFieldName(*headers, "Content-Length"))
            headers->setObject(std::to_string(bodyLength), *name);
    } else if (auto length = declaredLength(*headers); length && *length != bodyLength) {
        // A body that is not the one announced (it went to the delegate, or
        // came short) would read back as a broken copy.
        return;
    }
    if (auto expires = expiryDateForRequest(request, maxAge))
        headers->setObject(NSNumber::numberWithDouble(expires->timeIntervalSince1970()), ExpiresHeader);
    headers->setObject(NSNumber::numberWithInt(request.responseStatusCode()), ResponseStatusCodeHeader);
    auto serialized = NSPropertyListSerialization::XMLDataWithPropertyList(*headers);
    if (!serialized)
        return;

    const fs::path bodyPath = *folder / bodyFileName(*key, *url);
    const fs::path headersPath = *folder / (*key + "." + HeadersExtension);
    // Written whole into place, body first, so that a copy is found only
    // once both halves are there; a failure stores nothing of it.
    bool written = false;
    if (data)
        written = writeHostFile(bodyPath, *data, true);
    else
        written = fs::equivalent(*downloaded, bodyPath, error) || copyIntoPlace(*downloaded, bodyPath);
    if (!written || !writeHostFile(headersPath, *serialized, true)) {
        fs::remove(headersPath, error);
        return;
    }
    // An older copy in the other store would be found first or go stale
    // beside this one.
    if (auto other = storeFolder(request.cacheStoragePolicy() == QNCacheStorageSession ? QNCacheStoragePermanent : QNCacheStorageSession))
        removeEntryFromStore(*other, *url);
}

void QNDownloadCache::updateExpiryForRequest(QNHTTPRequest& request, double maxAge)
{
    std::lock_guard lock(*m_accessLock);
    const std::string path = pathToStoreCachedResponseHeadersForRequest(request);
    auto host = path.empty() ? std::nullopt : DeviceRoot::resolveEntry(path);
    if (!host || !isRegularFile(*host))
        return;
    auto bytes = readHostFile(*host, NSPropertyListSerialization::maximumSize);
    auto headers = bytes ? NSDictionary::dictionaryWithData(*bytes) : nullptr;
    auto expires = expiryDateForRequest(request, maxAge);
    if (!headers || !expires)
        return;
    headers->setObject(NSNumber::numberWithDouble(expires->timeIntervalSince1970()), ExpiresHeader);
    if (auto serialized = NSPropertyListSerialization::XMLDataWithPropertyList(*headers))
        writeHostFile(*host, *serialized, true);
}

// --- Removing

void QNDownloadCache::removeEntryFromStore(const std::string& store, const NSURL& url)
{
    auto key = keyForURL(url);
    auto folder = realFolder(store);
    if (!key || !folder)
        return;
    std::error_code error;
    fs::remove(*folder / (*key + "." + HeadersExtension), error);
    fs::remove(*folder / bodyFileName(*key, url), error);
}

void QNDownloadCache::removeCachedDataForURL(const NSURL& url)
{
    std::lock_guard lock(*m_accessLock);
    for (int policy : { QNCacheStorageSession, QNCacheStoragePermanent })
        if (auto store = storeFolder(policy))
            removeEntryFromStore(*store, url);
}

void QNDownloadCache::removeCachedDataForRequest(QNHTTPRequest& request)
{
    if (auto url = request.url())
        removeCachedDataForURL(*url);
}

void QNDownloadCache::clearCachedResponsesForStoragePolicy(int storagePolicy)
{
    std::lock_guard lock(*m_accessLock);
    if (auto store = storeFolder(storagePolicy))
        clearStore(*store);
}

void QNDownloadCache::clearStore(const std::string& store)
{
    // A store that is no real folder is not ours to empty.
    if (!realFolder(store))
        return;
    auto fileManager = NSFileManager::defaultManager();
    auto names = fileManager->contentsOfDirectoryAtPath(store);
    if (!names)
        throw QNNamedException("FailedToTraverseCacheDirectory", stringWithFormat("Listing cache directory failed at path '%s'", store.c_str()));
    for (const auto& name : names->objects()) {
        if (!fileManager->removeItemAtPath(stringByAppendingPathComponent(store, name->description())))
            throw QNNamedException("FailedToRemoveCacheFile", stringWithFormat("Failed to remove cached data at path '%s'", store.c_str()));
    }
}

} // namespace qv
