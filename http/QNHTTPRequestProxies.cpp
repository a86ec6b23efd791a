// Which proxy a request goes through: the one set on it, or what the
// user's settings say for its URL, where need be after fetching and
// evaluating a proxy auto-configuration script.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"

#include "platform/CFNetwork/CFProxySupport.h"
#include "platform/Foundation/NSStream.h"
#include "platform/Foundation/StringEncoding.h"
#include "platform/Foundation/TextEncoding.h"

namespace qv {

namespace {

// A local script larger than this is no script.
constexpr size_t scriptSizeLimit = 1u << 20;

std::optional<std::string> readScriptFile(const std::string& path)
{
    auto input = NSInputStream::inputStreamWithFileAtPath(path);
    input->open();
    std::string bytes;
    uint8_t buffer[16384];
    long count = 0;
    while ((count = input->read(buffer, sizeof buffer)) > 0) {
        bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(count));
        if (bytes.size() > scriptSizeLimit)
            return std::nullopt;
    }
    if (count < 0)
        return std::nullopt;
    // UTF-8, or else Latin-1.
    return isValidUTF8(bytes) ? bytes : UTF8FromLatin1(bytes);
}

} // namespace

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
        runPACScript(readScriptFile(m_PACurl->path()));
        startRequest();
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
    // and may run beside it although this request holds a queue slot.
    m_PACFileRequest = scriptRequest;
    scriptRequest->setQueuePriority(NSOperationQueuePriorityHigh);
    WeakPtr<QNHTTPRequest> weakThis(*this);
    QNHTTPRequest* script = scriptRequest.ptr();
    auto finished = [weakThis, script] {
        if (auto request = weakThis.lock())
            request->finishedDownloadingPACFile(*script);
    };
    scriptRequest->setCompletionBlock(finished);
    scriptRequest->setFailedBlock(finished);
    scriptRequest->startAsynchronous();
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.connectionsLock);
    state.sharedQueue->setMaxConcurrentOperationCount(state.sharedQueue->maxConcurrentOperationCount() + 1);
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
    const double limit = m_timeOutSeconds > 0 ? m_timeOutSeconds : 10;
    auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(*script, *m_url, limit);
    if (!proxies || proxies->empty())
        return;
    const CFProxy& first = proxies->front();
    m_proxyHost = first.host;
    m_proxyPort = first.port;
    m_proxyType = first.type;
}

} // namespace qv
