#pragma once

#include "RunLoopTimerQueue.h"
#include "VirtualClock.h"

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qv {

class NSTimer;
class RunLoopSource;

// The names live until the process is gone: threads that outlive main()
// (the HTTP library's network thread, operation-queue workers) still run
// their loops in these modes while the process exits.
extern const std::string& NSDefaultRunLoopMode;  // "kCFRunLoopDefaultMode"
extern const std::string& NSRunLoopCommonModes;  // "kCFRunLoopCommonModes"

// The event loop of one thread. It runs timers, sources (readable file
// descriptors and signalled flags) and performs queued from any thread, each
// only while the loop runs in one of the modes it was added for. Something
// added for NSRunLoopCommonModes runs in every mode of the common set, which
// holds the default mode and any mode added with addCommonMode().
//
// Adding work and waking the loop are safe from any thread; running it is
// for its own thread only. No lock is held while the loop calls out.
class NSRunLoop : public NSObject {
public:
    static Ref<NSRunLoop> currentRunLoop();
    static Ref<NSRunLoop> mainRunLoop();

    // The mode the loop is running in on its thread, or none when idle.
    std::optional<std::string> currentMode() const;
    void addCommonMode(const std::string& mode);

    void addTimer(NSTimer& timer, const std::string& forMode);
    void addSource(RunLoopSource& source, const std::string& forMode);
    void removeSource(RunLoopSource& source, const std::string& forMode);

    // Queues a block to run on the loop's thread, after what was queued
    // before it, in the first pass of one of the given modes.
    void performInModes(const std::vector<std::string>& modes, std::function<void()> block);

    // Runs the loop once in the mode: fires due timers, runs queued
    // performs and handled ready sources, waiting for something to happen
    // until the limit date. Answers whether anything ran; answers NO at the
    // limit date, or at once when nothing at all is attached in the mode.
    bool runMode(const std::string& mode, NSTimeInterval beforeDate);
    // Runs the default mode again and again until the date, or until
    // nothing is attached to it any more.
    void runUntilDate(NSTimeInterval date);
    void run();

    // The earliest fire date of the valid timers of the mode.
    std::optional<NSTimeInterval> nextFireDate(const std::string& mode);

    // Makes a waiting loop look again at its timers, sources and performs.
    void wakeUp();

    // The loop's thread ended: queued performs are dropped and later ones
    // are refused, so that nobody waits for them for ever.
    void threadDidExit();

    std::string className() const override { return "NSRunLoop"; }

    ~NSRunLoop() override;

private:
    QV_MAKE_REF_FRIEND;
    friend class NSThread;
    friend class NSTimer;
    friend class VirtualClock;
    NSRunLoop();

    // A timer of this loop changed its fire date or was invalidated: it is
    // filed anew (or let go of) and the loop looks at its timers again.
    void timerDidChange(NSTimer& timer);

    // The clock moved: every loop looks at its timers again.
    static void wakeUpAll();
    // Makes the loop the one of the calling thread (a thread made by
    // NSThread runs the loop its object made before it started).
    static void setCurrentRunLoop(NSRunLoop& runLoop);

    // A source with the modes it was added for.
    struct SourceEntry {
        Ref<RunLoopSource> item;
        std::set<std::string> modes;
    };
    struct Perform {
        uint64_t sequence;
        std::set<std::string> modes;
        std::function<void()> block;
    };

    bool isInMode(const std::set<std::string>& modes, const std::string& mode) const;
    RunLoopTimerQueue::ModeTest modeTest(const std::string& mode) const;
    bool hasAnythingInMode(const std::string& mode);
    bool runOnePass(const std::string& mode, NSTimeInterval now);
    bool fireDueTimers(const std::string& mode, NSTimeInterval now, uint64_t passSequence);
    bool runQueuedPerforms(const std::string& mode, uint64_t passSequence);
    bool handleSignalledSources(const std::string& mode);
    bool handleReadySources(const std::string& mode, int timeoutMilliseconds);
    RefPtr<NSTimer> takeNextDueTimer(const std::string& mode, NSTimeInterval now, uint64_t passSequence);
    std::optional<std::function<void()>> takeNextPerform(const std::string& mode, uint64_t passSequence);
    std::vector<Ref<RunLoopSource>> sourcesInMode(const std::string& mode);
    int waitTimeout(const std::string& mode, NSTimeInterval now, NSTimeInterval limit);
    void drainWakeUps();
    // Whether this is the run loop of the calling thread.
    bool isCurrentThreadsLoop() const;

    mutable std::mutex m_lock;
    RunLoopTimerQueue m_timers;
    std::vector<SourceEntry> m_sources;
    std::deque<Perform> m_performs;
    std::set<std::string> m_commonModes;
    std::vector<std::string> m_modeStack;
    bool m_threadExited = false;
    int m_wakeFd = -1;
    // The thread inside runMode, if any: it looks at everything again
    // before it waits, so what it adds itself needs no wake-up.
    std::atomic<std::thread::id> m_runningThread {};
};

} // namespace qv
