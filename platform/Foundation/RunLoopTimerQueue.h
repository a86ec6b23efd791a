#pragma once

#include "platform/Foundation/FoundationTypes.h"
#include "platform/core/Ref.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

class NSTimer;

// The timers of one run loop, kept in the order they come due: by fire
// date, then by the order they were first scheduled in. Finding the next due
// timer looks at the front only, so a loop holding many timers (one per
// running animation) does not go through all of them for each one it fires.
//
// A timer whose fire date changed is filed anew when the loop hears of it
// (refile). Until then its old place may be wrong: the queue checks each
// timer it reaches against the timer's own date and validity, files a moved
// one anew and drops an invalid one, so a missed or late word costs order
// only for a date moved earlier, which the timer always reports.
//
// Not safe across threads: the run loop's lock guards it. It calls nothing
// on a timer but its getters; timers it lets go of are handed back, to be
// released outside that lock.
class RunLoopTimerQueue {
public:
    using ModeTest = std::function<bool(const std::set<std::string>& modes)>;

    // Files the timer for the mode, or adds the mode to a timer already filed.
    // An invalid timer is not filed.
    void add(NSTimer& timer, uint64_t sequence, const std::string& mode);
    // The timer's date or validity changed: it is filed anew, or leaves the
    // queue (into `removed`) once invalid.
    void refile(NSTimer& timer, std::vector<Ref<NSTimer>>& removed);

    // The earliest timer of a mode due at `now` among those scheduled before
    // the pass (sequence below `passSequence`); it stays filed.
    RefPtr<NSTimer> nextDue(const ModeTest& inMode, NSTimeInterval now, uint64_t passSequence, std::vector<Ref<NSTimer>>& removed);
    // The earliest fire date of the valid timers of a mode.
    std::optional<NSTimeInterval> nextFireDate(const ModeTest& inMode, std::vector<Ref<NSTimer>>& removed);
    bool hasValidTimer(const ModeTest& inMode) const;
    // Empties the queue.
    std::vector<Ref<NSTimer>> takeAll();

private:
    struct Key {
        NSTimeInterval date;
        uint64_t sequence; // one per timer, so no two keys are equal
        bool operator<(const Key& other) const { return date < other.date || (date == other.date && sequence < other.sequence); }
    };
    struct Filed {
        Ref<NSTimer> timer;
        std::set<std::string> modes;
        Key key;
    };
    using Order = std::map<Key, Filed*>;

    // The timer's date as the order takes it: a date that is not a number
    // never comes due.
    static NSTimeInterval orderDate(const NSTimer& timer);
    // Checks the timer at the place against its own state: answers the
    // place when it is filed right, else files it anew or drops it and
    // answers where a walk through the order goes on.
    Order::iterator settle(Order::iterator place, bool& filedRight, std::vector<Ref<NSTimer>>& removed);
    Order::iterator remove(Order::iterator place, std::vector<Ref<NSTimer>>& removed);
    Order::iterator moveTo(Order::iterator place, NSTimeInterval date);

    std::unordered_map<const NSTimer*, Filed> m_timers;
    Order m_order;
};

} // namespace qv
