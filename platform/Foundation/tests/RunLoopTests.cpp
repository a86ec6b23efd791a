#include "platform/Foundation/DispatchQueue.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/Foundation/PerformSelector.h"
#include "platform/Foundation/RunLoopSource.h"

#include "platform/core/CoreTesting.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <limits>
#include <mutex>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace {

const std::string privateMode = "QVPrivateTestMode";
const std::string trackingMode = "QVTrackingTestMode";

// A target whose life the tests watch.
class Target : public Object {
public:
    explicit Target(std::atomic<int>& alive) : m_alive(alive) { ++m_alive; }
    ~Target() override { --m_alive; }

private:
    std::atomic<int>& m_alive;
};

// Runs everything due now on the main run loop, in the mode.
void runDue(const std::string& mode = NSDefaultRunLoopMode)
{
    while (NSRunLoop::mainRunLoop()->runMode(mode, VirtualClock::now())) { }
}

// Waits (bounded, generously) for a condition another thread brings about.
template<typename Condition>
bool eventually(Condition condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A thread that runs its run loop in the default mode until told to stop.
class LoopThread {
public:
    LoopThread()
        : m_keepAlive(RunLoopSource::create(nullptr))
    {
        m_thread = NSThread::create([this, keepAlive = m_keepAlive] {
            NSRunLoop::currentRunLoop()->addSource(keepAlive, NSDefaultRunLoopMode);
            while (!m_stop)
                NSRunLoop::currentRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
        });
        m_thread->start();
    }
    ~LoopThread()
    {
        m_stop = true;
        m_keepAlive->signal();
        EXPECT_TRUE(eventually([&] { return m_thread->isFinished(); }));
    }
    NSThread& thread() { return *m_thread; }

    // Runs the block on the thread and waits for it.
    void sync(std::function<void()> block)
    {
        auto carrier = makeRef<Target>(m_carried);
        performSelector(carrier, { "sync", std::move(block) }, *m_thread, nullptr, true);
    }

private:
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_carried = 0;
    Ref<RunLoopSource> m_keepAlive;
    RefPtr<NSThread> m_thread;
};

struct ScheduledItem {
    std::string name;
    NSTimeInterval delay;
    enum Kind { OneShot, Repeating, DelayedPerform, MainQueueAfter } kind;
};

struct OrderCase {
    const char* title;
    std::vector<ScheduledItem> items;
    NSTimeInterval advance;
    std::vector<std::string> expected;
};

} // namespace

// Due work fires in order of due time, equal times in order of scheduling,
// whatever kind of timed work it is.
TEST(RunLoop, TimedWorkFiresInOrderOfDueTimeThenScheduling)
{
    const std::vector<OrderCase> cases = {
        { "by due time", { { "a", 0.3, ScheduledItem::OneShot }, { "b", 0.1, ScheduledItem::OneShot }, { "c", 0.2, ScheduledItem::OneShot } }, 1.0, { "b", "c", "a" } },
        { "equal times keep scheduling order", { { "a", 0.1, ScheduledItem::OneShot }, { "b", 0.1, ScheduledItem::OneShot }, { "c", 0.1, ScheduledItem::OneShot } }, 1.0, { "a", "b", "c" } },
        { "repeating among one-shots", { { "r", 0.1, ScheduledItem::Repeating }, { "o", 0.25, ScheduledItem::OneShot } }, 0.35, { "r", "r", "o", "r" } },
        { "not yet due stays", { { "late", 2.0, ScheduledItem::OneShot }, { "soon", 0.5, ScheduledItem::OneShot } }, 1.0, { "soon" } },
        { "timers, delayed performs and main-queue blocks share one order",
            { { "perform", 0.2, ScheduledItem::DelayedPerform }, { "timer", 0.2, ScheduledItem::OneShot }, { "block", 0.1, ScheduledItem::MainQueueAfter } }, 1.0,
            { "block", "perform", "timer" } },
        { "zero delay fires at the first pass", { { "later", 0.01, ScheduledItem::OneShot }, { "now", 0.0, ScheduledItem::OneShot } }, 0.0, { "now" } },
    };
    for (const OrderCase& testCase : cases) {
        SCOPED_TRACE(testCase.title);
        VirtualClock clock;
        std::vector<std::string> fired;
        std::vector<Ref<NSTimer>> timers;
        std::atomic<int> alive = 0;
        auto target = makeRef<Target>(alive);
        for (const ScheduledItem& item : testCase.items) {
            auto record = [&fired, name = item.name] { fired.push_back(name); };
            switch (item.kind) {
            case ScheduledItem::OneShot:
            case ScheduledItem::Repeating:
                timers.push_back(NSTimer::scheduledTimerWithTimeInterval(item.delay, [record](NSTimer&) { record(); }, item.kind == ScheduledItem::Repeating));
                break;
            case ScheduledItem::DelayedPerform:
                performSelector(target, { "record", record }, nullptr, item.delay);
                break;
            case ScheduledItem::MainQueueAfter:
                dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(item.delay * NSEC_PER_SEC)), dispatch_get_main_queue(), record);
                break;
            }
        }
        clock.advance(testCase.advance);
        EXPECT_EQ(fired, testCase.expected);
        for (Ref<NSTimer>& timer : timers)
            timer->invalidate();
        cancelPreviousPerformRequestsWithTarget(target);
        clock.advance(10.0); // leaves nothing behind for the next case
    }
}

