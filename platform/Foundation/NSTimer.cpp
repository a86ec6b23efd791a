#include "NSTimer.h"

#include "NSRunLoop.h"

#include <cmath>

namespace qv {

namespace {
// A repeating timer with no interval would fire without end; the device
// treats it as a tenth of a millisecond.
constexpr NSTimeInterval minimumRepeatInterval = 0.0001;
}

NSTimer::NSTimer(NSTimeInterval interval, Action action, bool repeats)
    : m_interval(repeats ? std::max(interval, minimumRepeatInterval) : std::max(interval, 0.0))
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
        if (m_repeats) {
            // The next firing after now on the timer's own schedule: missed
            // firings are dropped, not made up.
            double missed = std::floor((now - m_fireDate) / m_interval);
            m_fireDate += (missed + 1) * m_interval;
            while (m_fireDate <= now)
                m_fireDate += m_interval;
        }
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
