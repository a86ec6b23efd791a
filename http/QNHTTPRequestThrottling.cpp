// Bandwidth throttling: one budget of bytes per one-second window for all
// requests of the process together, applied always or only while the
// device is on the cellular network. A request over the budget is held
// back by detaching its connection from the run loop (no thread ever
// sleeps); body pieces and response reads shrink near the limit.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"
#include "http/Reachability.h"

#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/Foundation/VirtualClock.h"

#include <algorithm>
#include <numeric>

namespace qv {

namespace {

// Under the throttle's lock.
bool throttlingApplies(const QNHTTPRequestClassState& state)
{
    return state.isBandwidthThrottled || (!state.shouldThrottleBandwidthForWWANOnly && state.maxBandwidthPerSecond > 0);
}

// The limit in the cellular-only mode (bytes per second).
constexpr NSUInteger WWANBandwidthLimit = 14800;

} // namespace

// --- The budget

void QNHTTPRequest::setMaxBandwidthPerSecond(NSUInteger bytes)
{
    auto& state = QNHTTPRequestClassState::shared();
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        state.maxBandwidthPerSecond = bytes;
    }
    // A lower or no limit may free requests held back now.
    wakeHeldRequests();
}

NSUInteger QNHTTPRequest::maxBandwidthPerSecond()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    return state.maxBandwidthPerSecond;
}

bool QNHTTPRequest::isBandwidthThrottled()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    return throttlingApplies(state);
}

void QNHTTPRequest::incrementBandwidthUsedInLastSecond(NSUInteger bytes)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    state.bandwidthUsedInLastSecond += bytes;
}

NSUInteger QNHTTPRequest::averageBandwidthUsedPerSecond()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    return state.averageBandwidthUsedPerSecond;
}

QNHTTPRequest::BandwidthWindow QNHTTPRequest::bandwidthWindow()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    return { state.bandwidthUsedInLastSecond, state.bandwidthMeasurementDate, state.throttleWakeUpTime };
}

void QNHTTPRequest::measureBandwidthUsage()
{
    auto& state = QNHTTPRequestClassState::shared();
    bool opened = false;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        if (!state.bandwidthMeasurementDate || *state.bandwidthMeasurementDate - VirtualClock::now() < 0) {
            recordBandwidthUsage();
            opened = true;
        }
        if (throttlingApplies(state) && state.bandwidthUsedInLastSecond > state.maxBandwidthPerSecond) {
            const double over = static_cast<double>(state.bandwidthUsedInLastSecond - state.maxBandwidthPerSecond);
            state.throttleWakeUpTime = *state.bandwidthMeasurementDate + over / static_cast<double>(state.maxBandwidthPerSecond);
        }
    }
    // Every request held back starts the new window together, so that the
    // first to wake never takes the whole budget from the others.
    if (opened)
        wakeHeldRequests();
}

void QNHTTPRequest::recordBandwidthUsage()
{
    // Runs inside measureBandwidthUsage's hold of the lock.
    auto& state = QNHTTPRequestClassState::shared();
    if (state.bandwidthUsedInLastSecond == 0) {
        state.bandwidthUsageTracker.clear();
    } else {
        double untilEnd = state.bandwidthMeasurementDate ? *state.bandwidthMeasurementDate - VirtualClock::now() : 0;
        while (!state.bandwidthUsageTracker.empty() && (untilEnd < 0 || state.bandwidthUsageTracker.size() > 5)) {
            state.bandwidthUsageTracker.pop_front();
            untilEnd += 1;
        }
    }
    state.bandwidthUsageTracker.push_back(state.bandwidthUsedInLastSecond);
    state.bandwidthMeasurementDate = VirtualClock::now() + 1;
    state.bandwidthUsedInLastSecond = 0;
    const NSUInteger sum = std::accumulate(state.bandwidthUsageTracker.begin(), state.bandwidthUsageTracker.end(), NSUInteger { 0 });
    state.averageBandwidthUsedPerSecond = sum / state.bandwidthUsageTracker.size();
}

NSUInteger QNHTTPRequest::maxUploadReadLength()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    NSUInteger length = state.maxBandwidthPerSecond / 4;
    const NSUInteger used = state.bandwidthUsedInLastSecond, limit = state.maxBandwidthPerSecond;
    if (limit > 0 && used + length > limit)
        length = used >= limit ? 0 : limit - used;
    if (length == 0 || !state.bandwidthMeasurementDate || *state.bandwidthMeasurementDate - VirtualClock::now() < 0)
        state.throttleWakeUpTime = state.bandwidthMeasurementDate;
    return length;
}

size_t QNHTTPRequest::throttledReadSize(size_t planned)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    if (!throttlingApplies(state))
        return planned;
    size_t size = planned;
    if (state.maxBandwidthPerSecond > 0) {
        const long long remaining = static_cast<long long>(state.maxBandwidthPerSecond) - static_cast<long long>(state.bandwidthUsedInLastSecond);
        if (remaining < 0)
            size = 1;
        else if (static_cast<unsigned long long>(remaining / 4) < size)
            size = static_cast<size_t>(remaining / 4);
    }
    return size < 1 ? 1 : size;
}

