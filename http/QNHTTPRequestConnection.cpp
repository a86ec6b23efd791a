// The network side of a request: its body and headers, the message, the
// read stream with the pool of kept-alive connections, and the status
// timer that watches for time-outs and reports progress.
#include "QNHTTPRequest.h"

#include "http/QNConnectionReuse.h"
#include "http/QNDataCompressor.h"
#include "http/QNDataDecompressor.h"
#include "http/QNHTTPRequestClassState.h"
#include "http/QNInputStream.h"
#include "http/QNPACFileReader.h"

#include "platform/CFNetwork/CFProxySupport.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSTemporaryDirectory.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/VirtualClock.h"

namespace qv {

namespace {

// The key of a header already set, in whatever case it was given.
std::optional<std::string> headerKey(const RefPtr<NSDictionary>& headers, const std::string& name)
{
    if (!headers)
        return std::nullopt;
    return headers->keyEqualIgnoringCase(name);
}

std::optional<unsigned long long> fileSize(const std::string& path, RefPtr<NSError>* error)
{
    auto attributes = NSFileManager::defaultManager()->attributesOfItemAtPath(path, error);
    if (!attributes)
        return std::nullopt;
    auto size = attributes->numberForKey(NSFileSize);
    return size ? static_cast<unsigned long long>(size->longLongValue()) : 0;
}

} // namespace

// --- The body

void QNHTTPRequest::setShouldStreamPostDataFromDisk(bool value)
{
    m_shouldStreamPostDataFromDisk = value;
}

void QNHTTPRequest::appendPostData(const std::string& data)
{
    if (data.empty())
        return;
    if (!m_shouldStreamPostDataFromDisk) {
        m_postBody += data;
        return;
    }
    if (m_postBodyFilePath.empty()) {
        m_postBodyFilePath = uniqueTemporaryFilePath();
        m_didCreateTemporaryPostDataFile = true;
    }
    if (!m_postBodyWriteStream) {
        // The first append starts the file afresh, a caller's own included:
        // the body is what was appended, nothing before it.
        m_postBodyWriteStream = NSOutputStream::outputStreamToFileAtPath(m_postBodyFilePath, false);
        m_postBodyWriteStream->open();
    }
    // A body that cannot be written fails the request when it is built.
    m_postBodyWriteStream->write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void QNHTTPRequest::appendPostDataFromFile(const std::string& path)
{
    auto input = NSInputStream::inputStreamWithFileAtPath(path);
    input->open();
    uint8_t buffer[65536];
    long count = 0;
    while ((count = input->read(buffer, sizeof buffer)) > 0)
        appendPostData(std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count)));
    if (count < 0 && !m_error) {
        auto underlying = input->streamError();
        m_postBodyWriteStream = nullptr;
        m_error = NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
            stringWithFormat("Failed to get attributes for file at path '%s'", path.c_str()), underlying);
    }
}

