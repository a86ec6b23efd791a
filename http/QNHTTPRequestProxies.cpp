// Which proxy a request goes through: the one set on it, or what the
// user's settings say for its URL, where need be after fetching and
// evaluating a proxy auto-configuration script.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"
#include "http/QNPACFileReader.h"

#include "platform/CFNetwork/CFProxySupport.h"
#include "platform/Foundation/NSRunLoop.h"

namespace qv {

bool QNHTTPRequest::configureProxies()
{
    if (m_isPACFileRequest || !m_proxyHost.empty() || m_proxyPort)
        return true;
    if (m_PACurl) {
        fetchPACFile();
        return false;
    }
    const auto proxies = CFNetworkCopyProxiesForURL(*m_url, CFNetworkCopySystemProxySettings());
    if (proxies.empty()) {
        m_readStream = nullptr;
        failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileBuildingRequestType, "Unable to obtain information on proxy servers needed for request"));
        return false;
    }
    const CFProxy& first = proxies.front();
    if (first.type == kCFProxyTypeAutoConfigurationURL) {
        m_PACurl = first.autoConfigurationURL;
        fetchPACFile();
        return false;
    }
    m_proxyHost = first.host;
    m_proxyPort = first.port;
    m_proxyType = first.type;
    return true;
}

void QNHTTPRequest::fetchPACFile()
{
    const std::string scheme = m_PACurl->scheme();
    if (m_PACurl->isFileURL()) {
        readPACFile();
        return;
    }
    if (scheme != "http" && scheme != "https") {
        startRequest();
        return;
    }
    auto scriptRequest = QNHTTPRequest::requestWithURL(m_PACurl);
    scriptRequest->m_isPACFileRequest = true;
    scriptRequest->setTimeOutSeconds(m_timeOutSeconds);
    if (m_isSynchronous) {
        scriptRequest->startSynchronous();
        if (!scriptRequest->error())
            runPACScript(scriptRequest->responseString());
        startRequest();
        return;
    }
    // The script request reports to this request on the network thread,
    // and may run beside it although this request holds a queue slot. It
    // reports while holding its own lock, and this request takes its own
    // lock while it makes the script request: the report goes through this
    // request's run loop, so that the two locks are never taken one inside
    // the other the other way round.
    m_PACFileRequest = scriptRequest;
    scriptRequest->setQueuePriority(NSOperationQueuePriorityHigh);
    WeakPtr<QNHTTPRequest> weakThis(*this);
    QNHTTPRequest* script = scriptRequest.ptr();
    auto finished = [weakThis, script, runLoop = NSRunLoop::currentRunLoop(), mode = m_runLoopMode] {
        runLoop->performInModes({ mode }, [weakThis, script] {
            if (auto request = weakThis.lock())
                request->finishedDownloadingPACFile(*script);
        });
    };
    scriptRequest->setCompletionBlock(finished);
    scriptRequest->setFailedBlock(finished);
    scriptRequest->startAsynchronous();
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.connectionsLock);
    state.sharedQueue->setMaxConcurrentOperationCount(state.sharedQueue->maxConcurrentOperationCount() + 1);
}

void QNHTTPRequest::readPACFile()
{
    // The request waits on its run loop, which serves other requests
    // meanwhile, for the text or for its time-out.
    WeakPtr<QNHTTPRequest> weakThis(*this);
    m_PACFileReader = QNPACFileReader::readScriptAtPath(m_PACurl->path(), PACTimeLimit(), m_runLoopMode,
        [weakThis](const std::optional<std::string>& script) {
            if (auto request = weakThis.lock())
                request->finishedReadingPACFile(script);
        });
}

void QNHTTPRequest::finishedReadingPACFile(const std::optional<std::string>& script)
{
    m_cancelledLock->lock();
    Ref<QNHTTPRequest> protect(*this);
    m_PACFileReader = nullptr;
    if (!m_error && !m_cancelled) {
        runPACScript(script);
        startRequest();
    }
    m_cancelledLock->unlock();
}

void QNHTTPRequest::finishedDownloadingPACFile(QNHTTPRequest& scriptRequest)
{
    m_cancelledLock->lock();
    Ref<QNHTTPRequest> protect(*this);
    if (m_PACFileRequest.get() != &scriptRequest) {
        m_cancelledLock->unlock();
        return;
    }
    if (!scriptRequest.error())
        runPACScript(scriptRequest.responseString());
    {
        auto& state = QNHTTPRequestClassState::shared();
        std::lock_guard lock(state.connectionsLock);
        state.sharedQueue->setMaxConcurrentOperationCount(state.sharedQueue->maxConcurrentOperationCount() - 1);
    }
    m_PACFileRequest = nullptr;
    if (!m_error && !m_cancelled)
        startRequest();
    m_cancelledLock->unlock();
}

void QNHTTPRequest::runPACScript(const std::optional<std::string>& script)
{
    if (!script)
        return;
    // A script that fails, loops or takes too long names no proxy: the
    // request goes directly.
    auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(*script, *m_url, PACTimeLimit());
    if (!proxies || proxies->empty())
        return;
    const CFProxy& first = proxies->front();
    m_proxyHost = first.host;
    m_proxyPort = first.port;
    m_proxyType = first.type;
}

double QNHTTPRequest::PACTimeLimit() const
{
    return m_timeOutSeconds > 0 ? m_timeOutSeconds : 10;
}

} // namespace qv