// Each timer fires at its own time: the clock reads its fire date inside
// the callout, and a timer scheduled within the span fires within it.
TEST(RunLoop, VirtualClockStepsThroughEachDueTime)
{
    VirtualClock clock(1000.0);
    std::vector<NSTimeInterval> seen;
    NSTimer::scheduledTimerWithTimeInterval(0.2, [&](NSTimer&) {
        seen.push_back(VirtualClock::now());
        NSTimer::scheduledTimerWithTimeInterval(0.2, [&](NSTimer&) { seen.push_back(VirtualClock::now()); }, false);
    }, false);
    clock.advance(0.5);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_DOUBLE_EQ(seen[0], 1000.2);
    EXPECT_DOUBLE_EQ(seen[1], 1000.4);
    EXPECT_DOUBLE_EQ(VirtualClock::now(), 1000.5);
}

// A repeating timer whose loop did not run while time passed fires once,
// then keeps its own schedule; it does not make up the missed firings.
TEST(RunLoop, RepeatingTimerDoesNotCatchUp)
{
    VirtualClock clock(0.0);
    int firings = 0;
    Ref<NSTimer> timer = NSTimer::scheduledTimerWithTimeInterval(0.1, [&](NSTimer&) { ++firings; }, true);
    // Advanced from another thread, time moves without the main loop running.
    std::thread([&] { clock.advance(1.05); }).join();
    EXPECT_EQ(firings, 0);
    runDue();
    EXPECT_EQ(firings, 1);
    EXPECT_NEAR(timer->fireDate(), 1.1, 1e-9);
    clock.advance(0.1);
    EXPECT_EQ(firings, 2);
    timer->invalidate();
}

