#include "NSRunLoop.h"

#include "DeviceRootState.h"
#include "NSThread.h"
#include "NSTimer.h"
#include "RunLoopSource.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qv {

// Never destroyed (see the header): a global std::string would be freed by
// the exit handlers under the feet of those threads.
const std::string& NSDefaultRunLoopMode = *new std::string("kCFRunLoopDefaultMode");
const std::string& NSRunLoopCommonModes = *new std::string("kCFRunLoopCommonModes");

namespace {

// One counter orders timers scheduled for the same moment and performs
// queued across threads.
std::atomic<uint64_t> nextSequenceValue { 1 };
uint64_t nextSequence()
{
    return nextSequenceValue.fetch_add(1, std::memory_order_relaxed);
}

// Every run loop, so that a change of the clock can wake them all. Never
// destroyed: threads may still wake loops while the process exits.
struct RunLoopRegistry {
    std::mutex lock;
    std::vector<WeakPtr<NSRunLoop>> runLoops;
};
RunLoopRegistry& registry()
{
    static RunLoopRegistry* instance = new RunLoopRegistry;
    return *instance;
}

// The run loop of a thread that is not the main thread; when the thread
// ends, the loop refuses further work so that no one waits on it.
struct CurrentRunLoop {
    RefPtr<NSRunLoop> runLoop;
    ~CurrentRunLoop()
    {
        if (runLoop)
            runLoop->threadDidExit();
    }
};
thread_local CurrentRunLoop currentRunLoopOfThread;

template<typename Entries, typename T>
auto findEntry(Entries& entries, T& item)
{
    return std::find_if(entries.begin(), entries.end(), [&](const auto& known) { return known.item.ptr() == &item; });
}

struct ModeScope {
    ModeScope(std::mutex& lock, std::vector<std::string>& stack, std::atomic<std::thread::id>& runningThread, const std::string& mode)
        : m_lock(lock), m_stack(stack), m_runningThread(runningThread), m_outerThread(runningThread.exchange(std::this_thread::get_id()))
    {
        std::lock_guard guard(m_lock);
        m_stack.push_back(mode);
    }
    ~ModeScope()
    {
        std::lock_guard guard(m_lock);
        m_stack.pop_back();
        m_runningThread = m_outerThread;
    }
    std::mutex& m_lock;
    std::vector<std::string>& m_stack;
    std::atomic<std::thread::id>& m_runningThread;
    const std::thread::id m_outerThread;
};

} // namespace

NSRunLoop::NSRunLoop()
    : m_commonModes { NSDefaultRunLoopMode }
    , m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        logLine("NSRunLoop: cannot make a wake-up descriptor; the loop will only poll");
    RunLoopRegistry& known = registry();
    std::lock_guard guard(known.lock);
    std::erase_if(known.runLoops, [](const WeakPtr<NSRunLoop>& runLoop) { return !runLoop; });
    known.runLoops.emplace_back(*this);
}

NSRunLoop::~NSRunLoop()
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

namespace {

NSRunLoop& mainLoop()
{
    // Lives as long as the process: other threads perform on it until the end.
    static NSRunLoop* loop = makeRef<NSRunLoop>().leak();
    return *loop;
}

} // namespace

Ref<NSRunLoop> NSRunLoop::mainRunLoop()
{
    return mainLoop();
}

bool NSRunLoop::isCurrentThreadsLoop() const
{
    if (NSThread::isMainThread())
        return this == &mainLoop();
    return currentRunLoopOfThread.runLoop.get() == this;
}

Ref<NSRunLoop> NSRunLoop::currentRunLoop()
{
    if (NSThread::isMainThread())
        return mainRunLoop();
    if (!currentRunLoopOfThread.runLoop)
        currentRunLoopOfThread.runLoop = makeRef<NSRunLoop>();
    return currentRunLoopOfThread.runLoop.toRef();
}

void NSRunLoop::setCurrentRunLoop(NSRunLoop& runLoop)
{
    currentRunLoopOfThread.runLoop = &runLoop;
}

void NSRunLoop::wakeUpAll()
{
    std::vector<WeakPtr<NSRunLoop>> runLoops;
    {
        RunLoopRegistry& known = registry();
        std::lock_guard guard(known.lock);
        runLoops = known.runLoops;
    }
    for (const WeakPtr<NSRunLoop>& weak : runLoops) {
        if (RefPtr<NSRunLoop> runLoop = weak.lock())
            runLoop->wakeUp();
    }
}

std::optional<std::string> NSRunLoop::currentMode() const
{
    std::lock_guard guard(m_lock);
    if (m_modeStack.empty())
        return std::nullopt;
    return m_modeStack.back();
}

void NSRunLoop::addCommonMode(const std::string& mode)
{
    {
        std::lock_guard guard(m_lock);
        m_commonModes.insert(mode);
    }
    wakeUp();
}

bool NSRunLoop::isInMode(const std::set<std::string>& modes, const std::string& mode) const
{
    return modes.count(mode) || (modes.count(NSRunLoopCommonModes) && m_commonModes.count(mode));
}

