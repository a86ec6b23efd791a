#pragma once

#include "VirtualClock.h"

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace qv {

class NSRunLoop;

// A one-shot or repeating timer. Its action (a callback that may own its
// target through a Ref) is kept until the timer is invalidated, which any
// thread may do; a one-shot timer invalidates itself after firing. A
// repeating timer that missed firings (its run loop was busy or not
// running) fires once and then keeps its schedule; it does not catch up.
class NSTimer : public NSObject {
public:
    using Action = std::function<void(NSTimer&)>;

    // A timer not yet in any run loop; it first fires the interval from now.
    static Ref<NSTimer> timerWithTimeInterval(NSTimeInterval interval, Action action, bool repeats);
    // A timer added to the current run loop in the default mode.
    static Ref<NSTimer> scheduledTimerWithTimeInterval(NSTimeInterval interval, Action action, bool repeats);

    // The target-and-selector form: the timer retains the target until it is
    // invalidated and sends it the method on every firing.
    template<typename T>
    static Ref<NSTimer> scheduledTimerWithTimeInterval(NSTimeInterval interval, T& target, void (T::*selector)(), bool repeats)
    {
        return scheduledTimerWithTimeInterval(interval, [target = Ref<T>(target), selector](NSTimer&) { (target.get().*selector)(); }, repeats);
    }
    template<typename T>
    static Ref<NSTimer> scheduledTimerWithTimeInterval(NSTimeInterval interval, T& target, void (T::*selector)(NSTimer&), bool repeats)
    {
        return scheduledTimerWithTimeInterval(interval, [target = Ref<T>(target), selector](NSTimer& timer) { (target.get().*selector)(timer); }, repeats);
    }

    // Runs the action now. A one-shot timer is then invalidated; a repeating
    // one keeps its schedule. Does nothing once invalid.
    void fire();
    void invalidate();
    bool isValid() const;

    NSTimeInterval fireDate() const;
    // An infinite date is taken as the distant future or past: a timer
    // re-dated to +infinity waits for ever, one re-dated to -infinity fires
    // at its loop's next pass, as for any past date, and keeps its interval
    // from then on. A date that is not a number is refused: the timer
    // keeps the date it had.
    void setFireDate(NSTimeInterval date);
    NSTimeInterval timeInterval() const;

    std::string className() const override { return "NSTimer"; }

private:
    QV_MAKE_REF_FRIEND;
    friend class NSRunLoop;
    NSTimer(NSTimeInterval interval, Action action, bool repeats);

    // For the run loop: the order of scheduling among timers due at the
    // same moment, and the loop that wakes when the timer changes.
    bool attachToRunLoop(NSRunLoop& runLoop, uint64_t sequence);
    uint64_t sequence() const;
    bool fireIfDue(NSTimeInterval now);
    void runAction(const std::shared_ptr<Action>& action);
    // Files the timer anew in its loop after a change of date or validity.
    void tellRunLoop();

    mutable std::mutex m_lock;
    NSTimeInterval m_interval;
    NSTimeInterval m_fireDate;
    const bool m_repeats;
    bool m_valid = true;
    std::shared_ptr<Action> m_action;
    WeakPtr<NSRunLoop> m_runLoop;
    uint64_t m_sequence = 0;
};

} // namespace qv
