#pragma once

#include <chrono>
#include <csignal>
#include <ctime>

namespace qv {

// Bounds this thread's blocking lock calls (fcntl's F_OFD_SETLKW, flock),
// so that a lock can be waited for in the kernel, which wakes a waiter the
// moment the lock is let go, and still not for ever: from the deadline on,
// a signal whose handler does nothing reaches this thread every
// millisecond, and the call returns with EINTR. The repeats catch a signal
// that came just before the call began.
class LockWaitAlarm {
public:
    explicit LockWaitAlarm(std::chrono::steady_clock::time_point deadline);
    ~LockWaitAlarm();
    LockWaitAlarm(const LockWaitAlarm&) = delete;
    LockWaitAlarm& operator=(const LockWaitAlarm&) = delete;

    // False when no alarm could be set; a blocking call must not be made then.
    bool isArmed() const { return m_armed; }
    bool deadlineHasPassed() const { return std::chrono::steady_clock::now() >= m_deadline; }

private:
    const std::chrono::steady_clock::time_point m_deadline;
    timer_t m_timer {};
    sigset_t m_previousMask {};
    bool m_armed = false;
};

} // namespace qv