RunLoopTimerQueue::ModeTest NSRunLoop::modeTest(const std::string& mode) const
{
    return [this, &mode](const std::set<std::string>& modes) { return isInMode(modes, mode); };
}

void NSRunLoop::addTimer(NSTimer& timer, const std::string& forMode)
{
    if (!timer.isValid())
        return;
    if (!timer.attachToRunLoop(*this, nextSequence())) {
        logLine("NSRunLoop: a timer can be added to one run loop only; ignored");
        return;
    }
    {
        std::lock_guard guard(m_lock);
        m_timers.add(timer, timer.sequence(), forMode);
    }
    wakeUp();
}

void NSRunLoop::timerDidChange(NSTimer& timer)
{
    std::vector<Ref<NSTimer>> removed;
    {
        std::lock_guard guard(m_lock);
        m_timers.refile(timer, removed);
    }
    wakeUp();
}

void NSRunLoop::addSource(RunLoopSource& source, const std::string& forMode)
{
    if (!source.isValid())
        return;
    source.addRunLoop(*this);
    {
        std::lock_guard guard(m_lock);
        auto entry = findEntry(m_sources, source);
        if (entry != m_sources.end())
            entry->modes.insert(forMode);
        else
            m_sources.push_back({ source, { forMode } });
    }
    wakeUp();
}

void NSRunLoop::removeSource(RunLoopSource& source, const std::string& forMode)
{
    std::vector<SourceEntry> removed;
    {
        std::lock_guard guard(m_lock);
        auto entry = findEntry(m_sources, source);
        if (entry == m_sources.end())
            return;
        entry->modes.erase(forMode);
        if (entry->modes.empty()) {
            removed.push_back(std::move(*entry));
            m_sources.erase(entry);
        }
    }
    wakeUp();
}

void NSRunLoop::performInModes(const std::vector<std::string>& modes, std::function<void()> block)
{
    // Made into a set once here rather than at every look the loop takes at
    // the queue, and outside the lock.
    std::set<std::string> modeSet(modes.begin(), modes.end());
    {
        std::lock_guard guard(m_lock);
        if (!m_threadExited) {
            m_performs.push_back({ nextSequence(), std::move(modeSet), std::move(block) });
            block = nullptr;
        }
    }
    if (block) {
        logLine("NSRunLoop: the thread of this run loop has ended; the perform is dropped");
        return; // the block goes here, outside the lock
    }
    wakeUp();
}

void NSRunLoop::threadDidExit()
{
    std::deque<Perform> performs;
    std::vector<Ref<NSTimer>> timers;
    std::vector<SourceEntry> sources;
    {
        std::lock_guard guard(m_lock);
        m_threadExited = true;
        performs.swap(m_performs);
        timers = m_timers.takeAll();
        sources.swap(m_sources);
    }
    // Timers that can never fire again let go of their targets.
    for (Ref<NSTimer>& timer : timers)
        timer->invalidate();
}

void NSRunLoop::wakeUp()
{
    if (m_wakeFd < 0)
        return;
    // The thread running the loop is not waiting: it is here. Nor is the
    // loop's own thread before it runs the loop (a request started there
    // adds its stream and timer first): runMode looks at everything before
    // it waits. A thread that entered runMode before this change was added
    // (under m_lock) is seen here, so it is woken.
    const std::thread::id running = m_runningThread.load(std::memory_order_relaxed);
    if (running == std::this_thread::get_id() || (running == std::thread::id() && isCurrentThreadsLoop()))
        return;
    uint64_t one = 1;
    while (write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) { }
}

void NSRunLoop::drainWakeUps()
{
    // One read takes the whole count of an eventfd and sets it back to 0.
    uint64_t count;
    while (m_wakeFd >= 0 && read(m_wakeFd, &count, sizeof count) < 0 && errno == EINTR) { }
}

bool NSRunLoop::hasAnythingInMode(const std::string& mode)
{
    std::lock_guard guard(m_lock);
    if (m_timers.hasValidTimer(modeTest(mode)))
        return true;
    for (const SourceEntry& entry : m_sources) {
        if (isInMode(entry.modes, mode) && entry.item->isValid())
            return true;
    }
    for (const Perform& perform : m_performs) {
        if (isInMode(perform.modes, mode))
            return true;
    }
    return false;
}

std::optional<NSTimeInterval> NSRunLoop::nextFireDate(const std::string& mode)
{
    std::vector<Ref<NSTimer>> removed;
    std::lock_guard guard(m_lock);
    return m_timers.nextFireDate(modeTest(mode), removed);
}

bool NSRunLoop::runMode(const std::string& mode, NSTimeInterval beforeDate)
{
    Ref<NSRunLoop> protect(*this);
    ModeScope scope(m_lock, m_modeStack, m_runningThread, mode);
    while (hasAnythingInMode(mode)) {
        if (runOnePass(mode, VirtualClock::now()))
            return true;
        NSTimeInterval now = VirtualClock::now();
        if (now >= beforeDate)
            return false;
        if (handleReadySources(mode, waitTimeout(mode, now, beforeDate)))
            return true;
    }
    return false;
}

