#pragma once

#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSObject.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qv {

enum NSStreamStatus : NSUInteger {
    NSStreamStatusNotOpen = 0,
    NSStreamStatusOpening = 1,
    NSStreamStatusOpen = 2,
    NSStreamStatusReading = 3,
    NSStreamStatusWriting = 4,
    NSStreamStatusAtEnd = 5,
    NSStreamStatusClosed = 6,
    NSStreamStatusError = 7,
};

// A stream of bytes that is opened, used and closed; its error, when it
// failed, says why. It goes to memory, or to a file on the device, which
// it holds open from open() to close().
class NSStream : public NSObject {
public:
    virtual void open() = 0;
    virtual void close();
    NSStreamStatus streamStatus() const;
    RefPtr<NSError> streamError() const;
    std::string className() const override { return "NSStream"; }
    ~NSStream() override;

protected:
    NSStream() = default;
    // Makes the stream one over the file at the device path.
    void setFile(const std::string& devicePath);
    // Opens a stream that was never opened; a file stream opens its file
    // with the flags given.
    void openWithFileFlags(int flags);
    bool isFile() const { return m_isFile; }
    // The open file; -1 while none is open.
    int file() const { return m_file; }
    void setStatus(NSStreamStatus status);
    // The stream failed with the error number, on its file.
    void failWithErrno(int number);

    mutable std::mutex m_lock;
    NSStreamStatus m_status = NSStreamStatusNotOpen;
    RefPtr<NSError> m_error;

private:
    std::string m_path;
    bool m_isFile = false;
    int m_file = -1;
};

// Bytes read from memory or from a file on the device. A read answers the
// count, 0 at the end, -1 on an error.
class NSInputStream : public NSStream {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSInputStream> inputStreamWithData(std::vector<uint8_t> bytes);
    static Ref<NSInputStream> inputStreamWithFileAtPath(const std::string& devicePath);

    void open() override;
    virtual long read(uint8_t* buffer, NSUInteger length);
    bool hasBytesAvailable() const;
    std::string className() const override { return "NSInputStream"; }

protected:
    NSInputStream() = default;

private:
    std::vector<uint8_t> m_bytes;
    size_t m_offset = 0;
};

// Bytes written to memory or to a file on the device (replacing it, or
// appended to it). A write answers the count, or -1 on an error.
class NSOutputStream : public NSStream {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSOutputStream> outputStreamToMemory();
    static Ref<NSOutputStream> outputStreamToFileAtPath(const std::string& devicePath, bool append);

    void open() override;
    long write(const uint8_t* buffer, NSUInteger length);
    // What a memory stream holds.
    std::vector<uint8_t> writtenBytes() const;
    std::string className() const override { return "NSOutputStream"; }

private:
    NSOutputStream() = default;
    std::vector<uint8_t> m_bytes;
    bool m_append = false;
};

} // namespace qv