void QNHTTPRequest::buildPostBody()
{
    if (m_haveBuiltPostBody)
        return;
    // A body whose building failed earlier (an unreadable file appended)
    // stops the request now.
    if (m_error) {
        auto failure = m_error;
        m_error = nullptr;
        failWithError(failure);
        return;
    }
    if (m_postBodyWriteStream) {
        const bool failed = m_postBodyWriteStream->streamStatus() == NSStreamStatusError;
        auto underlying = m_postBodyWriteStream->streamError();
        m_postBodyWriteStream->close();
        m_postBodyWriteStream = nullptr;
        if (failed) {
            failWithError(NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
                stringWithFormat("Failed to get attributes for file at path '%s'", m_postBodyFilePath.c_str()), underlying));
            return;
        }
    }
    if (m_shouldStreamPostDataFromDisk && !m_postBodyFilePath.empty()) {
        // A body file gone missing fails before anything is made from it.
        std::string path = m_postBodyFilePath;
        RefPtr<NSError> failure;
        auto size = fileSize(path, &failure);
        if (size && m_shouldCompressRequestBody) {
            if (m_compressedPostBodyFilePath.empty())
                m_compressedPostBodyFilePath = uniqueTemporaryFilePath();
            if (!QNDataCompressor::compressDataFromFile(m_postBodyFilePath, m_compressedPostBodyFilePath, &failure)) {
                failWithError(failure);
                return;
            }
            path = m_compressedPostBodyFilePath;
            size = fileSize(path, &failure);
        }
        if (!size) {
            failWithError(NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
                stringWithFormat("Failed to get attributes for file at path '%s'", path.c_str()), failure));
            return;
        }
        m_postLength = *size;
    } else if (m_shouldCompressRequestBody && !m_postBody.empty()) {
        RefPtr<NSError> failure;
        auto compressed = QNDataCompressor::compressData(m_postBody, &failure);
        if (!compressed) {
            failWithError(failure);
            return;
        }
        m_compressedPostBody = std::move(*compressed);
        m_haveCompressedPostBody = true;
        m_postLength = m_compressedPostBody.size();
    } else {
        m_postLength = m_postBody.size();
    }
    if (m_postLength > 0) {
        const std::string method = requestMethod();
        if (method == "GET" || method == "DELETE" || method == "HEAD")
            setRequestMethod("POST");
        if (auto key = headerKey(m_requestHeaders, "Content-Length"))
            m_requestHeaders->removeObjectForKey(*key);
        addRequestHeader("Content-Length", stringWithFormat("%llu", m_postLength));
    }
    m_haveBuiltPostBody = true;
}

// --- Headers and the message

void QNHTTPRequest::buildRequestHeaders()
{
    if (m_haveBuiltRequestHeaders)
        return;
    m_haveBuiltRequestHeaders = true;
    if (auto mainRequest = m_mainRequest.lock()) {
        if (auto headers = mainRequest->requestHeaders())
            for (const auto& [name, value] : headers->entries())
                addRequestHeader(name, value->description());
        return;
    }
    // The library's headers give way to a caller's of the same name in any
    // case; where it replaces one, it replaces it whatever its case.
    auto replaceHeader = [this](const std::string& name, const std::string& value) {
        if (auto key = headerKey(m_requestHeaders, name))
            m_requestHeaders->removeObjectForKey(*key);
        addRequestHeader(name, value);
    };

    applyCookieHeader();
    if (!headerKey(m_requestHeaders, "User-Agent")) {
        std::optional<std::string> agent = m_userAgentString.empty() ? defaultUserAgentString() : std::optional<std::string>(m_userAgentString);
        if (agent)
            addRequestHeader("User-Agent", *agent);
    }
    if (m_allowCompressedResponse)
        replaceHeader("Accept-Encoding", "gzip");
    if (m_shouldCompressRequestBody)
        replaceHeader("Content-Encoding", "gzip");
    updatePartialDownloadSize();
    if (m_partialDownloadSize)
        replaceHeader("Range", stringWithFormat("bytes=%llu-", m_partialDownloadSize));
}

void QNHTTPRequest::applyCookieHeader()
{
    if (m_useCookiePersistence && m_url) {
        for (const auto& cookie : NSHTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(*m_url))
            m_requestCookies.push_back(cookie);
    }
    auto mainRequest = m_mainRequest.lock();
    const auto& cookies = mainRequest ? mainRequest->m_requestCookies : m_requestCookies;
    if (cookies.empty())
        return;
    if (auto key = headerKey(m_requestHeaders, "Cookie"))
        m_requestHeaders->removeObjectForKey(*key);
    addRequestHeader("Cookie", NSHTTPCookie::requestHeaderValue(cookies));
}

bool QNHTTPRequest::buildHTTPMessage()
{
    m_request = nullptr;
    const std::string method = requestMethod();
    // A method is a token: anything else would break the request line.
    if (!CFHTTPMessage::isValidHeaderName(method))
        return false;
    m_request = CFHTTPMessage::createRequest(method, *m_url, m_useHTTPVersionOne ? kCFHTTPVersion1_0 : kCFHTTPVersion1_1);
    return true;
}

// --- The connection

