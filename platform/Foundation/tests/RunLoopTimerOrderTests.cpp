#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/Foundation/RunLoopSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <thread>
#include <tuple>

using namespace qv;

namespace {

const std::string otherMode = "QVTimerOrderTestMode";

// A firing as the test saw it: which timer, at what time of the clock.
struct Firing {
    std::string name;
    NSTimeInterval at;
    bool operator==(const Firing& other) const { return name == other.name && at == other.at; }
};

std::ostream& operator<<(std::ostream& stream, const Firing& firing)
{
    return stream << firing.name << "@" << firing.at;
}

// One timer of the crowd and what happens to it before the clock moves.
struct CrowdTimer {
    std::string name;
    NSTimeInterval delay;
    NSTimeInterval repeatInterval; // 0 for a one-shot timer
    bool addedForOtherMode;  // instead of the default mode
    bool alsoInCommonModes;  // which hold the default mode
    bool invalidated;
    std::optional<NSTimeInterval> movedTo;
};

// Dates are multiples of 1/16 s, so that sums are exact and many timers
// share a date.
std::vector<CrowdTimer> crowd(int count)
{
    std::vector<CrowdTimer> timers;
    for (int index = 0; index < count; ++index) {
        CrowdTimer timer;
        timer.name = "t" + std::to_string(index);
        timer.delay = (1 + (index * 37) % 48) / 16.0;
        timer.repeatInterval = index % 11 == 0 ? (1 + index % 3) / 8.0 : 0;
        timer.addedForOtherMode = index % 13 == 0;
        timer.alsoInCommonModes = index % 17 == 0;
        timer.invalidated = index % 7 == 0;
        if (index % 5 == 0)
            timer.movedTo = (1 + (index * 53) % 48) / 16.0; // earlier for some, later for others
        timers.push_back(timer);
    }
    return timers;
}

// What the run loop must do with the crowd up to the end date: every firing
// of every live timer of the default mode, by date, equal dates in the order
// the timers were first scheduled.
std::vector<Firing> expectedFirings(const std::vector<CrowdTimer>& timers, NSTimeInterval end)
{
    std::vector<std::tuple<NSTimeInterval, size_t, std::string>> firings;
    for (size_t index = 0; index < timers.size(); ++index) {
        const CrowdTimer& timer = timers[index];
        if (timer.invalidated || (timer.addedForOtherMode && !timer.alsoInCommonModes))
            continue;
        for (NSTimeInterval date = timer.movedTo.value_or(timer.delay); date <= end; date += timer.repeatInterval) {
            firings.emplace_back(date, index, timer.name);
            if (!timer.repeatInterval)
                break;
        }
    }
    std::sort(firings.begin(), firings.end());
    std::vector<Firing> expected;
    for (const auto& [date, index, name] : firings)
        expected.push_back({ name, date });
    return expected;
}

// Runs everything due now on the main run loop.
void runDue()
{
    while (NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now())) { }
}

} // namespace

// Hundreds of timers, some repeating, some only in another mode, some also
// in the common modes, some invalidated and some given another date before
// the clock moves: each fires at its own date, timers of one date in the
// order they were first scheduled, invalidated ones and those of the other
// mode never.
TEST(RunLoopTimerOrder, ManyTimersFireInDueOrder)
{
    VirtualClock clock(0.0);
    const std::vector<CrowdTimer> timers = crowd(400);
    std::vector<Firing> fired;
    std::vector<Ref<NSTimer>> scheduled;
    Ref<NSRunLoop> runLoop = NSRunLoop::mainRunLoop();
    for (const CrowdTimer& timer : timers) {
        const bool repeats = timer.repeatInterval > 0;
        Ref<NSTimer> made = NSTimer::timerWithTimeInterval(repeats ? timer.repeatInterval : timer.delay,
            [&fired, name = timer.name](NSTimer&) { fired.push_back({ name, VirtualClock::now() }); }, repeats);
        // A repeating timer first fires after its delay, not its interval.
        made->setFireDate(timer.delay);
        runLoop->addTimer(made, timer.addedForOtherMode ? otherMode : NSDefaultRunLoopMode);
        if (timer.alsoInCommonModes)
            runLoop->addTimer(made, NSRunLoopCommonModes);
        scheduled.push_back(made);
    }
    for (size_t index = 0; index < timers.size(); ++index) {
        if (timers[index].invalidated)
            scheduled[index]->invalidate();
        else if (timers[index].movedTo)
            scheduled[index]->setFireDate(*timers[index].movedTo);
    }

    const NSTimeInterval end = 4.0;
    clock.advance(end);
    EXPECT_EQ(fired, expectedFirings(timers, end));

    for (Ref<NSTimer>& timer : scheduled)
        timer->invalidate();
    EXPECT_FALSE(runLoop->nextFireDate(NSDefaultRunLoopMode));
    EXPECT_FALSE(runLoop->nextFireDate(otherMode));
}