// --- Each request's share

namespace {

using ThrottledRequest = QNHTTPRequestClassState::ThrottledRequest;

// Under the throttle's lock: the request's record, made on its thread.
ThrottledRequest& recordOf(QNHTTPRequestClassState& state, QNHTTPRequest& request, const std::string& mode)
{
    for (auto& entry : state.throttledRequests)
        if (entry.request.unsafeGet() == &request)
            return entry;
    state.throttledRequests.push_back({ WeakPtr<QNHTTPRequest>(request), NSRunLoop::currentRunLoop(), mode, false, std::nullopt, 0, std::nullopt });
    return state.throttledRequests.back();
}

NSUInteger usedInThisWindow(const QNHTTPRequestClassState& state, const ThrottledRequest& entry)
{
    return entry.window == state.bandwidthMeasurementDate ? entry.usedInWindow : 0;
}

// Under the throttle's lock: an equal part of the window for every request
// that reads under the throttle or waits for it, rounded up so that the
// parts fill the window.
NSUInteger shareOfWindow(QNHTTPRequestClassState& state)
{
    std::erase_if(state.throttledRequests, [](const ThrottledRequest& entry) { return !entry.request; });
    const NSUInteger sharing = std::max<NSUInteger>(state.throttledRequests.size(), 1);
    return (state.maxBandwidthPerSecond + sharing - 1) / sharing;
}

bool spentItsShare(QNHTTPRequestClassState& state, QNHTTPRequest& request, const std::string& mode)
{
    const NSUInteger share = shareOfWindow(state);
    return usedInThisWindow(state, recordOf(state, request, mode)) >= share;
}

// Under the throttle's lock, in the same hold as the decision to hold the
// request back: a wake between the two would find it not yet held and pass
// it by, and its timer alone may not come soon (or, while time stands still,
// at all). YES when it needs a wake-up timer of its own.
bool markHeld(QNHTTPRequestClassState& state, QNHTTPRequest& request, const std::string& mode, std::optional<NSTimeInterval> wakeUpTime)
{
    ThrottledRequest& entry = recordOf(state, request, mode);
    if (entry.held && entry.wakeUpTime == wakeUpTime)
        return false;
    entry.held = true;
    entry.wakeUpTime = wakeUpTime;
    return wakeUpTime.has_value();
}

} // namespace

void QNHTTPRequest::leaveBandwidthShare()
{
    // A request without a connection takes no part of a window.
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    std::erase_if(state.throttledRequests, [this](const ThrottledRequest& entry) { return entry.request.unsafeGet() == this; });
}

size_t QNHTTPRequest::readSizeUnderBudget(size_t planned)
{
    size_t size = throttledReadSize(planned);
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    if (!throttlingApplies(state) || state.maxBandwidthPerSecond == 0)
        return size;
    // No more than what is left of this request's share, so that one
    // request with its answer at hand never takes the whole window.
    const NSUInteger share = shareOfWindow(state);
    const NSUInteger used = usedInThisWindow(state, recordOf(state, *this, m_runLoopMode));
    if (used < share)
        size = std::min<size_t>(size, share - used);
    return size < 1 ? 1 : size;
}

void QNHTTPRequest::countBytesRead(NSUInteger bytes)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.bandwidthThrottlingLock);
    state.bandwidthUsedInLastSecond += bytes;
    if (!throttlingApplies(state))
        return;
    ThrottledRequest& entry = recordOf(state, *this, m_runLoopMode);
    if (entry.window != state.bandwidthMeasurementDate) {
        entry.window = state.bandwidthMeasurementDate;
        entry.usedInWindow = 0;
    }
    entry.usedInWindow += bytes;
}

// --- Holding connections back

void QNHTTPRequest::performThrottling()
{
    if (!m_readStream)
        return;
    measureBandwidthUsage();
    auto& state = QNHTTPRequestClassState::shared();
    enum { Attach, Detach } action = Attach;
    std::optional<NSTimeInterval> wakeUp;
    bool needsTimer = false;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        if (throttlingApplies(state)) {
            const NSTimeInterval current = VirtualClock::now();
            if (state.throttleWakeUpTime && *state.throttleWakeUpTime - current > 0) {
                action = Detach;
                wakeUp = state.throttleWakeUpTime;
            } else if (state.maxBandwidthPerSecond > 0 && state.bandwidthMeasurementDate && spentItsShare(state, *this, m_runLoopMode)) {
                // Its share is spent: it waits for the next window.
                action = Detach;
                wakeUp = *state.bandwidthMeasurementDate + 0.001;
            }
        }
        if (action == Detach)
            needsTimer = markHeld(state, *this, m_runLoopMode, wakeUp);
    }
    if (action == Detach) {
        // A wake meanwhile is queued on this thread: it comes after this.
        if (m_readStreamIsScheduled)
            unscheduleReadStream();
        if (needsTimer)
            wakeUpAt(*wakeUp);
    } else if (!m_readStreamIsScheduled) {
        // Neither the wake-up time nor its share holds it back (also when
        // no wake-up time was ever set: a request held for its share must
        // go on in the next window).
        scheduleReadStream();
    }
}