void QNHTTPRequest::startRequest()
{
    if (isCancelled())
        return;
    postRequestStarted();

    m_downloadComplete = false;
    m_complete = false;
    m_totalBytesRead = 0;
    m_lastBytesRead = 0;
    m_receivedAnyBytes = false;
    if (m_redirectCount == 0)
        m_originalURL = m_url;
    m_lastBytesSent = 0;
    m_totalBytesSent = 0;
    m_uploadBufferSize = 0;
    m_contentLength = 0;
    m_responseHeaders = nullptr;
    if (m_downloadDestinationPath.empty())
        m_rawResponseData.clear();
    m_inflatedResponseData.reset();
    m_readStreamIsScheduled = false;

    RefPtr<NSInputStream> body;
    if (m_shouldStreamPostDataFromDisk && !m_postBodyFilePath.empty()) {
        const bool compressed = !m_compressedPostBodyFilePath.empty() && NSFileManager::defaultManager()->fileExistsAtPath(m_compressedPostBodyFilePath);
        const std::string& path = compressed ? m_compressedPostBodyFilePath : m_postBodyFilePath;
        if (!NSFileManager::defaultManager()->fileExistsAtPath(path)) {
            // A body file gone missing is never sent as an empty body.
            failWithError(NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
                stringWithFormat("Failed to get attributes for file at path '%s'", path.c_str())));
            return;
        }
        body = QNInputStream::inputStreamWithFileAtPath(path, *this);
    } else if (!m_postBody.empty()) {
        const std::string& bytes = m_shouldCompressRequestBody && m_haveCompressedPostBody ? m_compressedPostBody : m_postBody;
        body = QNInputStream::inputStreamWithData({ bytes.begin(), bytes.end() }, *this);
    }
    m_postBodyReadStream = body;
    m_readStream = CFHTTPReadStream::createForHTTPRequest(*m_request, body);

    if (m_url->scheme() == "https") {
        CFStreamSSLSettings ssl;
        ssl.validatesCertificateChain = m_validatesSecureCertificate;
        ssl.clientIdentity = m_clientCertificateIdentity;
        m_readStream->setSSLSettings(ssl);
    }
    if (!m_proxyHost.empty() && m_proxyPort) {
        if (m_proxyType.empty())
            m_proxyType = kCFProxyTypeHTTP;
        // An HTTP proxy tunnels https requests (CONNECT); a SOCKS proxy is
        // given the host name to resolve.
        const std::string scheme = m_proxyType == kCFProxyTypeSOCKS || m_proxyType == "SOCKS" ? "socks5h" : "http";
        m_readStream->setProxy(scheme + "://" + m_proxyHost + ":" + std::to_string(m_proxyPort));
    }

    expirePersistentConnections();
    RefPtr<CFHTTPReadStream> oldStream;
    {
        auto& state = QNHTTPRequestClassState::shared();
        std::lock_guard lock(state.connectionsLock);
        if (m_url->host().empty() || m_url->scheme().empty()) {
            m_connectionInfo = nullptr;
            m_shouldAttemptPersistentConnection = false;
        }
        if (m_shouldAttemptPersistentConnection) {
            const auto matches = [this](const QNConnectionEntry& entry) {
                return entry.host == m_url->host() && entry.scheme == m_url->scheme() && entry.port == m_url->port();
            };
            if (m_connectionInfo) {
                if (!matches(*m_connectionInfo)) {
                    m_connectionInfo = nullptr;
                } else if (m_connectionInfo->expires && *m_connectionInfo->expires - VirtualClock::now() < 0) {
                    std::erase(state.persistentConnectionsPool, m_connectionInfo.get());
                    m_connectionInfo = nullptr;
                } else if (m_connectionInfo->request) {
                    m_connectionInfo = nullptr;
                }
            }
            if (!m_connectionInfo) {
                for (const auto& entry : state.persistentConnectionsPool)
                    if (!entry->request && matches(entry))
                        m_connectionInfo = entry.ptr();
            }
            if (m_connectionInfo && m_connectionInfo->stream)
                oldStream = m_connectionInfo->stream;
            if (!m_connectionInfo) {
                auto entry = makeRef<QNConnectionEntry>();
                entry->identifier = ++state.nextConnectionNumberToCreate;
                entry->host = m_url->host();
                entry->port = m_url->port();
                entry->scheme = m_url->scheme();
                state.persistentConnectionsPool.push_back(entry);
                m_connectionInfo = entry.ptr();
            }
            if (!m_requestID)
                m_requestID = ++state.nextRequestID;
            m_connectionInfo->request = m_requestID;
            m_connectionInfo->stream = m_readStream;
        }
        m_readStream->setAttemptPersistentConnection(m_shouldAttemptPersistentConnection);
    }
    // A connection whose response does not allow keeping it is closed, not
    // left for the next request to take; one it allows keeping carries no
    // request after its time, as long as the pool entry's (and no time at
    // all means no later request).
    m_readStream->setConnectionReuseRule([ownSeconds = m_persistentConnectionTimeoutSeconds](const CFHTTPMessage& response) {
        return QNConnectionReuse::forResponse(response).windowSeconds(ownSeconds);
    });

    // A connection opened while the throttle holds connections back waits
    // for it, unscheduled.
    if (!holdNewConnectionIfThrottled())
        scheduleReadStream();
    const bool opened = m_readStream->open();
    if (oldStream)
        oldStream->close();
    if (!opened) {
        m_connectionCanBeReused = false;
        auto underlying = m_readStream->error();
        destroyReadStream();
        failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileBuildingRequestType, "Unable to start HTTP connection", underlying));
        return;
    }
    resetProgressForAttempt();
    m_lastActivityTime = VirtualClock::now();
    WeakPtr<QNHTTPRequest> weakThis(*this);
    auto timer = NSTimer::timerWithTimeInterval(0.25, [weakThis](NSTimer& timer) {
        // The timer holds its request weakly and ends with it.
        if (auto request = weakThis.lock())
            request->updateStatus();
        else
            timer.invalidate();
    }, true);
    setStatusTimer(timer);
    NSRunLoop::currentRunLoop()->addTimer(timer, m_runLoopMode);
}

