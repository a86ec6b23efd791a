#pragma once

#include "LockQueueProgress.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace qv {

// Holds a preference domain's lock file locked for as long as it lives.
// Waiters are served first come, first served: a process that keeps asking
// cannot overtake one that waits. A waiter gives up only when the queue
// has not moved for the longest wait (see LockQueueProgress), and one whose
// process does not run is passed over.
//
// The lock that excludes is the whole file's flock, the lock that
// processes of earlier versions take (and only that lock), so that they
// and this one exclude each other still. The queue only orders who takes
// it, with byte-range locks that belong to the open file (so that threads
// of one process queue as processes do) and that the kernel lets go when
// their holder ends, killed or not:
// - the first 8 bytes hold the next ticket, taken and counted up under a
//   lock of byte 0; the next 8 count the times the lock changed hands,
//   which every holder counts up once it has the flock;
// - a waiter holds the byte of its ticket (past the first 8) from taking
//   it to letting go, and waits in the kernel for every earlier ticket's
//   byte to be let go, but for those it passed over;
// - first in turn, it then takes the flock.
// A waiter that gives up lets go of its ticket; those behind it move up.
// After the highest ticket the count goes round to 0, and ticket 0 is
// given out only once none of the tickets before it is in line any more.
class PreferencesFileLock {
public:
    PreferencesFileLock(const std::filesystem::path& path, std::chrono::duration<double> longestWait);
    ~PreferencesFileLock();
    PreferencesFileLock(const PreferencesFileLock&) = delete;
    PreferencesFileLock& operator=(const PreferencesFileLock&) = delete;

    bool isLocked() const { return m_fd >= 0; }
    // Why the lock is not held: the queue stood still too long, or else
    // the system's error.
    bool timedOut() const { return m_timedOut; }
    int error() const { return m_error; }

private:
    bool takeTicket();
    bool waitForEarlierTickets(uint64_t end);
    bool lockWholeFile();
    void countHandOver();
    // Makes the blocking call until it succeeds, looking at the queue each
    // time the alarm interrupts it; false when the call fails otherwise or
    // the queue stands still too long. Given `ticketsBefore`, watches the
    // tickets this waiter waits for, and passes a stalled one over.
    bool waitFor(const std::function<int()>& blockingCall, std::optional<uint64_t> ticketsBefore);
    void lookAtQueue(std::optional<uint64_t> ticketsBefore);
    std::optional<uint64_t> firstTicketInLine(uint64_t from, uint64_t end) const;
    bool wholeFileIsFree() const;
    std::optional<uint64_t> readCount(off_t offset) const;
    int setLock(int command, short type, uint64_t start, uint64_t length) const;
    bool fail();

    int m_fd;
    LockQueueProgress m_progress;
    uint64_t m_ticket = 0;
    // Earlier tickets below it were passed over.
    uint64_t m_firstWaitedFor = 0;
    bool m_timedOut = false;
    int m_error = 0;
};

} // namespace qv