// Ends the test program, failing, when the scope is not left within the
// bound: a loop caught in a timer's catch-up cannot be stopped otherwise.
class HangWatch {
public:
    HangWatch(std::string what, std::chrono::seconds bound)
        : m_thread([this, what = std::move(what), bound] {
            std::unique_lock lock(m_lock);
            if (!m_left.wait_for(lock, bound, [this] { return m_done; })) {
                std::fprintf(stderr, "%s did not end within %lld s\n", what.c_str(), static_cast<long long>(bound.count()));
                std::_Exit(1);
            }
        })
    {
    }
    ~HangWatch()
    {
        {
            std::lock_guard guard(m_lock);
            m_done = true;
        }
        m_left.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_left;
    bool m_done = false;
    std::thread m_thread;
};

// A repeating timer re-dated however far into the past fires once at its
// loop's next pass and keeps its interval from then on, without stepping
// through the firings it missed. An infinite date stands for the distant
// past or future; one that is not a number is refused, and the timer keeps
// its date.
TEST(RunLoop, ARepeatingTimerReDatedFarIntoThePastFiresOnceAndKeepsItsInterval)
{
    // A date of 2024, where a fire date far back sums to one far off it.
    constexpr double start = 7.5e8;
    constexpr double interval = 0.001;
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        double date;
        bool firesAtOnce;
        double fireDateAfterwards; // 0: within the interval after the start
    };
    const Case cases[] = {
        { "a second ago", start - 1, true, 0 },
        { "1e22 seconds ago", -1e22, true, 0 },
        { "1e300 seconds ago", -1e300, true, 0 },
        { "the earliest date there is", std::numeric_limits<double>::lowest(), true, 0 },
        { "minus infinity", -infinity, true, 0 },
        { "plus infinity", infinity, false, VirtualClock::distantFuture },
        { "not a number", std::nan(""), false, start + interval },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock(start);
        int firings = 0;
        Ref<NSTimer> timer = NSTimer::scheduledTimerWithTimeInterval(interval, [&](NSTimer&) { ++firings; }, true);
        HangWatch watch(std::string("a timer re-dated to ") + c.name, std::chrono::seconds(30));
        timer->setFireDate(c.date);
        runDue();
        EXPECT_EQ(firings, c.firesAtOnce ? 1 : 0);
        if (c.fireDateAfterwards) {
            EXPECT_EQ(timer->fireDate(), c.fireDateAfterwards);
        } else {
            EXPECT_GT(timer->fireDate(), start);
            EXPECT_LE(timer->fireDate(), start + interval);
        }
        // Then it fires at that date (half an interval past it, once), as
        // scheduled; re-dated to the distant future, not within an interval.
        const bool waitsForEver = c.fireDateAfterwards == VirtualClock::distantFuture;
        const double next = waitsForEver ? start + interval : std::clamp(timer->fireDate(), start, start + interval);
        clock.advance(next - start + interval / 2);
        EXPECT_EQ(firings, (c.firesAtOnce ? 1 : 0) + (waitsForEver ? 0 : 1));
        timer->invalidate();
    }
    // An interval that is not a number counts as none: a repeating timer
    // then has the least interval, and a date.
    Ref<NSTimer> unmeasured = NSTimer::timerWithTimeInterval(std::nan(""), [](NSTimer&) {}, true);
    EXPECT_EQ(unmeasured->timeInterval(), 0.0001);
    EXPECT_TRUE(std::isfinite(unmeasured->fireDate()));
}

TEST(RunLoop, TimerRetainsItsTargetUntilInvalidated)
{
    VirtualClock clock;
    std::atomic<int> alive = 0;
    struct Counter : Target {
        using Target::Target;
        void tick() { ++ticks; }
        int ticks = 0;
    };
    RefPtr<NSTimer> repeating;
    RefPtr<NSTimer> oneShot;
    {
        auto counter = makeRef<Counter>(alive);
        repeating = NSTimer::scheduledTimerWithTimeInterval(1.0, counter.get(), &Counter::tick, true);
        oneShot = NSTimer::scheduledTimerWithTimeInterval(1.5, counter.get(), &Counter::tick, false);
    }
    EXPECT_EQ(alive, 1);
    clock.advance(2.0); // the one-shot fired and let go of its share
    EXPECT_FALSE(oneShot->isValid());
    EXPECT_EQ(alive, 1);
    repeating->invalidate();
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(repeating->isValid());
    repeating->fire(); // an invalid timer does nothing
}

namespace {

struct ModeCase {
    const char* title;
    enum Kind { Timer, Perform, SignalledSource, FileSource } kind;
    std::string addedFor;
    std::string runIn;
    bool trackingIsCommon;
    bool runs;
};

} // namespace