namespace {

// A timer of a case: its name, delay and what its firing does to the others.
struct ActingTimer {
    std::string name;
    NSTimeInterval delay;
    bool repeats;
    std::function<void(NSTimer& self, std::map<std::string, Ref<NSTimer>>& timers, std::vector<Firing>& fired)> action;
};

struct ChangeCase {
    const char* title;
    std::vector<ActingTimer> timers;
    // Done to the timers before the clock moves.
    std::function<void(std::map<std::string, Ref<NSTimer>>& timers)> before;
    std::vector<Firing> expected;
};

} // namespace

// Invalidations and new dates take effect at once, also for timers already
// due in the pass that is firing; a timer scheduled in a pass waits for the
// next pass; a repeating timer keeps its place among the others.
TEST(RunLoopTimerOrder, ChangesWhileTimersFire)
{
    using Timers = std::map<std::string, Ref<NSTimer>>;
    using Fired = std::vector<Firing>;
    const std::vector<ChangeCase> cases = {
        { "a timer invalidated by one due at the same date does not fire",
            { { "a", 1, false, [](NSTimer&, Timers& timers, Fired&) { timers.at("b")->invalidate(); } }, { "b", 1, false, nullptr }, { "c", 1, false, nullptr } },
            nullptr, { { "a", 1 }, { "c", 1 } } },
        { "a timer moved earlier by a firing one fires at its new date",
            { { "a", 1, false, [](NSTimer&, Timers& timers, Fired&) { timers.at("c")->setFireDate(2); } }, { "d", 2.5, false, nullptr }, { "c", 3, false, nullptr } },
            nullptr, { { "a", 1 }, { "c", 2 }, { "d", 2.5 } } },
        { "a due timer moved later by a firing one waits for its new date",
            { { "a", 1, false, [](NSTimer&, Timers& timers, Fired&) { timers.at("b")->setFireDate(2); } }, { "b", 1, false, nullptr }, { "e", 1.5, false, nullptr } },
            nullptr, { { "a", 1 }, { "e", 1.5 }, { "b", 2 } } },
        { "a timer moved earlier before the clock moves overtakes the others",
            { { "a", 1, false, nullptr }, { "b", 2, false, nullptr }, { "c", 3, false, nullptr }, { "far", 100, false, nullptr } },
            [](Timers& timers) { timers.at("far")->setFireDate(0.5); timers.at("a")->setFireDate(2); },
            { { "far", 0.5 }, { "a", 2 }, { "b", 2 }, { "c", 3 } } },
        { "a timer scheduled while others fire waits for the next pass",
            { { "a", 1, false, [](NSTimer&, Timers&, Fired& fired) {
                   NSTimer::scheduledTimerWithTimeInterval(0, [&fired](NSTimer&) { fired.push_back({ "z", VirtualClock::now() }); }, false);
               } },
                { "b", 1, false, nullptr } },
            nullptr, { { "a", 1 }, { "b", 1 }, { "z", 1 } } },
        { "a repeating timer among one-shots, until it stops itself",
            { { "r", 0.5, true, [](NSTimer& self, Timers&, Fired& fired) { if (fired.size() >= 4) self.invalidate(); } },
                { "o", 1, false, nullptr }, { "p", 1.5, false, nullptr } },
            nullptr, { { "r", 0.5 }, { "r", 1 }, { "o", 1 }, { "r", 1.5 }, { "p", 1.5 } } },
    };
    for (const ChangeCase& testCase : cases) {
        SCOPED_TRACE(testCase.title);
        VirtualClock clock(0.0);
        Timers timers;
        Fired fired;
        for (const ActingTimer& timer : testCase.timers) {
            auto action = timer.action;
            timers.emplace(timer.name, NSTimer::scheduledTimerWithTimeInterval(timer.delay, [&, name = timer.name, action](NSTimer& self) {
                fired.push_back({ name, VirtualClock::now() });
                if (action)
                    action(self, timers, fired);
            }, timer.repeats));
        }
        if (testCase.before)
            testCase.before(timers);
        clock.advance(10);
        EXPECT_EQ(fired, testCase.expected);
        for (auto& [name, timer] : timers)
            timer->invalidate();
        runDue();
        EXPECT_FALSE(NSRunLoop::mainRunLoop()->nextFireDate(NSDefaultRunLoopMode));
    }
}

// A loop waiting for a far timer (real clock) wakes when another thread
// moves the timer's date close, and fires it then, long before its limit.
TEST(RunLoopTimerOrder, DateMovedEarlierFromAnotherThreadWakesTheWaitingLoop)
{
    std::atomic<bool> fired = false;
    Ref<NSTimer> far = NSTimer::scheduledTimerWithTimeInterval(3600, [&](NSTimer&) { fired = true; }, false);
    Ref<NSTimer> later = NSTimer::scheduledTimerWithTimeInterval(1800, [](NSTimer&) { }, false);
    std::thread mover([&] { far->setFireDate(VirtualClock::now() + 0.02); });
    const NSTimeInterval limit = VirtualClock::now() + 60;
    while (!fired && VirtualClock::now() < limit)
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, limit);
    mover.join();
    EXPECT_TRUE(fired);
    EXPECT_LT(VirtualClock::now(), limit);
    later->invalidate();
    far->invalidate();
}
