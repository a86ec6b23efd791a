// The answer: stream events, the response head, and the body into memory,
// a file or the caller's hands, inflated on the way when asked.
#include "QNHTTPRequest.h"

#include "http/QNConnectionReuse.h"
#include "http/QNDataDecompressor.h"
#include "http/QNHTTPRequestClassState.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSTemporaryDirectory.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/VirtualClock.h"

#include <strings.h>

#include <algorithm>
#include <memory>
#include <cstdlib>

namespace qv {

namespace {

unsigned long long responseSizeLimitInMemory()
{
    return QNHTTPRequestClassState::shared().maximumResponseSizeInMemory;
}

Ref<NSError> responseTooLargeForMemoryError()
{
    auto underlying = NSError::create(NSPOSIXErrorDomain, 27,
        stringWithFormat("The answer is larger than %llu bytes, the most kept in memory; download it to a file", responseSizeLimitInMemory()));
    return NSError::create(NetworkRequestErrorDomain, QNConnectionFailureErrorType, "A connection failure occurred", underlying);
}

} // namespace

void QNHTTPRequest::handleNetworkEvent(CFStreamEventType type)
{
    m_cancelledLock->lock();
    if (m_complete || m_cancelled) {
        m_cancelledLock->unlock();
        return;
    }
    Ref<QNHTTPRequest> protect(*this);
    switch (type) {
    case kCFStreamEventHasBytesAvailable:
        handleBytesAvailable();
        break;
    case kCFStreamEventEndEncountered:
        handleStreamComplete();
        break;
    case kCFStreamEventErrorOccurred:
        handleStreamError();
        break;
    default:
        break;
    }
    performThrottling();
    m_cancelledLock->unlock();
    // A redirect or a challenge goes on once its answer's body has ended,
    // after the lock.
    if (m_downloadComplete && m_needsRedirect && !m_error) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
    } else if (m_downloadComplete && m_authenticationNeeded && !m_error) {
        attemptToApplyCredentialsAndResume();
    }
}

