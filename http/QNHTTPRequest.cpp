#include "QNHTTPRequest.h"

#include "http/QNDataDecompressor.h"
#include "http/QNHTTPRequestClassState.h"
#include "http/QNPACFileReader.h"

#include "platform/Foundation/Base64.h"
#include "platform/Foundation/HTTPDate.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"


#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace qv {

const std::string NetworkRequestErrorDomain = "QNHTTPRequestErrorDomain";
const std::string& QNHTTPRequestRunLoopMode = *new std::string("QNHTTPRequestRunLoopMode");

QNHTTPRequestClassState& QNHTTPRequestClassState::shared()
{
    // Made on first use by any request class; lives as long as the process.
    static QNHTTPRequestClassState& state = *new QNHTTPRequestClassState;
    return state;
}

QNHTTPRequestClassState::QNHTTPRequestClassState()
    : sharedQueue(NSOperationQueue::create())
    , maximumResponseSizeInMemory(QNHTTPRequest::maximumResponseSizeInMemory)
    , reachabilityObserver(NSObject::create())
{
    const std::pair<int, const char*> errors[] = {
        { QNRequestTimedOutErrorType, "The request timed out" },
        { QNAuthenticationErrorType, "Authentication needed" },
        { QNRequestCancelledErrorType, "The request was cancelled" },
        { QNUnableToCreateRequestErrorType, "Unable to create request (bad url?)" },
        { QNTooMuchRedirectionErrorType, "The request failed because it redirected too many times" },
    };
    for (const auto& [code, description] : errors)
        sharedErrors.emplace(code, NSError::create(NetworkRequestErrorDomain, code, description));
    sharedQueue->setMaxConcurrentOperationCount(4);
}

Ref<NSError> QNHTTPRequest::sharedError(QNNetworkErrorType code)
{
    return QNHTTPRequestClassState::shared().sharedErrors.at(code);
}

Ref<QNHTTPRequest> QNHTTPRequest::requestWithURL(RefPtr<NSURL> url)
{
    return makeRef<QNHTTPRequest>(std::move(url));
}

Ref<QNHTTPRequest> QNHTTPRequest::requestWithURL(RefPtr<NSURL> url, QNCacheDelegate* usingCache, int andCachePolicy)
{
    auto request = requestWithURL(std::move(url));
    request->setDownloadCache(usingCache);
    request->setCachePolicy(andCachePolicy);
    return request;
}

QNHTTPRequest::QNHTTPRequest(RefPtr<NSURL> url)
    : m_cancelledLock(NSRecursiveLock::create())
{
    auto& state = QNHTTPRequestClassState::shared();
    m_runLoopMode = NSDefaultRunLoopMode;
    m_timeOutSeconds = state.defaultTimeOutSeconds.load();
    setURL(std::move(url));
    m_downloadCache = defaultCache();
}

QNHTTPRequest::~QNHTTPRequest()
{
    m_authenticationNeeded = 0;
    cancelLoad();
    // A request that goes before its end was told (one never started)
    // still takes its body file with it.
    removeTemporaryUploadFiles();
    if (m_statusTimer)
        m_statusTimer->invalidate();
    releaseBlocksOnMainThread();
}

RefPtr<NSURL> QNHTTPRequest::url() const
{
    m_cancelledLock->lock();
    RefPtr<NSURL> url = m_url;
    m_cancelledLock->unlock();
    return url;
}

void QNHTTPRequest::setURL(RefPtr<NSURL> newURL)
{
    m_cancelledLock->lock();
    const bool equal = (!newURL && !m_url) || (newURL && m_url && newURL->isEqual(m_url.get()));
    if (!equal) {
        m_url = std::move(newURL);
        m_request = nullptr;
        m_redirectURL = nullptr;
    }
    m_cancelledLock->unlock();
}

std::string QNHTTPRequest::requestMethod() const
{
    m_cancelledLock->lock();
    std::string method = m_requestMethod;
    m_cancelledLock->unlock();
    return method;
}

void QNHTTPRequest::setRequestMethod(const std::string& method)
{
    m_cancelledLock->lock();
    if (method != m_requestMethod) {
        m_requestMethod = method;
        // A request with a body is not sent on a kept-alive connection: the
        // server may have closed it, and a body cannot be sent twice safely.
        if (method == "POST" || method == "PUT" || !m_postBody.empty() || !m_postBodyFilePath.empty())
            m_shouldAttemptPersistentConnection = false;
    }
    m_cancelledLock->unlock();
}

WeakPtr<QNHTTPRequestDelegate> QNHTTPRequest::delegate() const
{
    m_cancelledLock->lock();
    auto delegate = m_delegate;
    m_cancelledLock->unlock();
    return delegate;
}

void QNHTTPRequest::setDelegate(QNHTTPRequestDelegate* delegate)
{
    m_cancelledLock->lock();
    m_delegate = delegate;
    m_cancelledLock->unlock();
}

RefPtr<QNRequestQueueDelegate> QNHTTPRequest::queue() const
{
    m_cancelledLock->lock();
    auto queue = m_queue;
    m_cancelledLock->unlock();
    return queue;
}

void QNHTTPRequest::setQueue(QNRequestQueueDelegate* queue)
{
    m_cancelledLock->lock();
    RefPtr<QNRequestQueueDelegate> old = std::move(m_queue);
    m_queue = queue;
    m_cancelledLock->unlock();
}

bool QNHTTPRequest::isCancelled() const
{
    m_cancelledLock->lock();
    const bool cancelled = m_cancelled;
    m_cancelledLock->unlock();
    return cancelled;
}