void QNHTTPRequest::setStatusTimer(RefPtr<NSTimer> timer)
{
    if (m_statusTimer && m_statusTimer != timer)
        m_statusTimer->invalidate();
    m_statusTimer = std::move(timer);
}

void QNHTTPRequest::scheduleReadStream()
{
    if (!m_readStream || m_readStreamIsScheduled)
        return;
    auto& state = QNHTTPRequestClassState::shared();
    bool show = false;
    {
        std::lock_guard lock(state.connectionsLock);
        ++state.runningRequestCount;
        show = state.shouldUpdateNetworkActivityIndicator;
    }
    if (show)
        showNetworkActivityIndicator();
    m_lastActivityTime = VirtualClock::now();
    WeakPtr<QNHTTPRequest> weakThis(*this);
    m_readStream->setClient(kCFStreamEventHasBytesAvailable | kCFStreamEventErrorOccurred | kCFStreamEventEndEncountered,
        [weakThis](CFHTTPReadStream&, CFStreamEventType type) {
            if (auto request = weakThis.lock())
                request->handleNetworkEvent(type);
        });
    m_readStream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), m_runLoopMode);
    m_readStreamIsScheduled = true;
}

void QNHTTPRequest::unscheduleReadStream()
{
    if (!m_readStream || !m_readStreamIsScheduled)
        return;
    auto& state = QNHTTPRequestClassState::shared();
    bool hide = false;
    {
        std::lock_guard lock(state.connectionsLock);
        --state.runningRequestCount;
        hide = state.shouldUpdateNetworkActivityIndicator && state.runningRequestCount == 0;
    }
    if (hide) {
        if (NSThread::isMainThread())
            hideNetworkActivityIndicatorAfterDelay();
        else
            NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [] { hideNetworkActivityIndicatorAfterDelay(); });
    }
    m_readStream->setClient(0, nullptr);
    if (m_requestRunLoop)
        m_readStream->unscheduleFromRunLoop(*m_requestRunLoop, m_runLoopMode);
    m_readStreamIsScheduled = false;
}

