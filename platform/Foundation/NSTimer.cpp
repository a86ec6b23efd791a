#include "NSTimer.h"

#include "NSRunLoop.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {
// A repeating timer with no interval would fire without end; the device
// treats it as a tenth of a millisecond.
constexpr NSTimeInterval minimumRepeatInterval = 0.0001;

// An interval that is not a number counts as none.
NSTimeInterval usableInterval(NSTimeInterval interval, bool repeats)
{
    if (std::isnan(interval))
        interval = 0;
    return repeats ? std::max(interval, minimumRepeatInterval) : std::max(interval, 0.0);
}

// The first date on the schedule `date` + k * `interval` (k whole) that is
// later than `now`, for a date not later than now. Taken from the part of
// an interval left over past the last firing missed, which fmod gives
// exactly: however far back the date lies, no firing is stepped through
// one by one, and the sum cannot lose the schedule to rounding.
NSTimeInterval nextDateAfter(NSTimeInterval now, NSTimeInterval date, NSTimeInterval interval)
{
    NSTimeInterval intoInterval = std::fmod(now - date, interval);
    NSTimeInterval next = now + (interval - intoInterval);
    if (!std::isfinite(next))
        return now + interval;
    // An interval finer than the clock's resolution at this date.
    return next > now ? next : now + interval;
}
}

NSTimer::NSTimer(NSTimeInterval interval, Action action, bool repeats)
    : m_interval(usableInterval(interval, repeats))
    , m_fireDate(VirtualClock::now() + m_interval)
    , m_repeats(repeats)
    , m_action(std::make_shared<Action>(std::move(action)))
{
}

Ref<NSTimer> NSTimer::timerWithTimeInterval(NSTimeInterval interval, Action action, bool repeats)
{
    return makeRef<NSTimer>(interval, std::move(action), repeats);
}

Ref<NSTimer> NSTimer::scheduledTimerWithTimeInterval(NSTimeInterval interval, Action action, bool repeats)
{
    Ref<NSTimer> timer = timerWithTimeInterval(interval, std::move(action), repeats);
    NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
    return timer;
}

void NSTimer::fire()
{
    std::shared_ptr<Action> action;
    {
        std::lock_guard guard(m_lock);
        if (!m_valid)
            return;
        action = m_action;
    }
    runAction(action);
}

void NSTimer::runAction(const std::shared_ptr<Action>& action)
{
    Ref<NSTimer> protect(*this);
    if (action && *action)
        (*action)(*this);
    if (!m_repeats)
        invalidate();
}

void NSTimer::invalidate()
{
    std::shared_ptr<Action> released;
    {
        std::lock_guard guard(m_lock);
        if (!m_valid)
            return;
        m_valid = false;
        released = std::move(m_action);
    }
    // Let go of the target outside the lock: its destructor may do anything.
    released.reset();
    tellRunLoop();
}

bool NSTimer::isValid() const
{
    std::lock_guard guard(m_lock);
    return m_valid;
}

NSTimeInterval NSTimer::fireDate() const
{
    std::lock_guard guard(m_lock);
    return m_fireDate;
}

void NSTimer::setFireDate(NSTimeInterval date)
{
    // Dates are finite: an infinite one stands for the distant future or
    // past (never, or at once), and a date that is not a number is
    // refused, leaving the timer's date as it was.
    if (std::isnan(date))
        return;
    if (std::isinf(date))
        date = date > 0 ? VirtualClock::distantFuture : -VirtualClock::distantFuture;
    {
        std::lock_guard guard(m_lock);
        m_fireDate = date;
    }
    tellRunLoop();
}

NSTimeInterval NSTimer::timeInterval() const
{
    return m_repeats ? m_interval : 0.0;
}

bool NSTimer::attachToRunLoop(NSRunLoop& runLoop, uint64_t sequence)
{
    std::lock_guard guard(m_lock);
    if (m_sequence)
        return m_runLoop.unsafeGet() == &runLoop;
    m_runLoop = runLoop;
    m_sequence = sequence;
    return true;
}

uint64_t NSTimer::sequence() const
{
    std::lock_guard guard(m_lock);
    return m_sequence;
}

bool NSTimer::fireIfDue(NSTimeInterval now)
{
    std::shared_ptr<Action> action;
    {
        std::lock_guard guard(m_lock);
        if (!m_valid || m_fireDate > now)
            return false;
        action = m_action;
        // The next firing after now on the timer's own schedule: missed
        // firings are dropped, not made up.
        if (m_repeats)
            m_fireDate = nextDateAfter(now, m_fireDate, m_interval);
    }
    runAction(action);
    return true;
}

void NSTimer::tellRunLoop()
{
    RefPtr<NSRunLoop> runLoop;
    {
        std::lock_guard guard(m_lock);
        runLoop = m_runLoop.lock();
    }
    if (runLoop)
        runLoop->timerDidChange(*this);
}

} // namespace qv
