#pragma once

#include "platform/Foundation/FoundationTypes.h"

#include <string>

namespace qv {

// Absolute times are seconds since the reference date, 1 January 2001 UTC.
// The clock that timers, delayed performs and run-loop limit dates follow.
// Normally it is the real time; a test installs a VirtualClock and then
// time moves only when the test advances it, so timed work fires
// deterministically. Only one virtual clock may be installed at a time.
class VirtualClock {
public:
    // A date later than any the system will meet (the year 4001).
    static constexpr NSTimeInterval distantFuture = 63113904000.0;

    // The current absolute time: the virtual one while a clock is
    // installed, the real one otherwise.
    static NSTimeInterval now();
    static NSTimeInterval realNow();
    static bool isInstalled();

    explicit VirtualClock(NSTimeInterval start = realNow());
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    NSTimeInterval time() const;

    // Moves time forward by the given seconds in steps, running on the
    // calling thread's run loop (default mode, or the mode given) whatever
    // becomes due at each step, in order of due time. Run loops of other
    // threads are woken at each step and run their own due work.
    void advance(NSTimeInterval seconds);
    void advance(NSTimeInterval seconds, const std::string& mode);

private:
    void setTime(NSTimeInterval time);
};

} // namespace qv
