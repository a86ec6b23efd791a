#include "QNNetworkQueue.h"

#include "http/QNNamedException.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"

namespace qv {

Ref<QNNetworkQueue> QNNetworkQueue::queue()
{
    return makeRef<QNNetworkQueue>();
}

QNNetworkQueue::QNNetworkQueue()
{
    setMaxConcurrentOperationCount(4);
    setSuspended(true);
}

QNNetworkQueue::~QNNetworkQueue()
{
    // No request reports to a queue that is gone.
    for (const auto& operation : operations())
        if (auto request = dynamicRefCast<QNHTTPRequest>(RefPtr<NSOperation>(operation)))
            request->setQueue(nullptr);
}

void QNNetworkQueue::addOperation(NSOperation& operation)
{
    auto* request = dynamic_cast<QNHTTPRequest*>(&operation);
    if (!request)
        throw QNNamedException("AttemptToAddInvalidRequest", "Attempted to add an object that was not an QNHTTPRequest to an QNNetworkQueue");
    ++m_requestsCount;
    if (m_showAccurateProgress) {
        request->buildPostBody();
        if (request->requestMethod() == "GET" && isSuspended()) {
            auto head = request->HEADRequest();
            addHEADOperation(head);
            request->addDependency(head);
            if (request->shouldResetDownloadProgressValue()) {
                resetProgressDelegate(m_downloadProgressDelegate);
                request->setShouldResetDownloadProgress(false);
            }
        }
        request->buildPostBody();
        m_totalBytesToUpload += request->postLength();
    } else {
        m_totalBytesToDownload += 1;
        m_totalBytesToUpload += 1;
    }
    if (request->shouldResetUploadProgressValue()) {
        resetProgressDelegate(m_uploadProgressDelegate);
        request->setShouldResetUploadProgress(false);
    }
    request->setShowAccurateProgress(m_showAccurateProgress);
    request->setQueue(this);
    NSOperationQueue::addOperation(*request);
}

void QNNetworkQueue::addHEADOperation(QNHTTPRequest& request)
{
    request.setRequestMethod("HEAD");
    request.setQueuePriority(static_cast<NSOperationQueuePriority>(10));
    request.setShowAccurateProgress(true);
    request.setQueue(this);
    NSOperationQueue::addOperation(request);
}

void QNNetworkQueue::cancelAllOperations()
{
    m_bytesUploadedSoFar = 0;
    m_totalBytesToUpload = 0;
    m_bytesDownloadedSoFar = 0;
    m_totalBytesToDownload = 0;
    NSOperationQueue::cancelAllOperations();
}

void QNNetworkQueue::reset()
{
    cancelAllOperations();
    m_delegate = nullptr;
    m_downloadProgressDelegate = nullptr;
    m_uploadProgressDelegate = nullptr;
    m_requestDidStartSelector = nullptr;
    m_requestDidReceiveResponseHeadersSelector = nullptr;
    m_requestDidFailSelector = nullptr;
    m_requestDidFinishSelector = nullptr;
    m_queueDidFinishSelector = nullptr;
    setSuspended(true);
}

Ref<QNNetworkQueue> QNNetworkQueue::copy() const
{
    auto copy = queue();
    copy->m_delegate = m_delegate;
    copy->m_requestDidStartSelector = m_requestDidStartSelector;
    copy->m_requestDidReceiveResponseHeadersSelector = m_requestDidReceiveResponseHeadersSelector;
    copy->m_requestWillRedirectSelector = m_requestWillRedirectSelector;
    copy->m_requestDidFinishSelector = m_requestDidFinishSelector;
    copy->m_requestDidFailSelector = m_requestDidFailSelector;
    copy->m_queueDidFinishSelector = m_queueDidFinishSelector;
    copy->setUploadProgressDelegate(m_uploadProgressDelegate.lock().get());
    copy->setDownloadProgressDelegate(m_downloadProgressDelegate.lock().get());
    copy->m_shouldCancelAllRequestsOnFailure = m_shouldCancelAllRequestsOnFailure;
    copy->m_showAccurateProgress = m_showAccurateProgress;
    copy->m_userInfo = m_userInfo ? RefPtr<NSDictionary>(m_userInfo->mutableCopy()) : nullptr;
    return copy;
}

void QNNetworkQueue::setUploadProgressDelegate(QNProgressDelegate* delegate)
{
    m_uploadProgressDelegate = delegate;
    resetProgressDelegate(m_uploadProgressDelegate);
}

void QNNetworkQueue::setDownloadProgressDelegate(QNProgressDelegate* delegate)
{
    m_downloadProgressDelegate = delegate;
    resetProgressDelegate(m_downloadProgressDelegate);
}

void QNNetworkQueue::showProgress(const WeakPtr<QNProgressDelegate>& delegate, unsigned long long done, unsigned long long total)
{
    // A total of 0 shows 0; nothing past 1.
    const float fraction = total == 0 ? 0.0f : static_cast<float>(static_cast<double>(std::min(done, total)) / static_cast<double>(total));
    auto show = [delegate, fraction] {
        if (auto receiver = delegate.lock(); receiver && receiver->respondsToSetProgress())
            receiver->setProgress(fraction);
    };
    if (NSThread::isMainThread())
        show();
    else
        NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, show);
}