void QNHTTPRequest::readResponseHeaders()
{
    if (!m_readStream)
        return;
    auto message = m_readStream->responseHeader();
    if (!message || !message->isHeaderComplete())
        return;
    m_authenticationNeeded = 0;
    m_responseHeaders = message->allHeaderFields();
    m_responseStatusCode = message->responseStatusCode();
    m_responseStatusMessage = message->responseStatusLine();

    // The cache may answer instead (a "not modified" answer, or a stored
    // copy still current): the response is dropped, nothing of it is told.
    if (answerFromCache())
        return;

    // A challenge: met once the whole answer has come. An object that was
    // answered before reads whether its credentials were refused.
    if (m_responseStatusCode == 401 || m_responseStatusCode == 407) {
        m_authenticationNeeded = m_responseStatusCode == 401 ? 1 : 2;
        m_challengeResponse = message;
        if (auto authentication = m_responseStatusCode == 401 ? m_requestAuthentication : m_proxyAuthentication)
            authentication->updateFromResponse(*message);
    } else if (!m_requestAuthentication && m_authenticationScheme == kCFHTTPAuthenticationSchemeBasic && !m_username.empty() && !m_password.empty()
        && m_useSessionPersistence) {
        // Basic credentials sent before any challenge worked: kept for the
        // session.
        auto credentials = NSDictionary::create();
        credentials->setObject(m_username, kCFHTTPAuthenticationUsername);
        credentials->setObject(m_password, kCFHTTPAuthenticationPassword);
        auto& state = QNHTTPRequestClassState::shared();
        std::lock_guard lock(state.sessionCredentialsLock);
        // One record per URL and user: a request sent again adds none.
        std::erase_if(state.sessionCredentials, [&](const QNHTTPRequestClassState::CredentialRecord& record) {
            return !record.authentication && record.url && record.url->isEqual(m_url.get())
                && record.credentials->isEqual(credentials.ptr());
        });
        state.sessionCredentials.push_back({ nullptr, credentials, m_url, kCFHTTPAuthenticationSchemeBasic, "", "", 0 });
    }

    m_responseEncoding = m_defaultResponseEncoding;
    parseMimeType(nullptr, &m_responseEncoding, responseHeader("Content-Type"));

    // Each "Set-Cookie" field as it came (a joined value would split dates).
    m_responseCookies = NSHTTPCookie::cookiesWithResponseHeaderFields(message->headerFieldsNamed("Set-Cookie"), *m_url);
    if (m_useCookiePersistence) {
        for (const auto& cookie : m_responseCookies) {
            NSHTTPCookieStorage::sharedHTTPCookieStorage().setCookie(cookie);
            addSessionCookie(cookie);
        }
    }

    if (!willRedirect()) {
        auto mainRequest = m_mainRequest.lock();
        QNHTTPRequest& target = mainRequest ? *mainRequest : *this;
        if (auto length = responseHeader("Content-Length")) {
            // Read with its base as written: "0x" hexadecimal, "0" octal.
            char* end = nullptr;
            const unsigned long long value = std::strtoull(length->c_str(), &end, 0);
            const bool valid = end && *end == '\0' && !length->empty() && length->front() != '-';
            if (valid && mainRequest && m_allowCompressedResponse && value == 20 && m_showAccurateProgress && m_shouldResetDownloadProgress) {
                // A compressed HEAD answer says nothing of the real size.
                mainRequest->m_showAccurateProgress = false;
                mainRequest->incrementDownloadSizeBy(1);
            } else if (valid) {
                target.m_contentLength = value;
                if (m_showAccurateProgress && m_shouldResetDownloadProgress)
                    target.announceDownloadSize(target.m_contentLength + target.m_partialDownloadSize);
            }
        } else if (m_showAccurateProgress && m_shouldResetDownloadProgress) {
            target.m_showAccurateProgress = false;
            target.announceDownloadSize(1);
        }
    }

    if (m_shouldAttemptPersistentConnection) {
        // Never set back: a YES of an earlier attempt stays. (The transport
        // has closed a connection this response does not allow keeping.)
        const QNConnectionReuse reuse = QNConnectionReuse::forResponse(*message);
        if (reuse.reusable) {
            m_connectionCanBeReused = true;
            if (reuse.timeoutSeconds)
                m_persistentConnectionTimeoutSeconds = *reuse.timeoutSeconds;
        }
    }

    // Told on the main thread, each with a copy of the headers as they are
    // now.
    Ref<QNHTTPRequest> protect(*this);
    RefPtr<NSDictionary> headers;
    if (!NSThread::isMainThread())
        headers = m_responseHeaders->mutableCopy();
    performOnMainThread([protect, headers] { protect->reportResponseHeaders(headers); });
}

void QNHTTPRequest::reportResponseHeaders(RefPtr<NSDictionary> headers)
{
    if (error() || m_mainRequest.lock())
        return;
    // In place, nothing has run since the headers were read: a copy made
    // before the first one told is the same copy.
    auto copy = [&]() -> Ref<NSDictionary> {
        if (!headers)
            headers = m_responseHeaders->mutableCopy();
        return *headers;
    };
    // The delegate, the block, then the queue.
    if (auto delegate = this->delegate().lock(); delegate && m_didReceiveResponseHeadersSelector)
        ((*delegate).*m_didReceiveResponseHeadersSelector)(*this, copy());
    if (auto block = blockOf(&Blocks::headersReceived))
        block(copy());
    if (auto queue = this->queue())
        queue->requestDidReceiveResponseHeaders(*this, copy());
}

