#include "NSStream.h"

#include "DeviceRoot.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qv {

NSStreamStatus NSStream::streamStatus() const
{
    std::lock_guard lock(m_lock);
    return m_status;
}

RefPtr<NSError> NSStream::streamError() const
{
    std::lock_guard lock(m_lock);
    return m_error;
}

void NSStream::setStatus(NSStreamStatus status)
{
    std::lock_guard lock(m_lock);
    m_status = status;
}

void NSStream::failWithErrno(int number, const std::string& path)
{
    std::lock_guard lock(m_lock);
    m_status = NSStreamStatusError;
    m_error = NSError::create(NSPOSIXErrorDomain, number, std::string(std::strerror(number)) + ": " + path);
}

Ref<NSInputStream> NSInputStream::inputStreamWithData(std::vector<uint8_t> bytes)
{
    auto stream = makeRef<NSInputStream>();
    stream->m_bytes = std::move(bytes);
    return stream;
}

Ref<NSInputStream> NSInputStream::inputStreamWithFileAtPath(const std::string& devicePath)
{
    auto stream = makeRef<NSInputStream>();
    stream->m_path = devicePath;
    stream->m_isFile = true;
    return stream;
}

NSInputStream::~NSInputStream()
{
    if (m_file >= 0)
        ::close(m_file);
}

void NSInputStream::open()
{
    if (streamStatus() != NSStreamStatusNotOpen)
        return;
    if (m_isFile) {
        auto hostPath = DeviceRoot::resolve(m_path);
        if (!hostPath) {
            failWithErrno(EACCES, m_path);
            return;
        }
        m_file = ::open(hostPath->c_str(), O_RDONLY | O_CLOEXEC);
        if (m_file < 0) {
            failWithErrno(errno, m_path);
            return;
        }
    }
    setStatus(NSStreamStatusOpen);
}

void NSInputStream::close()
{
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
    setStatus(NSStreamStatusClosed);
}

long NSInputStream::read(uint8_t* buffer, NSUInteger length)
{
    const auto status = streamStatus();
    if (status == NSStreamStatusAtEnd)
        return 0;
    if (status != NSStreamStatusOpen)
        return -1;
    long count = 0;
    if (m_isFile) {
        do {
            count = ::read(m_file, buffer, length);
        } while (count < 0 && errno == EINTR);
        if (count < 0) {
            failWithErrno(errno, m_path);
            return -1;
        }
    } else {
        count = static_cast<long>(std::min<size_t>(length, m_bytes.size() - m_offset));
        std::memcpy(buffer, m_bytes.data() + m_offset, static_cast<size_t>(count));
        m_offset += static_cast<size_t>(count);
    }
    if (count == 0)
        setStatus(NSStreamStatusAtEnd);
    return count;
}

bool NSInputStream::hasBytesAvailable() const
{
    const auto status = streamStatus();
    if (status != NSStreamStatusOpen)
        return false;
    return m_isFile || m_offset < m_bytes.size();
}

Ref<NSOutputStream> NSOutputStream::outputStreamToMemory()
{
    return makeRef<NSOutputStream>();
}

Ref<NSOutputStream> NSOutputStream::outputStreamToFileAtPath(const std::string& devicePath, bool append)
{
    auto stream = makeRef<NSOutputStream>();
    stream->m_path = devicePath;
    stream->m_isFile = true;
    stream->m_append = append;
    return stream;
}

NSOutputStream::~NSOutputStream()
{
    if (m_file >= 0)
        ::close(m_file);
}

void NSOutputStream::open()
{
    if (streamStatus() != NSStreamStatusNotOpen)
        return;
    if (m_isFile) {
        auto hostPath = DeviceRoot::resolve(m_path);
        if (!hostPath) {
            failWithErrno(EACCES, m_path);
            return;
        }
        m_file = ::open(hostPath->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (m_append ? O_APPEND : O_TRUNC), 0644);
        if (m_file < 0) {
            failWithErrno(errno, m_path);
            return;
        }
    }
    setStatus(NSStreamStatusOpen);
}

void NSOutputStream::close()
{
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
    setStatus(NSStreamStatusClosed);
}

long NSOutputStream::write(const uint8_t* buffer, NSUInteger length)
{
    if (streamStatus() != NSStreamStatusOpen)
        return -1;
    if (!m_isFile) {
        m_bytes.insert(m_bytes.end(), buffer, buffer + length);
        return static_cast<long>(length);
    }
    size_t written = 0;
    while (written < length) {
        const ssize_t count = ::write(m_file, buffer + written, length - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            failWithErrno(errno, m_path);
            return -1;
        }
        written += static_cast<size_t>(count);
    }
    return static_cast<long>(written);
}

std::vector<uint8_t> NSOutputStream::writtenBytes() const
{
    return m_bytes;
}

} // namespace qv
