#pragma once

#include <functional>

namespace qv {

// Where UIKit reads the time and leaves work for the main run loop: touch
// timestamps, and the ends of animations.
class UIKitMainLoop {
public:
    // Seconds on the clock that timers follow.
    static double now();
    // Runs the work on the main run loop after the delay (0: on its next
    // pass), never before this call returns.
    static void performAfter(double seconds, std::function<void()> work);

    // Until the run loop is part of the build, the clock and the queue are
    // a seam a test fills in.
    class Scheduler {
    public:
        virtual ~Scheduler() = default;
        virtual double now() = 0;
        virtual void performAfter(double seconds, std::function<void()> work) = 0;
    };
    // Installs a scheduler (null: none) and answers the one it replaced.
    static Scheduler* setScheduler(Scheduler* scheduler);
};

} // namespace qv
