#include "RunLoopTimerQueue.h"

#include "NSTimer.h"

#include <cmath>
#include <limits>

namespace qv {

NSTimeInterval RunLoopTimerQueue::orderDate(const NSTimer& timer)
{
    const NSTimeInterval date = timer.fireDate();
    return std::isnan(date) ? std::numeric_limits<NSTimeInterval>::infinity() : date;
}

void RunLoopTimerQueue::add(NSTimer& timer, uint64_t sequence, const std::string& mode)
{
    auto known = m_timers.find(&timer);
    if (known != m_timers.end()) {
        known->second.modes.insert(mode);
        return;
    }
    // Checked here, under the loop's lock: an invalidation from another
    // thread either is seen now or reaches refile after the timer is filed.
    if (!timer.isValid())
        return;
    const Key key { orderDate(timer), sequence };
    Filed& filed = m_timers.emplace(&timer, Filed { timer, { mode }, key }).first->second;
    m_order.emplace(key, &filed);
}

void RunLoopTimerQueue::refile(NSTimer& timer, std::vector<Ref<NSTimer>>& removed)
{
    auto known = m_timers.find(&timer);
    if (known == m_timers.end())
        return;
    bool filedRight = false;
    settle(m_order.find(known->second.key), filedRight, removed);
}

RunLoopTimerQueue::Order::iterator RunLoopTimerQueue::settle(Order::iterator place, bool& filedRight, std::vector<Ref<NSTimer>>& removed)
{
    filedRight = false;
    const NSTimer& timer = place->second->timer;
    if (!timer.isValid())
        return remove(place, removed);
    const NSTimeInterval date = orderDate(timer);
    if (date != place->first.date)
        return moveTo(place, date);
    filedRight = true;
    return place;
}

RunLoopTimerQueue::Order::iterator RunLoopTimerQueue::remove(Order::iterator place, std::vector<Ref<NSTimer>>& removed)
{
    const NSTimer* timer = place->second->timer.ptr();
    removed.push_back(place->second->timer);
    auto next = m_order.erase(place);
    m_timers.erase(timer);
    return next;
}

RunLoopTimerQueue::Order::iterator RunLoopTimerQueue::moveTo(Order::iterator place, NSTimeInterval date)
{
    Filed* filed = place->second;
    auto next = m_order.erase(place);
    filed->key.date = date;
    auto moved = m_order.emplace(filed->key, filed).first;
    // A walk goes on from whichever comes first: the timer in its new place
    // may be due before what follows its old one.
    return next == m_order.end() || moved->first < next->first ? moved : next;
}

RefPtr<NSTimer> RunLoopTimerQueue::nextDue(const ModeTest& inMode, NSTimeInterval now, uint64_t passSequence, std::vector<Ref<NSTimer>>& removed)
{
    for (auto place = m_order.begin(); place != m_order.end() && place->first.date <= now;) {
        bool filedRight = false;
        place = settle(place, filedRight, removed);
        if (!filedRight)
            continue;
        if (place->first.sequence < passSequence && inMode(place->second->modes))
            return place->second->timer.ptr();
        ++place;
    }
    return nullptr;
}

std::optional<NSTimeInterval> RunLoopTimerQueue::nextFireDate(const ModeTest& inMode, std::vector<Ref<NSTimer>>& removed)
{
    for (auto place = m_order.begin(); place != m_order.end();) {
        bool filedRight = false;
        place = settle(place, filedRight, removed);
        if (!filedRight)
            continue;
        if (inMode(place->second->modes))
            return place->first.date;
        ++place;
    }
    return std::nullopt;
}

bool RunLoopTimerQueue::hasValidTimer(const ModeTest& inMode) const
{
    for (const auto& [key, filed] : m_order) {
        if (inMode(filed->modes) && filed->timer->isValid())
            return true;
    }
    return false;
}

std::vector<Ref<NSTimer>> RunLoopTimerQueue::takeAll()
{
    std::vector<Ref<NSTimer>> timers;
    for (const auto& [key, filed] : m_order)
        timers.push_back(filed->timer);
    m_order.clear();
    m_timers.clear();
    return timers;
}

} // namespace qv
