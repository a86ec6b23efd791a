// The request's side of the download cache: answering from a stored copy
// in place of the network, before sending or once the server has said the
// copy is still good.
#include "QNHTTPRequest.h"

#include "http/QNDownloadCache.h"
#include "http/QNHeaderFields.h"

#include <cstdlib>

namespace qv {

bool QNHTTPRequest::answerFromCache()
{
    auto cache = m_downloadCache.lock();
    if (!cache || !cache->canUseCachedDataForRequest(*this))
        return false;
    cache->updateExpiryForRequest(*this, m_secondsToCache);
    dropResponseForCache();
    useDataFromCache();
    return true;
}

void QNHTTPRequest::dropResponseForCache()
{
    // The rest of the answer is not wanted: its connection is not reused,
    // since what is left of it would have to be read first.
    if (m_readStream) {
        m_connectionCanBeReused = false;
        forgetConnectionEntry();
        destroyReadStream();
    }
    m_postBodyReadStream = nullptr;
    setStatusTimer(nullptr);
}

void QNHTTPRequest::useDataFromCache()
{
    Ref<QNHTTPRequest> protect(*this);
    auto cache = m_downloadCache.lock();
    auto mainRequest = m_mainRequest.lock();
    QNHTTPRequest& receiver = mainRequest ? *mainRequest : *this;
    RefPtr<NSDictionary> headers = cache && m_url ? cache->cachedResponseHeadersForURL(*m_url) : nullptr;
    const std::string dataPath = cache && m_url ? cache->pathToCachedResponseDataForURL(*m_url) : std::string();

    if (headers && !dataPath.empty()) {
        auto status = headers->numberForKey(QNDownloadCache::ResponseStatusCodeHeader);
        m_responseStatusCode = status ? status->intValue() : 0;
        receiver.m_responseStatusCode = m_responseStatusCode;
        m_didUseCachedResponse = true;
        receiver.m_responseHeaders = headers;
        if (!receiver.m_downloadDestinationPath.empty()) {
            receiver.m_downloadDestinationPath = dataPath;
        } else {
            auto data = cache->cachedResponseDataForURL(*m_url);
            receiver.m_rawResponseData = data ? std::move(*data) : std::string();
        }
        const auto length = headerFieldValue(*headers, "Content-Length");
        const unsigned long long size = length ? std::strtoull(length->c_str(), nullptr, 10) : 0;
        receiver.m_contentLength = size;
        receiver.m_totalBytesRead = size;
        receiver.m_responseEncoding = receiver.m_defaultResponseEncoding;
        parseMimeType(nullptr, &receiver.m_responseEncoding, headerFieldValue(*headers, "Content-Type"));
        std::vector<std::pair<std::string, std::string>> fields;
        for (const auto& [name, value] : headers->entries())
            fields.emplace_back(name, value->description());
        receiver.m_responseCookies = NSHTTPCookie::cookiesWithResponseHeaderFields(fields, *m_url);
        // A stored redirect is followed as a live one would be.
        if (willRedirect()) {
            if (!willAskDelegateToConfirmRedirect())
                performRedirect();
            return;
        }
    }

    m_complete = true;
    receiver.m_complete = true;
    receiver.m_downloadComplete = true;
    if (receiver.m_redirectCount == 0)
        receiver.m_originalURL = receiver.m_url;
    receiver.updateProgressIndicators();
    receiver.requestFinished();
    receiver.markAsFinished();
    if (mainRequest)
        markAsFinished();
}

} // namespace qv