// Work runs only in the modes it was added for; the common set reaches every
// common mode and no other.
TEST(RunLoop, ModesKeepWorkFromRunning)
{
    const std::vector<ModeCase> cases = {
        { "timer in its mode", ModeCase::Timer, NSDefaultRunLoopMode, NSDefaultRunLoopMode, false, true },
        { "timer in another mode", ModeCase::Timer, NSDefaultRunLoopMode, privateMode, false, false },
        { "common timer in the default mode", ModeCase::Timer, NSRunLoopCommonModes, NSDefaultRunLoopMode, false, true },
        { "common timer in a mode outside the set", ModeCase::Timer, NSRunLoopCommonModes, trackingMode, false, false },
        { "common timer in a mode added to the set", ModeCase::Timer, NSRunLoopCommonModes, trackingMode, true, true },
        { "private perform in the default mode", ModeCase::Perform, privateMode, NSDefaultRunLoopMode, false, false },
        { "private perform in its mode", ModeCase::Perform, privateMode, privateMode, false, true },
        { "common perform in a private mode", ModeCase::Perform, NSRunLoopCommonModes, privateMode, false, false },
        { "signalled source in another mode", ModeCase::SignalledSource, NSDefaultRunLoopMode, privateMode, false, false },
        { "signalled source in its mode", ModeCase::SignalledSource, privateMode, privateMode, false, true },
        { "readable descriptor in another mode", ModeCase::FileSource, privateMode, NSDefaultRunLoopMode, false, false },
        { "readable descriptor in a common mode", ModeCase::FileSource, NSRunLoopCommonModes, trackingMode, true, true },
    };
    for (const ModeCase& testCase : cases) {
        SCOPED_TRACE(testCase.title);
        VirtualClock clock;
        // Each case has a loop of its own, on a thread of its own, so that
        // the common set starts afresh.
        bool ran = false;
        int pipeEnds[2] = { -1, -1 };
        ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
        std::thread([&] {
            Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
            if (testCase.trackingIsCommon)
                runLoop->addCommonMode(trackingMode);
            // Something always present in the run mode, so that the loop
            // does not run dry and answers only for the work under test.
            Ref<RunLoopSource> idle = RunLoopSource::create(nullptr);
            runLoop->addSource(idle, testCase.runIn);
            RefPtr<NSTimer> timer;
            RefPtr<RunLoopSource> source;
            switch (testCase.kind) {
            case ModeCase::Timer:
                timer = NSTimer::timerWithTimeInterval(0, [&](NSTimer&) { ran = true; }, false);
                runLoop->addTimer(*timer, testCase.addedFor);
                break;
            case ModeCase::Perform:
                runLoop->performInModes({ testCase.addedFor }, [&] { ran = true; });
                break;
            case ModeCase::SignalledSource:
                source = RunLoopSource::create([&] { ran = true; });
                runLoop->addSource(*source, testCase.addedFor);
                source->signal();
                break;
            case ModeCase::FileSource:
                source = RunLoopSource::create(pipeEnds[0], [&] {
                    char byte;
                    while (read(pipeEnds[0], &byte, 1) > 0) { }
                    ran = true;
                });
                runLoop->addSource(*source, testCase.addedFor);
                EXPECT_EQ(write(pipeEnds[1], "x", 1), 1);
                break;
            }
            EXPECT_EQ(runLoop->runMode(testCase.runIn, VirtualClock::now()), testCase.runs);
            if (source)
                source->invalidate();
            if (timer)
                timer->invalidate();
        }).join();
        EXPECT_EQ(ran, testCase.runs);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
    }
}

TEST(RunLoop, RunModeAnswersWhetherAnythingRan)
{
    Ref<NSRunLoop> runLoop = NSRunLoop::mainRunLoop();
    // Nothing at all in the mode: NO at once, even with a far limit.
    EXPECT_FALSE(runLoop->runMode(privateMode, VirtualClock::distantFuture));
    EXPECT_FALSE(runLoop->currentMode());

    VirtualClock clock;
    Ref<RunLoopSource> idle = RunLoopSource::create(nullptr);
    runLoop->addSource(idle, privateMode);
    // Something attached but nothing to do: NO at the limit date.
    EXPECT_FALSE(runLoop->runMode(privateMode, VirtualClock::now()));

    std::optional<std::string> modeInside;
    runLoop->performInModes({ privateMode }, [&] { modeInside = runLoop->currentMode(); });
    EXPECT_TRUE(runLoop->runMode(privateMode, VirtualClock::now()));
    EXPECT_EQ(modeInside, privateMode);
    idle->invalidate();
    EXPECT_FALSE(runLoop->runMode(privateMode, VirtualClock::distantFuture));
}