void QNHTTPRequest::destroyReadStream()
{
    if (!m_readStream)
        return;
    unscheduleReadStream();
    // A reusable connection's stream stays open, held by its pool entry,
    // until the next request on the connection has opened its own.
    if (!m_connectionCanBeReused)
        m_readStream->close();
    m_readStream = nullptr;
    leaveBandwidthShare();
}

void QNHTTPRequest::expirePersistentConnections()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::vector<RefPtr<CFHTTPReadStream>> toClose;
    {
        std::lock_guard lock(state.connectionsLock);
        const NSTimeInterval current = VirtualClock::now();
        std::erase_if(state.persistentConnectionsPool, [&](const Ref<QNConnectionEntry>& entry) {
            if (entry->request || (entry->expires && *entry->expires - current > 0))
                return false;
            if (entry->stream)
                toClose.push_back(entry->stream);
            return true;
        });
    }
    for (auto& stream : toClose)
        stream->close();
}

void QNHTTPRequest::handleStreamError()
{
    RefPtr<NSError> underlying = m_readStream ? m_readStream->error() : nullptr;
    if (m_error) {
        cancelLoad();
        checkRequestStatus();
        return;
    }
    // What a server's silent close of a kept-alive connection gives: one
    // retry on a new connection, and only when the server cannot have
    // received the request (nothing of the answer came back yet).
    const bool droppedConnection = underlying
        && ((underlying->domain() == NSPOSIXErrorDomain && (underlying->code() == 57 || underlying->code() == 32))
            || (underlying->domain() == "kCFErrorDomainCFNetwork" && underlying->code() == -1005));
    if (droppedConnection && !m_receivedAnyBytes && m_readStream && m_readStream->reusedConnection() && retryUsingNewConnection())
        return;
    std::string description = "A connection failure occurred";
    if (underlying && underlying->domain() == "NSOSStatusErrorDomain" && underlying->code() >= -9818 && underlying->code() <= -9800)
        description += ": SSL problem (Possible causes may include a bad/expired/self-signed certificate, clock set to wrong date)";
    cancelLoad();
    failWithError(NSError::create(NetworkRequestErrorDomain, QNConnectionFailureErrorType, description, underlying));
    checkRequestStatus();
}

void QNHTTPRequest::forgetConnectionEntry()
{
    // The connection is not to be reused: its entry leaves the pool.
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.connectionsLock);
    if (m_connectionInfo) {
        m_connectionInfo->request.reset();
        std::erase(state.persistentConnectionsPool, m_connectionInfo.get());
        m_connectionInfo = nullptr;
    }
}

bool QNHTTPRequest::retryUsingNewConnection()
{
    if (m_retryCount != 0)
        return false;
    cancelLoad();
    forgetConnectionEntry();
    ++m_retryCount;
    startRequest();
    return true;
}

void QNHTTPRequest::cancelLoad()
{
    if (m_readStream) {
        // A connection given up in the middle is never reused.
        m_connectionCanBeReused = false;
        destroyReadStream();
    }
    m_postBodyReadStream = nullptr;
    setStatusTimer(nullptr);
    // A proxy script still being read or fetched is let go, and tells
    // nobody.
    if (auto reader = std::move(m_PACFileReader))
        reader->cancel();
    if (auto scriptRequest = std::move(m_PACFileRequest)) {
        scriptRequest->setCompletionBlock(nullptr);
        scriptRequest->setFailedBlock(nullptr);
        scriptRequest->cancel();
        auto& state = QNHTTPRequestClassState::shared();
        std::lock_guard lock(state.connectionsLock);
        state.sharedQueue->setMaxConcurrentOperationCount(state.sharedQueue->maxConcurrentOperationCount() - 1);
    }
    // The inflater is the attempt's: another attempt inflates its answer
    // from the start. (The body file of the library's own stays until the
    // request's end has been told: another attempt may send it, and a copy
    // made when it is told takes its body from it.)
    m_dataDecompressor = nullptr;
    discardDownloadFiles();
}