void QNHTTPRequest::handleBytesAvailable()
{
    // The cache may take over while the head is read: this attempt's
    // stream is then gone (or another attempt's has come).
    const RefPtr<CFHTTPReadStream> stream = m_readStream;
    if (!m_responseHeaders)
        readResponseHeaders();
    if (m_complete || !m_readStream || m_readStream != stream)
        return;
    size_t readSize = 16384;
    if (m_contentLength > 262144)
        readSize = 262144;
    else if (m_contentLength > 65536)
        readSize = 65536;
    readSize = readSizeUnderBudget(readSize);
    if (m_readBufferSize < readSize) {
        m_readBuffer = std::make_unique_for_overwrite<char[]>(readSize);
        m_readBufferSize = readSize;
    }
    const long count = m_readStream->read(reinterpret_cast<uint8_t*>(m_readBuffer.get()), readSize);
    if (count < 0) {
        handleStreamError();
        return;
    }
    if (count == 0)
        return;
    const std::string_view buffer(m_readBuffer.get(), static_cast<size_t>(count));
    m_receivedAnyBytes = true;

    auto delegate = this->delegate().lock();
    const bool delegateTakesData = delegate && m_didReceiveDataSelector && delegate->respondsToDidReceiveData();
    const bool handedOn = delegateTakesData || blockOf(&Blocks::dataReceived);
    const bool keptInMemory = !handedOn && m_downloadDestinationPath.empty();
    const unsigned long long limit = responseSizeLimitInMemory();

    std::optional<std::string> inflated;
    if (isResponseCompressed() && !m_shouldWaitToInflateCompressedResponses) {
        if (!m_dataDecompressor)
            m_dataDecompressor = QNDataDecompressor::decompressor();
        // Inflated into memory, a chunk stops at what the limit leaves.
        const size_t room = keptInMemory ? static_cast<size_t>(limit - std::min<unsigned long long>(limit, m_rawResponseData.size())) : SIZE_MAX;
        RefPtr<NSError> failure;
        inflated = m_dataDecompressor->uncompressBytes(buffer.data(), buffer.size(), &failure, room);
        if (failure && QNDataDecompressor::isInflatedTooLargeError(*failure)) {
            failWithResponseTooLargeForMemory();
            return;
        }
        if (failure) {
            cancelLoad();
            failWithError(failure);
            return;
        }
        if (!inflated)
            inflated = std::string();
    }
    m_totalBytesRead += static_cast<unsigned long long>(count);
    m_lastActivityTime = VirtualClock::now();
    countBytesRead(static_cast<NSUInteger>(count));
    // A redirect's body is not kept while a file download may resume.
    if (m_needsRedirect && m_shouldRedirect && m_allowResumeForFileDownloads)
        return;

    if (handedOn) {
        Ref<QNHTTPRequest> protect(*this);
        std::string chunk = inflated ? std::move(*inflated) : std::string(buffer);
        performOnMainThread([protect, chunk = std::move(chunk)] { protect->passOnReceivedData(chunk); });
    } else if (!m_downloadDestinationPath.empty()) {
        // The body of an answer that stands for another (a redirect, a
        // challenge) is not the download, and never reaches its files.
        if (m_needsRedirect || m_authenticationNeeded)
            return;
        writeDownloadedBytes(buffer);
        if (inflated && m_inflatedFileDownloadOutputStream)
            m_inflatedFileDownloadOutputStream->write(reinterpret_cast<const uint8_t*>(inflated->data()), inflated->size());
    } else {
        const std::string_view kept = inflated ? std::string_view(*inflated) : buffer;
        if (m_rawResponseData.size() + kept.size() > limit) {
            failWithResponseTooLargeForMemory();
            return;
        }
        m_rawResponseData += kept;
    }
}

void QNHTTPRequest::failWithResponseTooLargeForMemory()
{
    // Nothing of it is kept: the memory goes at once.
    std::string().swap(m_rawResponseData);
    cancelLoad();
    failWithError(responseTooLargeForMemoryError());
}

RefPtr<NSError> QNHTTPRequest::inflateResponseKeptInMemory()
{
    // Once, here on the request's thread, so that every caller reads the
    // same bytes, and held to the limit of any answer kept in memory: a
    // small answer may inflate a thousandfold.
    RefPtr<NSError> failure;
    m_inflatedResponseData = QNDataDecompressor::uncompressData(m_rawResponseData, &failure, static_cast<size_t>(responseSizeLimitInMemory()));
    if (failure && QNDataDecompressor::isInflatedTooLargeError(*failure)) {
        std::string().swap(m_rawResponseData);
        return responseTooLargeForMemoryError();
    }
    return failure;
}