// Waiting in runMode, a loop wakes for work queued from another thread and
// answers as soon as it ran, long before its limit date.
TEST(RunLoop, WaitingLoopWakesForWorkFromAnotherThread)
{
    Ref<NSRunLoop> runLoop = NSRunLoop::mainRunLoop();
    Ref<RunLoopSource> idle = RunLoopSource::create(nullptr);
    runLoop->addSource(idle, NSDefaultRunLoopMode);
    bool ran = false;
    std::thread poster([&] { runLoop->performInModes({ NSRunLoopCommonModes }, [&] { ran = true; }); });
    while (!ran)
        EXPECT_TRUE(runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture));
    poster.join();
    idle->invalidate();
}

// What a thread adds to its own loop before it runs the loop (as a request
// started synchronously does) wakes nothing, yet runs in the loop's first
// run; work from another thread while the loop waits still wakes it. (A
// loop that missed either would wait for ever.)
TEST(RunLoop, WorkAddedByTheLoopsOwnThreadBeforeItRunsIsSeen)
{
    int performed = 0;
    int fired = 0;
    std::thread owner([&] {
        Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
        Ref<RunLoopSource> idle = RunLoopSource::create(nullptr);
        runLoop->addSource(idle, NSDefaultRunLoopMode);
        runLoop->performInModes({ NSDefaultRunLoopMode }, [&] { ++performed; });
        auto timer = NSTimer::timerWithTimeInterval(0, [&](NSTimer&) { ++fired; }, false);
        runLoop->addTimer(timer, NSDefaultRunLoopMode);
        while (performed == 0 || fired == 0)
            runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
        std::thread poster([&] { runLoop->performInModes({ NSDefaultRunLoopMode }, [&] { ++performed; }); });
        while (performed < 2)
            runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
        poster.join();
        idle->invalidate();
    });
    owner.join();
    EXPECT_EQ(performed, 2);
    EXPECT_EQ(fired, 1);
}

// A timer on one thread's loop is invalidated from another: it lets go of
// its target there and then, and never fires.
TEST(RunLoop, TimerInvalidatedFromAnotherThread)
{
    VirtualClock clock;
    LoopThread worker;
    std::atomic<int> alive = 0;
    std::atomic<int> firings = 0;
    RefPtr<NSTimer> timer;
    {
        auto target = makeRef<Target>(alive);
        worker.sync([&, target] {
            timer = NSTimer::scheduledTimerWithTimeInterval(0.5, [target, &firings](NSTimer&) { ++firings; }, true);
        });
    }
    EXPECT_EQ(alive, 1);
    timer->invalidate();
    EXPECT_EQ(alive, 0);
    clock.advance(5.0);
    worker.sync([] { }); // the worker has seen the advance and run its loop
    EXPECT_EQ(firings, 0);
    EXPECT_FALSE(worker.thread().runLoop()->nextFireDate(NSDefaultRunLoopMode));
}

namespace {

struct CancelCase {
    const char* title;
    std::function<void(const Object& target, const Object& argument)> cancel;
    std::vector<std::string> stillFiring;
};

} // namespace

