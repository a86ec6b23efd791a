#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace qv {

class LockWaitAlarm;

// Holds a preference domain's lock file locked for as long as it lives.
// Waiters are served first come, first served, each for a bounded time: a
// process that keeps asking cannot overtake one that waits, and a stopped
// or hung holder does not hang every other process.
//
// The turn is kept in the file itself, with byte-range locks that belong
// to the open file (so that threads of one process queue as processes do)
// and that the kernel lets go when their holder ends, killed or not:
// - the first 8 bytes hold the next ticket, taken and counted up under a
//   lock of byte 0;
// - a waiter holds the byte of its ticket (past the first 8) from taking
//   it to letting go, and waits in the kernel for every earlier ticket's
//   byte to be let go;
// - first in turn, it then also takes the whole file's flock, the lock
//   that processes of earlier versions take (and only that lock), so that
//   they and this one exclude each other still.
// A waiter that gives up lets go of its ticket; those behind it move up.
class PreferencesFileLock {
public:
    PreferencesFileLock(const std::filesystem::path& path, std::chrono::duration<double> longestWait);
    ~PreferencesFileLock();
    PreferencesFileLock(const PreferencesFileLock&) = delete;
    PreferencesFileLock& operator=(const PreferencesFileLock&) = delete;

    bool isLocked() const { return m_fd >= 0; }
    // Why the lock is not held: the wait ran out, or else the system's error.
    bool timedOut() const { return m_timedOut; }
    int error() const { return m_error; }

private:
    bool takeTicket(const LockWaitAlarm& alarm, uint64_t& ticket);
    bool lockBytes(short type, uint64_t start, uint64_t length, const LockWaitAlarm* alarm);
    bool lockWholeFile(const LockWaitAlarm& alarm);
    // Makes the call again when the alarm interrupts it before the deadline.
    bool waitUntil(const LockWaitAlarm& alarm, const std::function<int()>& blockingCall);
    bool fail();

    int m_fd;
    bool m_timedOut = false;
    int m_error = 0;
};

} // namespace qv
