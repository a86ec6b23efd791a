// Redirects: followed on the same request, at most five times, after
// asking the delegate or queue when they want to be asked. Credentials and
// cookies meant for one server never go to another.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSRunLoop.h"

#include <strings.h>

namespace qv {

namespace {

bool sameServer(const NSURL& a, const NSURL& b)
{
    return a.scheme() == b.scheme() && strcasecmp(a.host().c_str(), b.host().c_str()) == 0 && a.effectivePort() == b.effectivePort();
}

void removeHeader(const RefPtr<NSDictionary>& headers, const char* name)
{
    if (!headers)
        return;
    for (const auto& key : headers->allKeys())
        if (strcasecmp(key.c_str(), name) == 0)
            headers->removeObjectForKey(key);
}

} // namespace

void QNHTTPRequest::reportRedirected()
{
    if (error() || m_mainRequest.lock())
        return;
    if (auto delegate = this->delegate().lock())
        delegate->requestRedirected(*this);
    if (auto block = blockOf(&Blocks::redirected))
        block();
}

bool QNHTTPRequest::willRedirect()
{
    auto location = responseHeader("Location");
    if (!m_shouldRedirect || !location)
        return false;
    const int status = m_responseStatusCode;
    // 308 keeps its method and body as 307 does.
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return false;
    Ref<QNHTTPRequest> protect(*this);
    performOnMainThread([protect] { protect->reportRedirected(); });

    const bool keepsMethod = status == 307 || status == 308 || ((status == 301 || status == 302) && m_shouldUseRFC2616RedirectBehaviour);
    if (!keepsMethod) {
        setRequestMethod("GET");
        m_postBody.clear();
        m_compressedPostBody.clear();
        m_haveCompressedPostBody = false;
        m_postLength = 0;
        removeTemporaryUploadFiles();
        m_postBodyFilePath.clear();
        m_compressedPostBodyFilePath.clear();
        m_shouldStreamPostDataFromDisk = false;
        auto kept = NSDictionary::create();
        for (const char* name : { "User-Agent", "Accept" })
            if (m_requestHeaders)
                if (auto value = m_requestHeaders->objectForKey(name))
                    kept->setObject(Ref<NSObject>(*value), name);
        m_requestHeaders = kept;
        m_haveBuiltRequestHeaders = false;
    }
    m_redirectURL = NSURL::URLWithString(*location, m_url.get());
    m_needsRedirect = true;
    m_requestCookies.clear();
    return true;
}

bool QNHTTPRequest::willAskDelegateToConfirmRedirect()
{
    // A synchronous request is never stranded waiting for an answer: it
    // follows its redirects without asking.
    if (m_isSynchronous)
        return false;
    m_cancelledLock->lock();
    auto delegate = m_delegate.lock();
    const bool askDelegate = delegate && m_willRedirectSelector && delegate->respondsToWillRedirect();
    auto queue = m_queue;
    const bool askQueue = !askDelegate && queue && queue->respondsToWillRedirect();
    if (!askDelegate && !askQueue) {
        m_cancelledLock->unlock();
        return false;
    }
    RefPtr<NSURL> proposed = std::move(m_redirectURL);
    m_redirectURL = nullptr;
    m_cancelledLock->unlock();
    Ref<QNHTTPRequest> protect(*this);
    performOnMainThread([protect, proposed, askDelegate] {
        if (protect->error() || protect->m_mainRequest.lock() || !proposed)
            return;
        if (askDelegate) {
            if (auto delegate = protect->delegate().lock())
                ((*delegate).*(protect->m_willRedirectSelector))(*protect, *proposed);
        } else if (auto queue = protect->queue()) {
            queue->requestWillRedirectToURL(*protect, *proposed);
        }
    });
    return true;
}

void QNHTTPRequest::redirectToURL(RefPtr<NSURL> url)
{
    Ref<QNHTTPRequest> protect(*this);
    m_cancelledLock->lock();
    m_redirectURL = std::move(url);
    // Handed to the thread and mode the request runs in.
    RefPtr<NSRunLoop> runLoop = m_requestRunLoop ? m_requestRunLoop : RefPtr<NSRunLoop>(threadForRequest(this).runLoop());
    const std::string mode = m_runLoopMode;
    m_cancelledLock->unlock();
    runLoop->performInModes({ mode }, [protect] { protect->performRedirect(); });
}

void QNHTTPRequest::performRedirect()
{
    m_cancelledLock->lock();
    if (m_cancelled || m_error) {
        m_cancelledLock->unlock();
        return;
    }
    RefPtr<NSURL> previous = m_url;
    RefPtr<NSURL> target = m_redirectURL;
    if (previous && target && !sameServer(*previous, *target)) {
        // What the first server asked for stays with it.
        m_username.clear();
        m_password.clear();
        m_domain.clear();
        m_requestCredentials = nullptr;
        removeHeader(m_requestHeaders, "Authorization");
    }
    // Cookies are those of the new URL, never the old one's.
    removeHeader(m_requestHeaders, "Cookie");
    setURL(target);
    m_complete = true;
    m_needsRedirect = false;
    ++m_redirectCount;
    if (m_redirectCount <= 5) {
        if (m_haveBuiltRequestHeaders)
            applyCookieHeader();
        m_cancelledLock->unlock();
        main();
        return;
    }
    m_cancelledLock->unlock();
    failWithError(sharedError(QNTooMuchRedirectionErrorType));
    m_complete = true;
}

} // namespace qv
