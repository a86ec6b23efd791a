#pragma once

#include <chrono>
#include <csignal>
#include <ctime>

namespace qv {

// Interrupts this thread's blocking lock calls (fcntl's F_OFD_SETLKW,
// flock) at every interval, so that a lock can be waited for in the
// kernel, which wakes a waiter the moment the lock is let go, and the
// waiter still looks around between its tries: a signal whose handler does
// nothing reaches this thread, and the call returns with EINTR. A signal
// that came just before the call began is made up for by the next one.
class LockWaitAlarm {
public:
    explicit LockWaitAlarm(std::chrono::nanoseconds interval);
    ~LockWaitAlarm();
    LockWaitAlarm(const LockWaitAlarm&) = delete;
    LockWaitAlarm& operator=(const LockWaitAlarm&) = delete;

    // False when no alarm could be set; a blocking call must not be made then.
    bool isArmed() const { return m_armed; }

private:
    timer_t m_timer {};
    sigset_t m_previousMask {};
    bool m_armed = false;
};

} // namespace qv
