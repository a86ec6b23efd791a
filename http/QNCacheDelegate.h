#pragma once

#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSURL.h"

#include <optional>
#include <string>

namespace qv {

class QNHTTPRequest;

// A store of responses a request consults before it goes to the network
// and fills after; every method is required.
class QNCacheDelegate : public virtual Object {
public:
    virtual int defaultCachePolicy() = 0;
    virtual RefPtr<NSDate> expiryDateForRequest(QNHTTPRequest& request, double maxAge) = 0;
    virtual void updateExpiryForRequest(QNHTTPRequest& request, double maxAge) = 0;
    virtual bool canUseCachedDataForRequest(QNHTTPRequest& request) = 0;
    virtual void removeCachedDataForRequest(QNHTTPRequest& request) = 0;
    virtual bool isCachedDataCurrentForRequest(QNHTTPRequest& request) = 0;
    virtual void storeResponseForRequest(QNHTTPRequest& request, double maxAge) = 0;
    virtual void removeCachedDataForURL(const NSURL& url) = 0;
    virtual RefPtr<NSDictionary> cachedResponseHeadersForURL(const NSURL& url) = 0;
    virtual std::optional<std::string> cachedResponseDataForURL(const NSURL& url) = 0;
    virtual std::string pathToCachedResponseDataForURL(const NSURL& url) = 0;
    virtual std::string pathToCachedResponseHeadersForURL(const NSURL& url) = 0;
    virtual std::string pathToStoreCachedResponseHeadersForRequest(QNHTTPRequest& request) = 0;
    virtual std::string pathToStoreCachedResponseDataForRequest(QNHTTPRequest& request) = 0;
    virtual void clearCachedResponsesForStoragePolicy(int storagePolicy) = 0;
};

} // namespace qv
