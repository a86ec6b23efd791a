#include "QNInputStream.h"

#include "http/QNHTTPRequest.h"

#include <algorithm>
#include <mutex>

namespace qv {

namespace {

// Taken before the throttle's own lock, never after it.
std::mutex& readLock()
{
    static std::mutex& lock = *new std::mutex;
    return lock;
}

} // namespace

Ref<QNInputStream> QNInputStream::inputStreamWithFileAtPath(const std::string& path, QNHTTPRequest& request)
{
    return makeRef<QNInputStream>(NSInputStream::inputStreamWithFileAtPath(path), request);
}

Ref<QNInputStream> QNInputStream::inputStreamWithData(std::vector<uint8_t> data, QNHTTPRequest& request)
{
    return makeRef<QNInputStream>(NSInputStream::inputStreamWithData(std::move(data)), request);
}

QNInputStream::QNInputStream(Ref<NSInputStream> stream, QNHTTPRequest& request)
    : m_stream(std::move(stream))
    , m_request(request)
    , m_runLoop(NSRunLoop::currentRunLoop())
    , m_runLoopMode(request.runLoopMode())
{
}

void QNInputStream::takeStatusOfWrappedStream()
{
    auto error = m_stream->streamError();
    std::lock_guard lock(m_lock);
    m_status = m_stream->streamStatus();
    m_error = error;
}

void QNInputStream::open()
{
    m_stream->open();
    takeStatusOfWrappedStream();
}

void QNInputStream::close()
{
    m_stream->close();
    takeStatusOfWrappedStream();
}

long QNInputStream::read(uint8_t* buffer, NSUInteger length)
{
    if (length == 0)
        return 0;
    NSUInteger toRead = length;
    {
        std::lock_guard lock(readLock());
        if (QNHTTPRequest::isBandwidthThrottled()) {
            toRead = std::clamp<NSUInteger>(QNHTTPRequest::maxUploadReadLength(), 1, length);
            askRequestToThrottle();
        }
    }
    const long count = m_stream->read(buffer, toRead);
    if (count > 0)
        QNHTTPRequest::incrementBandwidthUsedInLastSecond(static_cast<NSUInteger>(count));
    takeStatusOfWrappedStream();
    return count;
}

void QNInputStream::askRequestToThrottle()
{
    // The connection reads on a thread of its own: the request throttles
    // on its thread, once for any number of reads meanwhile.
    if (m_throttlingAsked.exchange(true))
        return;
    WeakPtr<QNInputStream> weakThis(*this);
    WeakPtr<QNHTTPRequest> request = m_request;
    m_runLoop->performInModes({ m_runLoopMode }, [weakThis, request] {
        if (auto stream = weakThis.lock())
            stream->m_throttlingAsked = false;
        if (auto held = request.lock())
            held->performThrottlingOnItsThread();
    });
}

} // namespace qv