void QNNetworkQueue::resetProgressDelegate(const WeakPtr<QNProgressDelegate>& delegate)
{
    showProgress(delegate, 0, 1);
}

void QNNetworkQueue::requestStarted(QNHTTPRequest& request)
{
    if (auto delegate = m_delegate.lock(); delegate && m_requestDidStartSelector)
        ((*delegate).*m_requestDidStartSelector)(request);
}

void QNNetworkQueue::requestDidReceiveResponseHeaders(QNHTTPRequest& request, const NSDictionary& headers)
{
    if (auto delegate = m_delegate.lock(); delegate && m_requestDidReceiveResponseHeadersSelector)
        ((*delegate).*m_requestDidReceiveResponseHeadersSelector)(request, headers);
}

void QNNetworkQueue::requestWillRedirectToURL(QNHTTPRequest& request, const NSURL& url)
{
    if (auto delegate = m_delegate.lock(); delegate && m_requestWillRedirectSelector)
        ((*delegate).*m_requestWillRedirectSelector)(request, url);
}

void QNNetworkQueue::requestFinished(QNHTTPRequest& request)
{
    const int left = --m_requestsCount;
    auto delegate = m_delegate.lock();
    if (delegate && m_requestDidFinishSelector)
        ((*delegate).*m_requestDidFinishSelector)(request);
    if (left == 0 && delegate && m_queueDidFinishSelector)
        ((*delegate).*m_queueDidFinishSelector)(*this);
}

void QNNetworkQueue::requestFailed(QNHTTPRequest& request)
{
    const int left = --m_requestsCount;
    auto delegate = m_delegate.lock();
    if (delegate && m_requestDidFailSelector)
        ((*delegate).*m_requestDidFailSelector)(request);
    if (left == 0 && delegate && m_queueDidFinishSelector)
        ((*delegate).*m_queueDidFinishSelector)(*this);
    if (m_shouldCancelAllRequestsOnFailure && left > 0)
        cancelAllOperations();
}

void QNNetworkQueue::authenticationNeededForRequest(QNHTTPRequest& request)
{
    if (auto delegate = m_delegate.lock(); delegate && delegate->respondsToAuthenticationNeeded())
        delegate->authenticationNeededForRequest(request);
}

void QNNetworkQueue::proxyAuthenticationNeededForRequest(QNHTTPRequest& request)
{
    if (auto delegate = m_delegate.lock(); delegate && delegate->respondsToProxyAuthenticationNeeded())
        delegate->proxyAuthenticationNeededForRequest(request);
}

bool QNNetworkQueue::respondsToAuthenticationNeeded() const
{
    auto delegate = m_delegate.lock();
    return delegate && delegate->respondsToAuthenticationNeeded();
}

bool QNNetworkQueue::respondsToProxyAuthenticationNeeded() const
{
    auto delegate = m_delegate.lock();
    return delegate && delegate->respondsToProxyAuthenticationNeeded();
}

bool QNNetworkQueue::respondsToWillRedirect() const
{
    auto delegate = m_delegate.lock();
    return m_requestWillRedirectSelector && delegate && delegate->respondsToWillRedirect();
}

void QNNetworkQueue::requestDidReceiveBytes(QNHTTPRequest&, long long amount)
{
    m_bytesDownloadedSoFar += static_cast<unsigned long long>(amount);
    showProgress(m_downloadProgressDelegate, m_bytesDownloadedSoFar, m_totalBytesToDownload);
}

void QNNetworkQueue::requestDidSendBytes(QNHTTPRequest&, long long amount)
{
    m_bytesUploadedSoFar += static_cast<unsigned long long>(amount);
    showProgress(m_uploadProgressDelegate, m_bytesUploadedSoFar, m_totalBytesToUpload);
}

void QNNetworkQueue::requestIncrementDownloadSizeBy(QNHTTPRequest&, long long amount)
{
    m_totalBytesToDownload += static_cast<unsigned long long>(amount);
}

void QNNetworkQueue::requestIncrementUploadSizeBy(QNHTTPRequest&, long long amount)
{
    m_totalBytesToUpload += static_cast<unsigned long long>(amount);
}

} // namespace qv
