// Starting, running and cancelling requests: the shared queue, the network
// thread and the run of one request.
#include "QNHTTPRequest.h"

#include "http/QNApplicationServices.h"
#include "http/QNHTTPRequestClassState.h"
#include "http/QNHeaderFields.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/Foundation/VirtualClock.h"

#include <exception>

namespace qv {

namespace {

// A download path with ".." in it may lead anywhere: it is refused.
bool leavesItsFolder(const std::string& path)
{
    size_t at = 0;
    while (at <= path.size()) {
        const auto end = path.find('/', at);
        if (path.compare(at, end == std::string::npos ? std::string::npos : end - at, "..") == 0)
            return true;
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

} // namespace

Ref<NSOperationQueue> QNHTTPRequest::sharedQueue()
{
    return QNHTTPRequestClassState::shared().sharedQueue;
}

NSThread& QNHTTPRequest::threadForRequest(QNHTTPRequest*)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.classLock);
    if (!state.networkThread) {
        state.networkThread = NSThread::create([] {
            // A source that never fires keeps the run loop from running
            // dry; the loop handles one source per pass, for ever.
            auto keepAlive = RunLoopSource::create(std::function<void()>());
            auto runLoop = NSRunLoop::currentRunLoop();
            runLoop->addSource(keepAlive, NSDefaultRunLoopMode);
            for (;;)
                runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
        });
        state.networkThread->start();
    }
    return *state.networkThread;
}

QNCacheDelegate* QNHTTPRequest::defaultCache()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.classLock);
    return state.defaultCache.get();
}

void QNHTTPRequest::setDefaultCache(QNCacheDelegate* cache)
{
    auto& state = QNHTTPRequestClassState::shared();
    RefPtr<QNCacheDelegate> old;
    std::lock_guard lock(state.classLock);
    old = std::move(state.defaultCache);
    state.defaultCache = cache;
}

bool QNHTTPRequest::isNetworkInUse()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.connectionsLock);
    return state.runningRequestCount > 0;
}

void QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.connectionsLock);
    state.shouldUpdateNetworkActivityIndicator = update;
}

bool QNHTTPRequest::isMultitaskingSupported()
{
    return QNApplicationServices::current().isMultitaskingSupported();
}

void QNHTTPRequest::showNetworkActivityIndicator()
{
    QNApplicationServices::current().setNetworkActivityIndicatorVisible(true);
}

void QNHTTPRequest::hideNetworkActivityIndicatorAfterDelay()
{
    // Hidden only when no request started meanwhile, so that back-to-back
    // requests do not make it flicker.
    auto timer = NSTimer::timerWithTimeInterval(0.5, [](NSTimer&) {
        auto& state = QNHTTPRequestClassState::shared();
        std::unique_lock lock(state.connectionsLock);
        const bool idle = state.runningRequestCount == 0;
        lock.unlock();
        if (idle)
            QNApplicationServices::current().setNetworkActivityIndicatorVisible(false);
    }, false);
    NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
}

void QNHTTPRequest::startSynchronous()
{
    m_isSynchronous = true;
    m_runLoopMode = QNHTTPRequestRunLoopMode;
    m_inProgress = true;
    if (!isCancelled() && !m_complete) {
        main();
        auto runLoop = NSRunLoop::currentRunLoop();
        while (!m_complete)
            runLoop->runMode(m_runLoopMode, VirtualClock::distantFuture);
    }
    m_inProgress = false;
}

void QNHTTPRequest::startAsynchronous()
{
    sharedQueue()->addOperation(*this);
}

void QNHTTPRequest::start()
{
    m_inProgress = true;
    didChangeState();
    Ref<QNHTTPRequest> protect(*this);
    threadForRequest(this).runLoop()->performInModes({ NSDefaultRunLoopMode }, [protect] { protect->main(); });
}