// Delayed performs are cancelled before they fire, by target alone or by
// target, selector and argument; the cancelled ones let go of their target.
TEST(RunLoop, DelayedPerformCancelledBeforeItFires)
{
    const std::vector<CancelCase> cases = {
        { "nothing cancelled", [](const Object&, const Object&) { }, { "show", "show+arg", "hide" } },
        { "every perform of the target", [](const Object& target, const Object&) { cancelPreviousPerformRequestsWithTarget(target); }, {} },
        { "one selector without argument",
            [](const Object& target, const Object&) { cancelPreviousPerformRequestsWithTarget(target, "show", nullptr); }, { "show+arg", "hide" } },
        { "one selector with its argument",
            [](const Object& target, const Object& argument) { cancelPreviousPerformRequestsWithTarget(target, "show", &argument); }, { "show", "hide" } },
        { "another argument cancels nothing",
            [](const Object& target, const Object& argument) { cancelPreviousPerformRequestsWithTarget(target, "hide", &argument); }, { "show", "show+arg", "hide" } },
    };
    for (const CancelCase& testCase : cases) {
        SCOPED_TRACE(testCase.title);
        VirtualClock clock;
        std::atomic<int> alive = 0;
        std::vector<std::string> fired;
        {
            auto target = makeRef<Target>(alive);
            auto argument = makeRef<Target>(alive);
            performSelector(target, { "show", [&] { fired.push_back("show"); } }, nullptr, 0.1);
            performSelector(target, { "show", [&] { fired.push_back("show+arg"); } }, argument.get(), 0.2);
            performSelector(target, { "hide", [&] { fired.push_back("hide"); } }, nullptr, 0.3);
            clock.advance(0.05);
            testCase.cancel(target, argument);
        }
        // What is cancelled no longer holds the target; what is pending does.
        EXPECT_EQ(alive > 0, !testCase.stillFiring.empty());
        clock.advance(1.0);
        EXPECT_EQ(fired, testCase.stillFiring);
        EXPECT_EQ(alive, 0);
    }
}

TEST(RunLoop, CancelOnlyReachesTheCallingThreadsPerforms)
{
    VirtualClock clock;
    LoopThread worker;
    std::atomic<int> alive = 0;
    auto target = makeRef<Target>(alive);
    std::atomic<bool> fired = false;
    worker.sync([&] { performSelector(target, { "show", [&] { fired = true; } }, nullptr, 0.1); });
    cancelPreviousPerformRequestsWithTarget(target);
    clock.advance(1.0);
    worker.sync([] { });
    EXPECT_TRUE(fired);
}

// A perform the main thread waits for on itself runs in place; one it does
// not wait for runs at the next pass of the loop.
TEST(RunLoop, WaitingPerformFromTheMainThreadToItselfRunsInPlace)
{
    std::atomic<int> alive = 0;
    auto target = makeRef<Target>(alive);
    std::vector<std::string> order;
    performSelectorOnMainThread(target, { "queued", [&] { order.push_back("queued"); } }, nullptr, false);
    performSelectorOnMainThread(target, { "inPlace", [&] { order.push_back("inPlace"); } }, nullptr, true);
    order.push_back("returned");
    runDue();
    EXPECT_EQ(order, (std::vector<std::string> { "inPlace", "returned", "queued" }));
}

// From another thread, a waiting perform returns only after the main loop
// ran it; performs and main-queue blocks keep their order.
TEST(RunLoop, PerformsFromAnotherThreadKeepOrderAndWaitWhenAsked)
{
    std::atomic<int> alive = 0;
    auto target = makeRef<Target>(alive);
    std::vector<std::string> order;
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        performSelectorOnMainThread(target, { "first", [&] { order.push_back("first"); } }, nullptr, false);
        dispatch_async(dispatch_get_main_queue(), [&] { order.push_back("block"); });
        performSelectorOnMainThread(target, { "waited", [&] {
            order.push_back("waited");
            EXPECT_FALSE(returned);
        } }, nullptr, true);
        returned = true;
    });
    while (!returned)
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 0.01);
    worker.join();
    EXPECT_EQ(order, (std::vector<std::string> { "first", "block", "waited" }));
}