void QNHTTPRequest::performThrottlingOnItsThread()
{
    m_cancelledLock->lock();
    Ref<QNHTTPRequest> protect(*this);
    if (!m_complete && !m_cancelled)
        performThrottling();
    m_cancelledLock->unlock();
}

bool QNHTTPRequest::holdNewConnectionIfThrottled()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::optional<NSTimeInterval> wakeUp;
    bool needsTimer = false;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        if (!throttlingApplies(state) || !state.throttleWakeUpTime || *state.throttleWakeUpTime - VirtualClock::now() <= 0)
            return false;
        wakeUp = state.throttleWakeUpTime;
        needsTimer = markHeld(state, *this, m_runLoopMode, wakeUp);
    }
    if (needsTimer)
        wakeUpAt(*wakeUp);
    return true;
}

void QNHTTPRequest::wakeUpAt(NSTimeInterval wakeUpTime)
{
    // Remembered with its thread (markHeld), so that a new window or the
    // end of throttling lets it go on at once; and woken when its wake-up
    // time comes rather than at its next status tick, which may be a
    // quarter of a second later.
    WeakPtr<QNHTTPRequest> weakThis(*this);
    auto timer = NSTimer::timerWithTimeInterval(std::max(0.0, wakeUpTime - VirtualClock::now()), [weakThis](NSTimer&) {
        if (auto request = weakThis.lock())
            request->performThrottlingOnItsThread();
    }, false);
    NSRunLoop::currentRunLoop()->addTimer(timer, m_runLoopMode);
}

void QNHTTPRequest::wakeHeldRequests()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::vector<std::pair<WeakPtr<QNHTTPRequest>, std::pair<Ref<NSRunLoop>, std::string>>> held;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        for (auto& entry : state.throttledRequests) {
            if (!entry.held)
                continue;
            entry.held = false;
            entry.wakeUpTime.reset();
            held.push_back({ entry.request, { entry.runLoop, entry.mode } });
        }
    }
    // Each decides on its own thread whether it may go on; one that may
    // not holds itself back again.
    for (auto& [request, place] : held) {
        place.first->performInModes({ place.second }, [request] {
            if (auto waiting = request.lock())
                waiting->performThrottlingOnItsThread();
        });
    }
}

// --- Only on the cellular network

void QNHTTPRequest::setShouldThrottleBandwidthForWWAN(bool throttle)
{
    if (throttle) {
        throttleBandwidthForWWANUsingLimit(WWANBandwidthLimit);
        return;
    }
    unsubscribeFromNetworkReachabilityNotifications();
    auto& state = QNHTTPRequestClassState::shared();
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        state.maxBandwidthPerSecond = 0;
        state.isBandwidthThrottled = false;
        state.shouldThrottleBandwidthForWWANOnly = false;
    }
    wakeHeldRequests();
}

void QNHTTPRequest::throttleBandwidthForWWANUsingLimit(NSUInteger limit)
{
    auto& state = QNHTTPRequestClassState::shared();
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        state.shouldThrottleBandwidthForWWANOnly = true;
        state.maxBandwidthPerSecond = limit;
    }
    // The watcher is started outside the lock: its notifications take it.
    registerForNetworkReachabilityNotifications();
    reachabilityChanged(nullptr);
}

void QNHTTPRequest::registerForNetworkReachabilityNotifications()
{
    auto& state = QNHTTPRequestClassState::shared();
    RefPtr<Reachability> reachability = Reachability::reachabilityForInternetConnection();
    if (reachability)
        reachability->startNotifier();
    RefPtr<Reachability> replaced;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        replaced = std::exchange(state.internetReachability, reachability);
    }
    auto center = NSNotificationCenter::defaultCenter();
    center->removeObserver(*state.reachabilityObserver, kReachabilityChangedNotification, nullptr);
    center->addObserver(*state.reachabilityObserver, [](NSNotification& notification) { reachabilityChanged(&notification); },
        kReachabilityChangedNotification, nullptr);
}

void QNHTTPRequest::unsubscribeFromNetworkReachabilityNotifications()
{
    auto& state = QNHTTPRequestClassState::shared();
    NSNotificationCenter::defaultCenter()->removeObserver(*state.reachabilityObserver, kReachabilityChangedNotification, nullptr);
    RefPtr<Reachability> released;
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        released = std::move(state.internetReachability);
        state.internetReachability = nullptr;
    }
}

bool QNHTTPRequest::isNetworkReachableViaWWAN()
{
    auto reachability = Reachability::reachabilityForInternetConnection();
    return reachability && reachability->currentReachabilityStatus() == ReachableViaWWAN;
}

void QNHTTPRequest::reachabilityChanged(NSNotification*)
{
    const bool cellular = isNetworkReachableViaWWAN();
    auto& state = QNHTTPRequestClassState::shared();
    {
        std::lock_guard lock(state.bandwidthThrottlingLock);
        state.isBandwidthThrottled = cellular;
    }
    if (!cellular)
        wakeHeldRequests();
}

} // namespace qv
