#include "PerformSelector.h"

#include "NSThread.h"
#include "NSTimer.h"

#include "platform/core/Log.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace qv {

namespace {

// What a delayed perform is known by when it is cancelled. The timer holds
// the target and the object, so the addresses stay theirs while it is valid.
struct DelayedPerform {
    const Object* target;
    std::string selector;
    const Object* object;
    WeakPtr<NSTimer> timer;
};

// Delayed performs belong to the run loop of the thread that made them,
// and only that thread cancels them.
thread_local std::vector<DelayedPerform> delayedPerforms;

std::vector<Ref<NSTimer>> takeDelayedPerforms(const std::function<bool(const DelayedPerform&)>& matches)
{
    std::vector<Ref<NSTimer>> taken;
    std::erase_if(delayedPerforms, [&](const DelayedPerform& perform) {
        RefPtr<NSTimer> timer = perform.timer.lock();
        if (!timer || !timer->isValid())
            return true;
        if (!matches(perform))
            return false;
        taken.push_back(timer.toRef());
        return true;
    });
    return taken;
}

class Completion {
public:
    void signal()
    {
        std::lock_guard guard(m_lock);
        m_done = true;
        m_condition.notify_all();
    }
    void wait()
    {
        std::unique_lock guard(m_lock);
        m_condition.wait(guard, [this] { return m_done; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_condition;
    bool m_done = false;
};

// A queued block that sets its waiting caller free once it is gone, whether
// it ran or its thread ended first; what it holds goes before the signal,
// so the caller finds the target already released by the other thread.
struct WaitedBlock {
    WaitedBlock(std::function<void()> block, std::shared_ptr<Completion> completion)
        : block(std::move(block)), completion(std::move(completion)) {}
    ~WaitedBlock()
    {
        block = nullptr;
        completion->signal();
    }
    std::function<void()> block;
    std::shared_ptr<Completion> completion;
};

std::function<void()> retainingBlock(Object& target, Message message, RefPtr<Object> withObject)
{
    return [target = Ref<Object>(target), withObject = std::move(withObject), send = std::move(message.send)] {
        if (send)
            send();
    };
}

void performOnRunLoop(NSRunLoop& runLoop, std::function<void()> block, bool waitUntilDone, const std::vector<std::string>& modes)
{
    if (waitUntilDone && &runLoop == NSRunLoop::currentRunLoop().ptr()) {
        block();
        return;
    }
    if (!waitUntilDone) {
        runLoop.performInModes(modes, std::move(block));
        return;
    }
    auto completion = std::make_shared<Completion>();
    auto waited = std::make_shared<WaitedBlock>(std::move(block), completion);
    runLoop.performInModes(modes, [waited] { waited->block(); });
    waited.reset();
    completion->wait();
}

} // namespace

void performSelector(Object& target, Message message, RefPtr<Object> withObject, NSTimeInterval afterDelay)
{
    performSelector(target, std::move(message), std::move(withObject), afterDelay, { NSDefaultRunLoopMode });
}

void performSelector(Object& target, Message message, RefPtr<Object> withObject, NSTimeInterval afterDelay,
    const std::vector<std::string>& inModes)
{
    DelayedPerform record { &target, message.selector, withObject.get(), nullptr };
    std::function<void()> block = retainingBlock(target, std::move(message), std::move(withObject));
    Ref<NSTimer> timer = NSTimer::timerWithTimeInterval(afterDelay, [block = std::move(block)](NSTimer&) { block(); }, false);
    record.timer = timer;
    takeDelayedPerforms([](const DelayedPerform&) { return false; }); // forgets the finished ones
    delayedPerforms.push_back(std::move(record));
    Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
    for (const std::string& mode : inModes)
        runLoop->addTimer(timer, mode);
}

void cancelPreviousPerformRequestsWithTarget(const Object& target)
{
    auto cancelled = takeDelayedPerforms([&](const DelayedPerform& perform) { return perform.target == &target; });
    // Invalidating lets go of targets, whose destructors may perform again.
    for (Ref<NSTimer>& timer : cancelled)
        timer->invalidate();
}

void cancelPreviousPerformRequestsWithTarget(const Object& target, const std::string& selector, const Object* object)
{
    auto cancelled = takeDelayedPerforms([&](const DelayedPerform& perform) {
        return perform.target == &target && perform.selector == selector && perform.object == object;
    });
    for (Ref<NSTimer>& timer : cancelled)
        timer->invalidate();
}

void performSelectorOnMainThread(Object& target, Message message, RefPtr<Object> withObject, bool waitUntilDone,
    const std::vector<std::string>& modes)
{
    performOnRunLoop(NSRunLoop::mainRunLoop(), retainingBlock(target, std::move(message), std::move(withObject)), waitUntilDone, modes);
}

void performSelector(Object& target, Message message, NSThread& onThread, RefPtr<Object> withObject, bool waitUntilDone,
    const std::vector<std::string>& modes)
{
    performOnRunLoop(onThread.runLoop(), retainingBlock(target, std::move(message), std::move(withObject)), waitUntilDone, modes);
}

} // namespace qv