void QNHTTPRequest::writeDownloadedBytes(std::string_view bytes)
{
    if (!m_fileDownloadOutputStream) {
        bool append = false;
        if (m_temporaryFileDownloadPath.empty()) {
            m_temporaryFileDownloadPath = uniqueTemporaryFilePath();
        } else if (m_allowResumeForFileDownloads && m_requestHeaders && m_requestHeaders->objectForKey("Range")) {
            if (responseHeader("Content-Range")) {
                append = true;
            } else {
                incrementDownloadSizeBy(-static_cast<long long>(m_partialDownloadSize));
                m_partialDownloadSize = 0;
            }
        }
        m_fileDownloadOutputStream = NSOutputStream::outputStreamToFileAtPath(m_temporaryFileDownloadPath, append);
        m_fileDownloadOutputStream->open();
        if (isResponseCompressed() && !m_shouldWaitToInflateCompressedResponses) {
            if (m_temporaryUncompressedDataDownloadPath.empty())
                m_temporaryUncompressedDataDownloadPath = uniqueTemporaryFilePath();
            m_inflatedFileDownloadOutputStream = NSOutputStream::outputStreamToFileAtPath(m_temporaryUncompressedDataDownloadPath, append);
            m_inflatedFileDownloadOutputStream->open();
        }
    }
    if (m_fileDownloadOutputStream->write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) < 0 && !m_error) {
        // A download that cannot be stored is never reported whole.
        cancelLoad();
        failWithError(NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
            stringWithFormat("Failed to move file from '%s' to '%s'", m_temporaryFileDownloadPath.c_str(), m_downloadDestinationPath.c_str()),
            m_fileDownloadOutputStream ? m_fileDownloadOutputStream->streamError() : nullptr));
    }
}

RefPtr<NSError> QNHTTPRequest::moveDownloadIntoPlace()
{
    if (isResponseCompressed() && m_shouldWaitToInflateCompressedResponses) {
        // Inflated into a file of its own first: only a whole answer takes
        // the destination's place.
        m_temporaryUncompressedDataDownloadPath = uniqueTemporaryFilePath();
        RefPtr<NSError> failure;
        const bool inflated = QNDataDecompressor::uncompressDataFromFile(m_temporaryFileDownloadPath, m_temporaryUncompressedDataDownloadPath, &failure);
        removeTemporaryDownloadFile();
        if (!inflated) {
            removeTemporaryUncompressedDownloadFile();
            return failure;
        }
        return replaceDestinationWith(m_temporaryUncompressedDataDownloadPath);
    }
    if (isResponseCompressed()) {
        // Inflated while it came: its end must have come too.
        removeTemporaryDownloadFile();
        if (m_dataDecompressor && !m_dataDecompressor->streamEnded()) {
            removeTemporaryUncompressedDownloadFile();
            return QNDataDecompressor::truncatedDataError();
        }
        return replaceDestinationWith(m_temporaryUncompressedDataDownloadPath);
    }
    return replaceDestinationWith(m_temporaryFileDownloadPath);
}

RefPtr<NSError> QNHTTPRequest::placeEmptyDownload()
{
    // An answer without a body still makes a file, empty, put in place as
    // any other.
    m_temporaryFileDownloadPath = uniqueTemporaryFilePath();
    auto output = NSOutputStream::outputStreamToFileAtPath(m_temporaryFileDownloadPath, false);
    output->open();
    output->close();
    return replaceDestinationWith(m_temporaryFileDownloadPath);
}

RefPtr<NSError> QNHTTPRequest::replaceDestinationWith(std::string& file)
{
    // In one step: a file already at the destination stays whole until
    // the new one is, and stays as it was when the new one cannot go.
    RefPtr<NSError> moveError;
    if (NSFileManager::defaultManager()->replaceItemAtPath(m_downloadDestinationPath, file, &moveError)) {
        file.clear();
        return nullptr;
    }
    auto failure = NSError::create(NetworkRequestErrorDomain, QNFileManagementError,
        stringWithFormat("Failed to move file from '%s' to '%s'", file.c_str(), m_downloadDestinationPath.c_str()), moveError);
    discardDownloadFiles();
    return failure;
}