void NSRunLoop::runUntilDate(NSTimeInterval date)
{
    while (VirtualClock::now() < date && runMode(NSDefaultRunLoopMode, date)) { }
}

void NSRunLoop::run()
{
    while (runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture)) { }
}

bool NSRunLoop::runOnePass(const std::string& mode, NSTimeInterval now)
{
    // Work that arrives while this pass runs waits for the next one, so a
    // timer or perform that schedules itself again cannot hold the loop.
    uint64_t passSequence = nextSequence();
    // Between passes the device root may have been made again.
    DeviceRootState::lookAgainAtNextUse();
    bool ran = fireDueTimers(mode, now, passSequence);
    ran |= runQueuedPerforms(mode, passSequence);
    ran |= handleSignalledSources(mode);
    ran |= handleReadySources(mode, 0);
    return ran;
}

RefPtr<NSTimer> NSRunLoop::takeNextDueTimer(const std::string& mode, NSTimeInterval now, uint64_t passSequence)
{
    std::vector<Ref<NSTimer>> removed;
    std::lock_guard guard(m_lock);
    return m_timers.nextDue(modeTest(mode), now, passSequence, removed);
}

bool NSRunLoop::fireDueTimers(const std::string& mode, NSTimeInterval now, uint64_t passSequence)
{
    bool fired = false;
    while (RefPtr<NSTimer> timer = takeNextDueTimer(mode, now, passSequence))
        fired |= timer->fireIfDue(now);
    return fired;
}

std::optional<std::function<void()>> NSRunLoop::takeNextPerform(const std::string& mode, uint64_t passSequence)
{
    std::lock_guard guard(m_lock);
    for (auto perform = m_performs.begin(); perform != m_performs.end(); ++perform) {
        if (perform->sequence >= passSequence || !isInMode(perform->modes, mode))
            continue;
        std::function<void()> block = std::move(perform->block);
        m_performs.erase(perform);
        return block;
    }
    return std::nullopt;
}

bool NSRunLoop::runQueuedPerforms(const std::string& mode, uint64_t passSequence)
{
    bool ran = false;
    while (std::optional<std::function<void()>> block = takeNextPerform(mode, passSequence)) {
        if (*block)
            (*block)();
        ran = true;
    }
    return ran;
}

std::vector<Ref<RunLoopSource>> NSRunLoop::sourcesInMode(const std::string& mode)
{
    std::vector<Ref<RunLoopSource>> sources;
    std::vector<SourceEntry> finished;
    std::lock_guard guard(m_lock);
    for (auto entry = m_sources.begin(); entry != m_sources.end();) {
        if (!entry->item->isValid()) {
            finished.push_back(std::move(*entry));
            entry = m_sources.erase(entry);
            continue;
        }
        if (isInMode(entry->modes, mode))
            sources.push_back(entry->item);
        ++entry;
    }
    return sources;
}

bool NSRunLoop::handleSignalledSources(const std::string& mode)
{
    bool handled = false;
    for (Ref<RunLoopSource>& source : sourcesInMode(mode)) {
        // A signal counts as handled even for a source without a handler:
        // someone meant to make the loop go round.
        if (source->takeSignal()) {
            source->perform();
            handled = true;
        }
    }
    return handled;
}

bool NSRunLoop::handleReadySources(const std::string& mode, int timeoutMilliseconds)
{
    std::vector<Ref<RunLoopSource>> watched;
    std::vector<pollfd> descriptors;
    if (m_wakeFd >= 0 && timeoutMilliseconds != 0)
        descriptors.push_back({ m_wakeFd, POLLIN, 0 });
    for (Ref<RunLoopSource>& source : sourcesInMode(mode)) {
        if (source->fileDescriptor() < 0)
            continue;
        descriptors.push_back({ source->fileDescriptor(), POLLIN, 0 });
        watched.push_back(source);
    }
    if (descriptors.empty())
        return false;
    int count = poll(descriptors.data(), descriptors.size(), timeoutMilliseconds);
    if (count < 0 && errno != EINTR)
        logLine("NSRunLoop: poll failed");
    if (count <= 0)
        return false;
    size_t first = descriptors.size() - watched.size();
    if (first == 1 && descriptors[0].revents)
        drainWakeUps();
    bool handled = false;
    for (size_t index = 0; index < watched.size(); ++index) {
        if (descriptors[first + index].revents)
            handled |= watched[index]->perform();
    }
    return handled;
}

int NSRunLoop::waitTimeout(const std::string& mode, NSTimeInterval now, NSTimeInterval limit)
{
    // Under a virtual clock time moves only when a test advances it, and
    // the advance wakes every loop; there is nothing to wait out in real time.
    if (VirtualClock::isInstalled())
        return -1;
    NSTimeInterval until = limit;
    if (std::optional<NSTimeInterval> fireDate = nextFireDate(mode))
        until = std::min(until, *fireDate);
    if (until >= VirtualClock::distantFuture)
        return -1;
    double milliseconds = std::ceil((until - now) * 1000.0);
    return static_cast<int>(std::clamp(milliseconds, 0.0, static_cast<double>(INT_MAX)));
}

} // namespace qv
