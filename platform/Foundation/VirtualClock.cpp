#include "VirtualClock.h"

#include "NSRunLoop.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

namespace qv {

namespace {

// Seconds from the Unix epoch to the reference date, 1 January 2001 UTC.
constexpr NSTimeInterval referenceDateSinceUnixEpoch = 978307200.0;

std::mutex clockLock;
std::optional<NSTimeInterval> installedTime;
// Whether a clock is installed, read without the lock: the real time is
// read many times a request.
std::atomic<bool> clockInstalled = false;

// Runs everything that is due now, pass after pass, without waiting.
void runDueWork(NSRunLoop& runLoop, const std::string& mode)
{
    while (runLoop.runMode(mode, VirtualClock::now())) { }
}

} // namespace

NSTimeInterval VirtualClock::realNow()
{
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - referenceDateSinceUnixEpoch;
}

NSTimeInterval VirtualClock::now()
{
    // Set and cleared with the time, under the lock.
    if (!clockInstalled.load(std::memory_order_acquire))
        return realNow();
    {
        std::lock_guard guard(clockLock);
        if (installedTime)
            return *installedTime;
    }
    return realNow();
}

bool VirtualClock::isInstalled()
{
    std::lock_guard guard(clockLock);
    return installedTime.has_value();
}

VirtualClock::VirtualClock(NSTimeInterval start)
{
    {
        std::lock_guard guard(clockLock);
        if (installedTime)
            logLine("VirtualClock: a virtual clock is already installed; the new one replaces it");
        installedTime = start;
        clockInstalled = true;
    }
    NSRunLoop::wakeUpAll();
}

VirtualClock::~VirtualClock()
{
    {
        std::lock_guard guard(clockLock);
        installedTime.reset();
        clockInstalled = false;
    }
    NSRunLoop::wakeUpAll();
}

NSTimeInterval VirtualClock::time() const
{
    return now();
}

void VirtualClock::setTime(NSTimeInterval time)
{
    {
        std::lock_guard guard(clockLock);
        installedTime = time;
        clockInstalled = true;
    }
    NSRunLoop::wakeUpAll();
}

void VirtualClock::advance(NSTimeInterval seconds)
{
    advance(seconds, NSDefaultRunLoopMode);
}

void VirtualClock::advance(NSTimeInterval seconds, const std::string& mode)
{
    NSTimeInterval target = time() + std::max(seconds, 0.0);
    Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
    // Step from one due time to the next, so that each timer fires at its
    // own time and sees the clock there, and what it schedules within the
    // span fires within it too.
    while (true) {
        runDueWork(runLoop, mode);
        std::optional<NSTimeInterval> next = runLoop->nextFireDate(mode);
        if (!next || *next > target)
            break;
        setTime(std::max(*next, time()));
    }
    setTime(target);
    runDueWork(runLoop, mode);
}

} // namespace qv