void QNHTTPRequest::main()
{
    m_cancelledLock->lock();
    Ref<QNHTTPRequest> protect(*this);
    m_requestRunLoop = NSRunLoop::currentRunLoop();
    try {
        auto& services = QNApplicationServices::current();
        if (isMultitaskingSupported() && m_shouldContinueWhenAppEntersBackground && m_backgroundTask == QNApplicationServices::invalidBackgroundTask) {
            WeakPtr<QNHTTPRequest> weakThis(*this);
            m_backgroundTask = services.beginBackgroundTask([weakThis] {
                if (auto request = weakThis.lock()) {
                    if (request->m_backgroundTask != QNApplicationServices::invalidBackgroundTask) {
                        QNApplicationServices::current().endBackgroundTask(request->m_backgroundTask);
                        request->m_backgroundTask = QNApplicationServices::invalidBackgroundTask;
                        request->cancel();
                    }
                }
            });
        }
        do {
            // Cancelled or failed before it ran.
            if (m_error) {
                m_complete = true;
                markAsFinished();
                break;
            }
            m_complete = false;
            m_didUseCachedResponse = false;
            if (!m_url) {
                failWithError(sharedError(QNUnableToCreateRequestErrorType));
                break;
            }
            if (leavesItsFolder(m_downloadDestinationPath) || leavesItsFolder(m_temporaryFileDownloadPath)) {
                failWithError(NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
                    "Failed to move file from '" + m_temporaryFileDownloadPath + "' to '" + m_downloadDestinationPath + "'"));
                break;
            }
            if (!m_mainRequest.lock())
                buildPostBody();
            // A body that could not be built ends the request here.
            if (m_error)
                break;
            if (m_requestMethod != "GET")
                m_downloadCache = nullptr;
            if (!buildHTTPMessage()) {
                if (!m_error)
                    failWithError(sharedError(QNUnableToCreateRequestErrorType));
                break;
            }
            if (auto mainRequest = m_mainRequest.lock())
                mainRequest->buildRequestHeaders();
            buildRequestHeaders();
            if (m_error)
                break;
            if (auto cache = m_downloadCache.lock()) {
                if (m_cachePolicy == 0)
                    m_cachePolicy = cache->defaultCachePolicy();
                if (cache->canUseCachedDataForRequest(*this)) {
                    useDataFromCache();
                    break;
                }
                if (m_cachePolicy & 12) {
                    if (auto headers = cache->cachedResponseHeadersForURL(*m_url)) {
                        if (auto etag = headerFieldValue(*headers, "Etag"))
                            addRequestHeader("If-None-Match", *etag);
                        if (auto modified = headerFieldValue(*headers, "Last-Modified"))
                            addRequestHeader("If-Modified-Since", *modified);
                    }
                }
            }
            applyAuthorizationHeader();
            if (m_error)
                break;
            if (m_requestHeaders) {
                for (const auto& [name, value] : m_requestHeaders->entries()) {
                    if (!m_request->setHeaderFieldValue(name, headerValueForMessage(name, value->description()))) {
                        // A header that would break the message is never sent.
                        failWithError(sharedError(QNUnableToCreateRequestErrorType));
                        break;
                    }
                }
                if (m_error)
                    break;
            }
            // The connection starts now, or once a proxy script has come.
            if (configureProxies())
                startRequest();
        } while (false);
    } catch (const std::exception& exception) {
        auto underlying = NSError::create(NetworkRequestErrorDomain, QNUnhandledExceptionError, exception.what());
        failWithError(NSError::create(NetworkRequestErrorDomain, QNUnhandledExceptionError, "std::exception", underlying));
    }
    m_cancelledLock->unlock();
}

void QNHTTPRequest::cancel()
{
    Ref<QNHTTPRequest> protect(*this);
    threadForRequest(this).runLoop()->performInModes({ NSDefaultRunLoopMode }, [protect] { protect->cancelOnRequestThread(); });
}

void QNHTTPRequest::cancelOnRequestThread()
{
    m_cancelledLock->lock();
    if (m_cancelled || m_complete) {
        m_cancelledLock->unlock();
        return;
    }
    Ref<QNHTTPRequest> protect(*this);
    failWithError(sharedError(QNRequestCancelledErrorType));
    m_complete = true;
    cancelLoad();
    m_cancelled = true;
    m_cancelledLock->unlock();
    didChangeState();
}

void QNHTTPRequest::clearDelegatesAndCancel()
{
    m_cancelledLock->lock();
    m_delegate = nullptr;
    RefPtr<QNRequestQueueDelegate> queue = std::move(m_queue);
    m_queue = nullptr;
    m_downloadProgressDelegate = nullptr;
    m_uploadProgressDelegate = nullptr;
    releaseBlocksOnMainThread();
    m_cancelledLock->unlock();
    cancel();
}

void QNHTTPRequest::markAsFinished()
{
    Ref<QNHTTPRequest> protect(*this);
    m_request = nullptr;
    const bool wasFinished = m_finished.exchange(true);
    m_inProgress = false;
    if (!wasFinished)
        didChangeState();
    if (isMultitaskingSupported() && m_shouldContinueWhenAppEntersBackground) {
        performOnMainThread([protect] {
            if (protect->m_backgroundTask != QNApplicationServices::invalidBackgroundTask) {
                QNApplicationServices::current().endBackgroundTask(protect->m_backgroundTask);
                protect->m_backgroundTask = QNApplicationServices::invalidBackgroundTask;
            }
        });
    }
}

} // namespace qv