void QNHTTPRequest::closeDownloadFiles()
{
    for (RefPtr<NSOutputStream>* output : { &m_fileDownloadOutputStream, &m_inflatedFileDownloadOutputStream }) {
        if (*output) {
            (*output)->close();
            *output = nullptr;
        }
    }
}

void QNHTTPRequest::discardDownloadFiles()
{
    closeDownloadFiles();
    // A partial download is kept only when it may be resumed; what was
    // inflated of it never is.
    if (!m_allowResumeForFileDownloads)
        removeTemporaryDownloadFile();
    removeTemporaryUncompressedDownloadFile();
}

void QNHTTPRequest::handleStreamComplete()
{
    setStatusTimer(nullptr);
    m_downloadComplete = true;
    const RefPtr<CFHTTPReadStream> stream = m_readStream;
    if (!m_responseHeaders)
        readResponseHeaders();
    if (m_readStream != stream)
        return;

    auto& state = QNHTTPRequestClassState::shared();
    RefPtr<NSError> fileError;
    {
        std::lock_guard lock(state.progressLock);
        m_lastBytesSent = m_totalBytesSent;
        if (m_readStream)
            m_totalBytesSent = m_readStream->bytesWritten();
        m_complete = true;
        // The whole announced body must have come: a short body is no
        // success. (An answer that has no body announces the length of
        // the one it stands for.)
        if (m_contentLength && m_totalBytesRead < m_contentLength && !responseHasNoBody() && !isResponseCompressed())
            fileError = NSError::create(NetworkRequestErrorDomain, QNConnectionFailureErrorType, "A connection failure occurred");
        if (m_contentLength == 0)
            m_contentLength = m_totalBytesRead;
    }
    updateProgressIndicators();
    if (m_postBodyReadStream) {
        m_postBodyReadStream->close();
        m_postBodyReadStream = nullptr;
    }
    // A body inflated as it came must have reached its end; one kept
    // compressed in memory is inflated now, before anyone reads it.
    if (!fileError && m_dataDecompressor && m_downloadDestinationPath.empty() && !m_dataDecompressor->streamEnded() && m_totalBytesRead > 0)
        fileError = QNDataDecompressor::truncatedDataError();
    if (!fileError && m_downloadDestinationPath.empty() && isResponseCompressed() && m_shouldWaitToInflateCompressedResponses && !m_rawResponseData.empty())
        fileError = inflateResponseKeptInMemory();

    closeDownloadFiles();
    // The destination changes only at the end of the answer that ends the
    // request, never for one that stands for another (a redirect, a
    // challenge); a partial download that may resume waits for the next.
    const bool endsRequest = !m_needsRedirect && m_authenticationNeeded == 0 && !m_didUseCachedResponse;
    if (endsRequest && !m_downloadDestinationPath.empty()) {
        if (fileError)
            discardDownloadFiles();
        else if (!m_temporaryFileDownloadPath.empty())
            fileError = moveDownloadIntoPlace();
        else
            fileError = placeEmptyDownload();
    }
    m_dataDecompressor = nullptr;

    if (auto cache = m_downloadCache.lock(); cache && !m_didUseCachedResponse && !fileError)
        cache->storeResponseForRequest(*this, m_secondsToCache);

    {
        std::lock_guard lock(state.connectionsLock);
        if (!m_connectionCanBeReused)
            unscheduleReadStream();
        if (m_connectionInfo) {
            m_connectionInfo->request.reset();
            m_connectionInfo->expires = VirtualClock::now() + m_persistentConnectionTimeoutSeconds;
        }
    }
    if (m_authenticationNeeded == 0)
        destroyReadStream();

    if (!m_needsRedirect && m_authenticationNeeded == 0 && !m_didUseCachedResponse) {
        // Reading the reply may start the request again on a new connection:
        // that attempt finishes the request, not this one.
        const int attempt = m_retryCount;
        if (fileError)
            failWithError(fileError);
        else
            requestFinished();
        if (m_retryCount == attempt)
            markAsFinished();
    }
}

} // namespace qv