// --- Status timer

bool QNHTTPRequest::shouldTimeOut() const
{
    // A stream held back (unscheduled) is not idle.
    if (!m_readStream || !m_readStreamIsScheduled || m_lastActivityTime == 0 || m_timeOutSeconds <= 0)
        return false;
    const double idle = VirtualClock::now() - m_lastActivityTime;
    if (idle <= m_timeOutSeconds)
        return false;
    // A body not yet past the send buffer gets half as long again.
    return m_postLength == 0 || (m_uploadBufferSize != 0 && m_totalBytesSent > m_uploadBufferSize) || idle > 1.5 * m_timeOutSeconds;
}

void QNHTTPRequest::updatePartialDownloadSize()
{
    if (m_allowResumeForFileDownloads && !m_downloadDestinationPath.empty() && !m_temporaryFileDownloadPath.empty()
        && NSFileManager::defaultManager()->fileExistsAtPath(m_temporaryFileDownloadPath)) {
        if (auto size = fileSize(m_temporaryFileDownloadPath, nullptr))
            m_partialDownloadSize = *size;
    }
}

void QNHTTPRequest::updateStatus()
{
    m_cancelledLock->lock();
    Ref<QNHTTPRequest> protect(*this);
    checkRequestStatus();
    m_cancelledLock->unlock();
}

void QNHTTPRequest::checkRequestStatus()
{
    if (m_complete || isCancelled()) {
        setStatusTimer(nullptr);
        return;
    }
    performThrottling();
    // Body bytes were counted against the budget as they were handed to
    // the connection; counting them again here would halve the limit.
    if (m_readStream && m_postLength) {
        m_lastBytesSent = m_totalBytesSent;
        const unsigned long long written = m_readStream->bytesWritten();
        if (written > m_totalBytesSent) {
            m_totalBytesSent = written;
            m_lastActivityTime = VirtualClock::now();
        }
    }
    if (shouldTimeOut()) {
        if (m_retryCount < m_numberOfTimesToRetryOnTimeout) {
            ++m_retryCount;
            // The timed-out attempt's stream is closed and its pool entry
            // freed: a retry leaks neither, and keeps the body to send.
            cancelLoad();
            forgetConnectionEntry();
            // A resumable download asks for what it lacks.
            updatePartialDownloadSize();
            if (m_partialDownloadSize && m_request)
                m_request->setHeaderFieldValue("Range", stringWithFormat("bytes=%llu-", m_partialDownloadSize));
            startRequest();
            return;
        }
        cancelLoad();
        failWithError(sharedError(QNRequestTimedOutErrorType));
        m_complete = true;
        return;
    }
    updateProgressIndicators();
}

void QNHTTPRequest::removeTemporaryDownloadFile()
{
    if (m_temporaryFileDownloadPath.empty())
        return;
    NSFileManager::defaultManager()->removeItemAtPath(m_temporaryFileDownloadPath);
    m_temporaryFileDownloadPath.clear();
}

void QNHTTPRequest::removeTemporaryUncompressedDownloadFile()
{
    if (m_temporaryUncompressedDataDownloadPath.empty())
        return;
    NSFileManager::defaultManager()->removeItemAtPath(m_temporaryUncompressedDataDownloadPath);
    m_temporaryUncompressedDataDownloadPath.clear();
}

void QNHTTPRequest::removeTemporaryUploadFiles()
{
    // The compressed form is always the library's own, whoever owns the
    // body file it was made from.
    if (!m_compressedPostBodyFilePath.empty())
        NSFileManager::defaultManager()->removeItemAtPath(m_compressedPostBodyFilePath);
    if (m_didCreateTemporaryPostDataFile && !m_postBodyFilePath.empty())
        NSFileManager::defaultManager()->removeItemAtPath(m_postBodyFilePath);
    // The paths stay: a copy made from now on names the body's file,
    // finds it gone and fails, rather than send an empty body.
    m_didCreateTemporaryPostDataFile = false;
}

} // namespace qv
