// Everything a caller sees of a request happens on the main thread: the
// delegate's methods, the blocks, the queue's methods and progress. The
// request's own locks are never held while one of them runs.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"

namespace qv {

void QNHTTPRequest::performOnMainThread(std::function<void()> block) const
{
    // In place when already on the main thread (a synchronous request run
    // there gets its callbacks before its next step), else queued.
    if (NSThread::isMainThread()) {
        block();
        return;
    }
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, std::move(block));
}

QNHTTPRequest::Blocks QNHTTPRequest::blocks() const
{
    std::lock_guard lock(m_blocksLock);
    return m_blocks;
}

void QNHTTPRequest::setStartedBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.started = std::move(block); }
void QNHTTPRequest::setHeadersReceivedBlock(HeadersBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.headersReceived = std::move(block); }
void QNHTTPRequest::setCompletionBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.completion = std::move(block); }
void QNHTTPRequest::setFailedBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.failure = std::move(block); }
void QNHTTPRequest::setBytesReceivedBlock(SizeBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.bytesReceived = std::move(block); }
void QNHTTPRequest::setBytesSentBlock(SizeBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.bytesSent = std::move(block); }
void QNHTTPRequest::setDownloadSizeIncrementedBlock(IncrementBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.downloadSizeIncremented = std::move(block); }
void QNHTTPRequest::setUploadSizeIncrementedBlock(IncrementBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.uploadSizeIncremented = std::move(block); }
void QNHTTPRequest::setDataReceivedBlock(DataBlock block) { std::lock_guard lock(m_blocksLock); m_blocks.dataReceived = std::move(block); }
void QNHTTPRequest::setAuthenticationNeededBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.authenticationNeeded = std::move(block); }
void QNHTTPRequest::setProxyAuthenticationNeededBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.proxyAuthenticationNeeded = std::move(block); }
void QNHTTPRequest::setRequestRedirectedBlock(Block block) { std::lock_guard lock(m_blocksLock); m_blocks.redirected = std::move(block); }

void QNHTTPRequest::releaseBlocksOnMainThread()
{
    // Blocks may hold objects that must go on the main thread: the last
    // reference to each is dropped there.
    Blocks released;
    {
        std::lock_guard lock(m_blocksLock);
        std::swap(released, m_blocks);
    }
    if (NSThread::isMainThread())
        return;
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [released = std::make_shared<Blocks>(std::move(released))]() mutable { released.reset(); });
}

void QNHTTPRequest::postRequestStarted()
{
    Ref<QNHTTPRequest> protect(*this);
    performOnMainThread([protect] { protect->reportRequestStarted(); });
}

void QNHTTPRequest::reportRequestStarted()
{
    if (error() || m_mainRequest.lock())
        return;
    if (auto delegate = this->delegate().lock(); delegate && m_didStartSelector)
        ((*delegate).*m_didStartSelector)(*this);
    if (auto block = blockOf(&Blocks::started))
        block();
    if (auto queue = this->queue())
        queue->requestStarted(*this);
}

void QNHTTPRequest::passOnReceivedData(const std::string& data)
{
    if (auto delegate = this->delegate().lock(); delegate && m_didReceiveDataSelector && delegate->respondsToDidReceiveData())
        ((*delegate).*m_didReceiveDataSelector)(*this, data);
    if (auto block = blockOf(&Blocks::dataReceived))
        block(data);
}

void QNHTTPRequest::requestFinished()
{
    if (error() || m_mainRequest.lock())
        return;
    if (m_isPACFileRequest) {
        reportFinished();
        removeTemporaryUploadFiles();
        return;
    }
    Ref<QNHTTPRequest> protect(*this);
    performOnMainThread([protect] {
        protect->reportFinished();
        protect->removeTemporaryUploadFiles();
    });
}

void QNHTTPRequest::reportFinished()
{
    if (auto delegate = this->delegate().lock(); delegate && m_didFinishSelector)
        ((*delegate).*m_didFinishSelector)(*this);
    if (auto block = blockOf(&Blocks::completion))
        block();
    if (auto queue = this->queue())
        queue->requestFinished(*this);
}

void QNHTTPRequest::reportFailure()
{
    if (auto delegate = this->delegate().lock(); delegate && m_didFailSelector)
        ((*delegate).*m_didFailSelector)(*this);
    if (auto block = blockOf(&Blocks::failure))
        block();
    if (auto queue = this->queue())
        queue->requestFailed(*this);
}

void QNHTTPRequest::failWithError(RefPtr<NSError> error)
{
    Ref<QNHTTPRequest> protect(*this);
    m_cancelledLock->lock();
    m_complete = true;
    auto& state = QNHTTPRequestClassState::shared();
    if (error && error->code() != QNAuthenticationErrorType && error->code() != QNTooMuchRedirectionErrorType) {
        {
            std::lock_guard lock(state.connectionsLock);
            if (m_connectionInfo) {
                m_connectionInfo->request.reset();
                std::erase(state.persistentConnectionsPool, m_connectionInfo.get());
            }
        }
        destroyReadStream();
    }
    if (m_connectionCanBeReused && m_connectionInfo) {
        std::lock_guard lock(state.connectionsLock);
        m_connectionInfo->expires = VirtualClock::now() + m_persistentConnectionTimeoutSeconds;
    }
    // The first error wins; a cancelled request reports nothing more.
    if (m_cancelled || m_error || !error) {
        m_cancelledLock->unlock();
        return;
    }
    // A load that failed may end from the cache's copy instead; a cancel
    // never does.
    if (error->code() != QNRequestCancelledErrorType && (m_cachePolicy & 64)) {
        auto cache = m_downloadCache.lock();
        if (cache && cache->canUseCachedDataForRequest(*this)) {
            useDataFromCache();
            m_cancelledLock->unlock();
            return;
        }
    }
    m_error = error;
    RefPtr<QNHTTPRequest> failed = this;
    if (auto mainRequest = m_mainRequest.lock()) {
        mainRequest->m_error = error;
        failed = mainRequest;
    }
    const bool inProgress = m_inProgress;
    m_cancelledLock->unlock();
    // A failed request sends its body no more: the library's body file
    // goes once the failure has been told.
    if (m_isPACFileRequest) {
        failed->reportFailure();
        removeTemporaryUploadFiles();
    } else {
        performOnMainThread([failed, protect] {
            failed->reportFailure();
            protect->removeTemporaryUploadFiles();
        });
    }
    if (inProgress)
        markAsFinished();
}

} // namespace qv
