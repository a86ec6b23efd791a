#include "http/QNPACFileReader.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/Foundation/TextEncoding.h"
#include "platform/core/WeakPtr.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qv {

namespace {

// A local script larger than this is no script.
constexpr size_t scriptSizeLimit = 1u << 20;

// The descriptor closes with the scope, whatever way the read ends.
class ScopedFile {
public:
    explicit ScopedFile(int descriptor) : m_descriptor(descriptor) {}
    ~ScopedFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    int get() const { return m_descriptor; }

private:
    const int m_descriptor;
};

// Waits until the file has bytes (or its end) to read, at most until the
// deadline.
bool waitForBytes(int file, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wanted { file, POLLIN, 0 };
        const int ready = ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left.count() + 1, 60000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// The whole file's bytes, read within the time; none when it cannot be
// read, is too large or does not end in time. Opened without blocking, so
// that a FIFO waits for no writer, and a FIFO's writer that never finishes
// keeps this thread no longer than the time.
std::optional<std::string> readFileWithin(const std::string& devicePath, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    const auto hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath)
        return std::nullopt;
    const ScopedFile file(::open(hostPath->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const long count = ::read(file.get(), buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, static_cast<size_t>(count));
            if (bytes.size() > scriptSizeLimit)
                return std::nullopt;
        } else if (count == 0) {
            return bytes;
        } else if (errno != EINTR && (errno != EAGAIN || !waitForBytes(file.get(), deadline))) {
            return std::nullopt;
        }
    }
}

} // namespace

Ref<QNPACFileReader> QNPACFileReader::readScriptAtPath(const std::string& devicePath, double timeOutSeconds,
    const std::string& runLoopMode, Completion completion)
{
    auto reader = makeRef<QNPACFileReader>(std::move(completion));
    auto runLoop = NSRunLoop::currentRunLoop();
    reader->startTimer(timeOutSeconds, runLoop, runLoopMode);
    reader->startReading(devicePath, timeOutSeconds, runLoop, runLoopMode);
    return reader;
}

void QNPACFileReader::startReading(const std::string& devicePath, double timeOutSeconds, NSRunLoop& runLoop,
    const std::string& mode)
{
    NSThread::create([self = Ref<QNPACFileReader>(*this), devicePath, timeOutSeconds, runLoop = Ref<NSRunLoop>(runLoop), mode] {
        auto bytes = readFileWithin(devicePath, timeOutSeconds);
        std::optional<std::string> script;
        // UTF-8, or else Latin-1.
        if (bytes)
            script = isValidUTF8(*bytes) ? std::move(*bytes) : UTF8FromLatin1(*bytes);
        runLoop->performInModes({ mode }, [self, script = std::move(script)] { self->finish(script); });
    })->start();
}

void QNPACFileReader::startTimer(double timeOutSeconds, NSRunLoop& runLoop, const std::string& mode)
{
    // A script not read in time is given up: the request goes without a
    // proxy.
    WeakPtr<QNPACFileReader> weakThis(*this);
    auto timer = NSTimer::timerWithTimeInterval(timeOutSeconds, [weakThis](NSTimer&) {
        if (auto reader = weakThis.lock())
            reader->finish(std::nullopt);
    }, false);
    {
        std::lock_guard lock(m_lock);
        m_timeOutTimer = timer;
    }
    runLoop.addTimer(timer, mode);
}

QNPACFileReader::Completion QNPACFileReader::stop()
{
    Completion completion;
    RefPtr<NSTimer> timer;
    {
        std::lock_guard lock(m_lock);
        completion = std::exchange(m_completion, nullptr);
        timer = std::exchange(m_timeOutTimer, nullptr);
    }
    if (timer)
        timer->invalidate();
    return completion;
}

void QNPACFileReader::finish(const std::optional<std::string>& script)
{
    if (auto completion = stop())
        completion(script);
}

void QNPACFileReader::cancel()
{
    stop();
}

} // namespace qv
