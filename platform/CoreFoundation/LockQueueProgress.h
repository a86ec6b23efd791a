#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace qv {

// What a waiter in the preferences lock's queue has seen of it move.
//
// The queue moves when the lock changes hands. A waiter gives up only once
// it has not moved for the longest wait: a long queue of short holders is
// waited through however long it is, while a holder that is stopped or
// hung still fails every waiter in time.
//
// The waiter also watches the ticket first in line ahead of it. One that
// has stood still for a fifth of the longest wait while nobody holds the
// lock is a process that does not run (stopped, or hung) and is passed
// over, so that it does not keep the others out.
class LockQueueProgress {
public:
    explicit LockQueueProgress(std::chrono::steady_clock::duration longestWait);

    // What the waiter sees now: how often the lock has changed hands, and
    // the ticket first in line ahead of it, if any.
    void observe(uint64_t handOvers, std::optional<uint64_t> firstAhead);
    bool hasStoodStillTooLong() const;
    bool firstAheadHasStalled() const;
    // How often the waiter looks.
    std::chrono::nanoseconds lookInterval() const;

private:
    using Clock = std::chrono::steady_clock;

    Clock::duration stallTime() const { return m_longestWait / 5; }

    const Clock::duration m_longestWait;
    Clock::time_point m_lastMove;
    std::optional<uint64_t> m_handOvers;
    std::optional<uint64_t> m_firstAhead;
    Clock::time_point m_firstAheadSince;
};

} // namespace qv
