// Progress: bytes sent and received, the sizes expected, and indicators
// showing a fraction. Every receiver is told on the main thread, and only
// while it and the request are still there. Across the attempts of one
// request (redirects, retries) progress never goes backwards: only what
// goes beyond what was told before is told.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"

namespace qv {

namespace {

using ProgressCall = void (QNProgressDelegate::*)(QNHTTPRequest&, long long);

} // namespace

void QNHTTPRequest::tellProgress(bool download, long long amount, bool isSizeChange)
{
    if (amount == 0)
        return;
    WeakPtr<QNHTTPRequest> weakThis(*this);
    const unsigned long long total = download ? m_contentLength + m_partialDownloadSize : m_postLength;
    performOnMainThread([weakThis, download, amount, isSizeChange, total] {
        auto request = weakThis.lock();
        if (!request)
            return;
        ProgressCall call = isSizeChange ? (download ? &QNProgressDelegate::requestIncrementDownloadSizeBy : &QNProgressDelegate::requestIncrementUploadSizeBy)
                                         : (download ? &QNProgressDelegate::requestDidReceiveBytes : &QNProgressDelegate::requestDidSendBytes);
        if (auto queue = request->queue())
            (static_cast<QNProgressDelegate&>(*queue).*call)(*request, amount);
        if (auto receiver = (download ? request->m_downloadProgressDelegate : request->m_uploadProgressDelegate).lock())
            ((*receiver).*call)(*request, amount);
        if (isSizeChange) {
            if (auto block = request->blockOf(download ? &Blocks::downloadSizeIncremented : &Blocks::uploadSizeIncremented))
                block(amount);
        } else if (auto block = request->blockOf(download ? &Blocks::bytesReceived : &Blocks::bytesSent)) {
            block(static_cast<unsigned long long>(amount), total);
        }
    });
}

void QNHTTPRequest::updateProgressIndicator(const WeakPtr<QNProgressDelegate>& indicator, unsigned long long progress, unsigned long long total)
{
    if (!indicator)
        return;
    // A total of 0 shows 0, and no fraction passes 1.
    const float fraction = total == 0 ? 0.0f : static_cast<float>(static_cast<double>(std::min(progress, total)) / static_cast<double>(total));
    std::lock_guard lock(QNHTTPRequestClassState::shared().progressLock);
    WeakPtr<QNProgressDelegate> weakIndicator = indicator;
    performOnMainThread([weakIndicator, fraction] {
        if (auto receiver = weakIndicator.lock(); receiver && receiver->respondsToSetProgress())
            receiver->setProgress(fraction);
    });
}

void QNHTTPRequest::incrementDownloadSizeBy(long long amount)
{
    tellProgress(true, amount, true);
}

void QNHTTPRequest::incrementUploadSizeBy(long long amount)
{
    tellProgress(false, amount, true);
}

void QNHTTPRequest::announceDownloadSize(unsigned long long size)
{
    // Announced once per request: a later attempt announces only a change.
    incrementDownloadSizeBy(static_cast<long long>(size) - static_cast<long long>(m_announcedDownloadSize));
    m_announcedDownloadSize = size;
}

void QNHTTPRequest::announceUploadSize(unsigned long long size)
{
    incrementUploadSizeBy(static_cast<long long>(size) - static_cast<long long>(m_announcedUploadSize));
    m_announcedUploadSize = size;
}

void QNHTTPRequest::resetProgressForAttempt()
{
    if (m_mainRequest.lock() && requestMethod() == "HEAD")
        return;
    if (m_shouldResetUploadProgress) {
        announceUploadSize(m_showAccurateProgress ? m_postLength : 1);
        updateProgressIndicator(m_uploadProgressDelegate, 0, 1);
    }
    if (m_shouldResetDownloadProgress && !m_partialDownloadSize)
        updateProgressIndicator(m_downloadProgressDelegate, 0, 1);
}

void QNHTTPRequest::updateProgressIndicators()
{
    if (m_mainRequest.lock())
        return;
    // Without accurate progress, each direction tells its unit once, at
    // the end.
    if (!m_showAccurateProgress && !(m_complete && !(m_updatedUploadProgress && m_updatedDownloadProgress)))
        return;
    updateUploadProgress();
    updateDownloadProgress();
}

void QNHTTPRequest::updateUploadProgress()
{
    if (isCancelled())
        return;
    if (!m_showAccurateProgress) {
        // Every request stands for one unit each way, one without a body
        // too: told once, at the end.
        if (!m_updatedUploadProgress) {
            m_updatedUploadProgress = true;
            tellProgress(false, 1, false);
            updateProgressIndicator(m_uploadProgressDelegate, 1, 1);
        }
        return;
    }
    if (m_totalBytesSent == 0)
        return;
    // The first count short of the whole body stands for the send buffer.
    if (m_uploadBufferSize == 0 && m_totalBytesSent != m_postLength) {
        m_uploadBufferSize = m_totalBytesSent;
        announceUploadSize(m_announcedUploadSize - std::min(m_announcedUploadSize, m_uploadBufferSize));
    }
    if (m_totalBytesSent < m_postLength && m_lastBytesSent == 0 && m_uploadProgressReported == 0) {
        // The send buffer's first fill is not progress.
        m_uploadProgressReported = m_totalBytesSent;
        return;
    }
    // Only what goes beyond what was told: never backwards.
    if (m_totalBytesSent <= m_uploadProgressReported)
        return;
    const long long amount = static_cast<long long>(m_totalBytesSent - m_uploadProgressReported);
    m_uploadProgressReported = m_totalBytesSent;
    tellProgress(false, amount, false);
    const unsigned long long buffer = std::min(m_uploadBufferSize, m_postLength);
    updateProgressIndicator(m_uploadProgressDelegate, m_totalBytesSent - std::min(m_totalBytesSent, buffer), m_postLength - buffer);
}

void QNHTTPRequest::updateDownloadProgress()
{
    if (!m_responseHeaders || m_needsRedirect || (m_contentLength == 0 && !m_complete))
        return;
    const unsigned long long received = m_totalBytesRead + m_partialDownloadSize;
    long long amount = 0;
    if (m_showAccurateProgress && m_contentLength) {
        const unsigned long long told = std::max(m_lastBytesRead, m_downloadProgressReported);
        if (received <= told)
            return;
        amount = static_cast<long long>(received - told);
        m_downloadProgressReported = received;
    } else {
        if (m_updatedDownloadProgress && !m_showAccurateProgress)
            return;
        amount = 1;
        m_updatedDownloadProgress = true;
    }
    tellProgress(true, amount, false);
    updateProgressIndicator(m_downloadProgressDelegate, received, m_contentLength + m_partialDownloadSize);
    m_lastBytesRead = received;
}

} // namespace qv
