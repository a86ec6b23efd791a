#include "LockQueueProgress.h"

#include <algorithm>

namespace qv {

LockQueueProgress::LockQueueProgress(std::chrono::steady_clock::duration longestWait)
    : m_longestWait(longestWait)
    , m_lastMove(Clock::now())
    , m_firstAheadSince(m_lastMove)
{
}

void LockQueueProgress::observe(uint64_t handOvers, std::optional<uint64_t> firstAhead)
{
    const Clock::time_point now = Clock::now();
    if (m_handOvers && *m_handOvers != handOvers)
        m_lastMove = now;
    m_handOvers = handOvers;
    if (firstAhead != m_firstAhead)
        m_firstAheadSince = now;
    m_firstAhead = firstAhead;
}

bool LockQueueProgress::hasStoodStillTooLong() const
{
    return Clock::now() - m_lastMove >= m_longestWait;
}

bool LockQueueProgress::firstAheadHasStalled() const
{
    return m_firstAhead && Clock::now() - m_firstAheadSince >= stallTime();
}

std::chrono::nanoseconds LockQueueProgress::lookInterval() const
{
    // Often enough to notice a stall, and the end of the longest wait, in
    // good time; seldom enough that many waiters cost next to nothing.
    return std::clamp(std::chrono::duration_cast<std::chrono::nanoseconds>(stallTime() / 8),
        std::chrono::nanoseconds(std::chrono::milliseconds(1)), std::chrono::nanoseconds(std::chrono::milliseconds(50)));
}

} // namespace qv