// A perform on a thread that ended is dropped: a waiting caller is set free
// and the target let go, instead of waiting for ever.
TEST(RunLoop, PerformOnAnEndedThreadDoesNotHang)
{
    Ref<NSThread> thread = NSThread::create([] { });
    thread->start();
    ASSERT_TRUE(eventually([&] { return thread->isFinished(); }));
    std::atomic<int> alive = 0;
    bool ran = false;
    LogCapture log;
    {
        auto target = makeRef<Target>(alive);
        performSelector(target, { "late", [&] { ran = true; } }, thread, nullptr, true);
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(alive, 0);
    EXPECT_TRUE(log.contains("dropped"));
}

TEST(RunLoop, ThreadsKnowTheirOwnObjectAndLoop)
{
    EXPECT_TRUE(NSThread::isMainThread());
    EXPECT_EQ(NSThread::currentThread(), NSThread::mainThread());
    EXPECT_EQ(NSRunLoop::currentRunLoop(), NSRunLoop::mainRunLoop());
    RefPtr<NSThread> seenThread;
    RefPtr<NSRunLoop> seenLoop;
    bool mainThere = true;
    Ref<NSThread> thread = NSThread::create([&] {
        seenThread = NSThread::currentThread();
        seenLoop = NSRunLoop::currentRunLoop();
        mainThere = NSThread::isMainThread();
    });
    EXPECT_FALSE(thread->isExecuting());
    thread->start();
    ASSERT_TRUE(eventually([&] { return thread->isFinished(); }));
    EXPECT_EQ(seenThread.get(), thread.ptr());
    EXPECT_EQ(seenLoop.get(), thread->runLoop().ptr());
    EXPECT_FALSE(mainThere);
}

TEST(RunLoop, OnceGuardRunsOnceUnderRacingCalls)
{
    static dispatch_once_t once;
    std::atomic<int> runs = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { dispatch_once(&once, [&] { ++runs; }); });
    for (std::thread& thread : threads)
        thread.join();
    dispatch_once(&once, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
}

TEST(RunLoop, AbsentQueueAndPredicateDoNothing)
{
    LogCapture log;
    bool ran = false;
    dispatch_async(nullptr, [&] { ran = true; });
    dispatch_after(DISPATCH_TIME_NOW, nullptr, [&] { ran = true; });
    dispatch_once(nullptr, [&] { ran = true; });
    dispatch_after(DISPATCH_TIME_FOREVER, dispatch_get_main_queue(), [&] { ran = true; });
    runDue();
    EXPECT_FALSE(ran);
    EXPECT_EQ(log.lines().size(), 3u);
}

// With the real clock a loop waits out a timer's due time and no longer.
TEST(RunLoop, RealClockTimerWakesTheWaitingLoop)
{
    NSTimeInterval firedAt = 0;
    NSTimeInterval start = VirtualClock::now();
    NSTimer::scheduledTimerWithTimeInterval(0.01, [&](NSTimer&) { firedAt = VirtualClock::now(); }, false);
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture));
    EXPECT_GE(firedAt - start, 0.01); // never early
}

// The process may end while threads that outlive main() still run their
// loops (the HTTP library's network thread, operation-queue workers); the
// mode names they run in must survive the exit handlers. Each run of the
// probe returns from main() while four busy loops use them: a name freed
// under them makes the sanitizer stop the probe with an error, and a name
// that changed makes the probe exit with 3 (the sanitizer's report may come
// from a loop's thread after main() already chose the exit code, so the
// report is looked for too).
TEST(RunLoop, BusyThreadsOutliveTheProcessExit)
{
    const std::string probe = qv::testing::buildDirectory() + "/bin/qv_run_loop_exit_probe";
    for (int run = 0; run < 5; ++run) {
        const auto result = qv::testing::runProcess({ probe }, {}, std::chrono::seconds(30));
        ASSERT_FALSE(result.timedOut) << "run " << run << " never ended";
        ASSERT_EQ(result.exitCode, 0) << "run " << run << ":\n" << result.errors;
        ASSERT_EQ(result.errors.find("Sanitizer"), std::string::npos) << "run " << run << ":\n" << result.errors;
    }
}
