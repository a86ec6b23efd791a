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

void NSStream::failWithErrno(int number)
{
    std::lock_guard lock(m_lock);
    m_status = NSStreamStatusError;
    m_error = NSError::create(NSPOSIXErrorDomain, number, std::string(std::strerror(number)) + ": " + m_path);
}

NSStream::~NSStream()
{
    if (m_file >= 0)
        ::close(m_file);
}

void NSStream::setFile(const std::string& devicePath)
{
    m_path = devicePath;
    m_isFile = true;
}

void NSStream::openWithFileFlags(int flags)
{
    if (streamStatus() != NSStreamStatusNotOpen)
        return;
    if (m_isFile) {
        auto hostPath = DeviceRoot::resolve(m_path);
        if (!hostPath) {
            failWithErrno(EACCES);
            return;
        }
        m_file = ::open(hostPath->c_str(), flags | O_CLOEXEC, 0644);
        if (m_file < 0) {
            failWithErrno(errno);
            return;
        }
    }
    setStatus(NSStreamStatusOpen);
}

void NSStream::close()
{
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
    setStatus(NSStreamStatusClosed);
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
    stream->setFile(devicePath);
    return stream;
}

void NSInputStream::open()
{
    openWithFileFlags(O_RDONLY);
}

long NSInputStream::read(uint8_t* buffer, NSUInteger length)
{
    const auto status = streamStatus();
    if (status == NSStreamStatusAtEnd)
        return 0;
    if (status != NSStreamStatusOpen)
        return -1;
    long count = 0;
    if (isFile()) {
        do {
            count = ::read(file(), buffer, length);
        } while (count < 0 && errno == EINTR);
        if (count < 0) {
            failWithErrno(errno);
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
    return isFile() || m_offset < m_bytes.size();
}

Ref<NSOutputStream> NSOutputStream::outputStreamToMemory()
{
    return makeRef<NSOutputStream>();
}

Ref<NSOutputStream> NSOutputStream::outputStreamToFileAtPath(const std::string& devicePath, bool append)
{
    auto stream = makeRef<NSOutputStream>();
    stream->setFile(devicePath);
    stream->m_append = append;
    return stream;
}

void NSOutputStream::open()
{
    openWithFileFlags(O_WRONLY | O_CREAT | (m_append ? O_APPEND : O_TRUNC));
}

long NSOutputStream::write(const uint8_t* buffer, NSUInteger length)
{
    if (streamStatus() != NSStreamStatusOpen)
        return -1;
    if (!isFile()) {
        m_bytes.insert(m_bytes.end(), buffer, buffer + length);
        return static_cast<long>(length);
    }
    size_t written = 0;
    while (written < length) {
        const ssize_t count = ::write(file(), buffer + written, length - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            failWithErrno(errno);
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