RefPtr<NSError> QNHTTPRequest::error() const
{
    m_cancelledLock->lock();
    RefPtr<NSError> error = m_error;
    m_cancelledLock->unlock();
    return error;
}

void QNHTTPRequest::addRequestHeader(const std::string& header, const std::string& value)
{
    if (!m_requestHeaders)
        m_requestHeaders = NSDictionary::create();
    m_requestHeaders->setObject(value, header);
    // Names taken out of the dictionary meanwhile are forgotten once they
    // would make the record much larger than it.
    auto& additions = m_requestHeaderAdditions;
    if (additions.addedAt.size() > 2 * m_requestHeaders->count() + 8)
        std::erase_if(additions.addedAt, [&](const auto& added) { return !m_requestHeaders->objectForKey(added.first); });
    additions.addedAt[header] = ++additions.count;
}

std::vector<std::string> QNHTTPRequest::requestHeaderNamesInOrderAdded() const
{
    if (!m_requestHeaders)
        return {};
    const auto addedAt = [this](const std::string& name) {
        const auto found = m_requestHeaderAdditions.addedAt.find(name);
        return found == m_requestHeaderAdditions.addedAt.end() ? uint64_t { 0 } : found->second;
    };
    std::vector<std::string> names = m_requestHeaders->allKeys();
    std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) { return addedAt(a) < addedAt(b); });
    return names;
}

std::string QNHTTPRequest::headerValueForMessage(const std::string&, const std::string& value) const
{
    return value;
}

std::optional<std::string> QNHTTPRequest::responseHeader(const std::string& name) const
{
    if (!m_responseHeaders)
        return std::nullopt;
    // The usual spelling first: the fields of one answer differ by more
    // than case, so an exact match is the only match.
    if (auto value = m_responseHeaders->objectForKey(name))
        return value->description();
    if (auto key = m_responseHeaders->keyEqualIgnoringCase(name))
        if (auto value = m_responseHeaders->objectForKey(*key))
            return value->description();
    return std::nullopt;
}

bool QNHTTPRequest::isResponseCompressed() const
{
    // The field's name in any case; "gzip" anywhere in its value ("x-gzip").
    auto encoding = responseHeader("Content-Encoding");
    return encoding && encoding->find("gzip") != std::string::npos;
}

bool QNHTTPRequest::responseHasNoBody() const
{
    const int status = m_responseStatusCode;
    return (status >= 100 && status < 200) || status == 204 || status == 304 || requestMethod() == "HEAD";
}

std::optional<std::string> QNHTTPRequest::responseData() const
{
    if (isResponseCompressed() && m_shouldWaitToInflateCompressedResponses)
        return m_inflatedResponseData;
    return m_rawResponseData;
}

std::optional<std::string> QNHTTPRequest::responseString() const
{
    auto data = responseData();
    if (!data)
        return std::nullopt;
    return stringFromBytes(*data, m_responseEncoding);
}

std::optional<int> QNHTTPRequest::connectionID() const
{
    std::lock_guard lock(QNHTTPRequestClassState::shared().connectionsLock);
    if (!m_connectionInfo)
        return std::nullopt;
    return m_connectionInfo->identifier;
}

std::string QNHTTPRequest::base64forData(const std::string& bytes)
{
    return base64EncodedString(bytes);
}

RefPtr<NSDate> QNHTTPRequest::dateFromRFC1123String(const std::string& text)
{
    auto date = qv::dateFromRFC1123String(text);
    if (!date)
        return nullptr;
    return NSDate::dateWithTimeIntervalSinceReferenceDate(*date);
}

RefPtr<NSDate> QNHTTPRequest::expiryDateForRequest(const QNHTTPRequest& request, double maxAge)
{
    if (maxAge == 0) {
        if (auto cacheControl = request.responseHeader("Cache-Control")) {
            std::string lowered = *cacheControl;
            std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const auto found = lowered.find("max-age");
            if (found != std::string::npos) {
                size_t at = found + 7;
                while (at < lowered.size() && (lowered[at] == ' ' || lowered[at] == '='))
                    ++at;
                maxAge = std::strtod(lowered.c_str() + at, nullptr);
            }
        }
    }
    if (maxAge == 0) {
        auto expires = request.responseHeader("Expires");
        return expires ? dateFromRFC1123String(*expires) : nullptr;
    }
    return NSDate::dateWithTimeIntervalSinceReferenceDate(VirtualClock::now() + maxAge);
}

void QNHTTPRequest::parseMimeType(std::string* mimeType, NSStringEncoding* encoding, const std::optional<std::string>& contentType)
{
    if (!contentType)
        return;
    auto trim = [](std::string text) {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos)
            return std::string();
        return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    };
    const std::string& value = *contentType;
    const auto semicolon = value.find(';');
    if (semicolon == std::string::npos || semicolon == 0) {
        if (mimeType)
            *mimeType = trim(value);
        return;
    }
    if (mimeType)
        *mimeType = trim(value.substr(0, semicolon));
    const auto charset = value.find("charset=", semicolon);
    if (charset == std::string::npos)
        return;
    std::string name = value.substr(charset + 8);
    name = name.substr(0, name.find(';'));
    name = trim(name);
    // A quoted name (charset="utf-8") names the charset between the quotes.
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    if (name.empty())
        return;
    const NSStringEncoding found = encodingForIANACharSetName(name);
    if (found != kCFStringEncodingInvalidId && encoding)
        *encoding = found;
}

} // namespace qv
