#include "DispatchQueue.h"

#include "NSRunLoop.h"
#include "NSTimer.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {
constexpr double nanosecondsPerSecond = 1e9;
}

DispatchQueue::DispatchQueue(Ref<NSRunLoop> runLoop)
    : m_runLoop(std::move(runLoop))
{
}

DispatchQueue& DispatchQueue::mainQueue()
{
    // Lives as long as the process, like the main run loop it feeds.
    static DispatchQueue* queue = makeRef<DispatchQueue>(NSRunLoop::mainRunLoop()).leak();
    return *queue;
}

void DispatchQueue::async(std::function<void()> block)
{
    m_runLoop->performInModes({ NSRunLoopCommonModes }, std::move(block));
}

void DispatchQueue::after(double date, std::function<void()> block)
{
    NSTimeInterval delay = std::max(date - VirtualClock::now(), 0.0);
    Ref<NSTimer> timer = NSTimer::timerWithTimeInterval(delay, [block = std::move(block)](NSTimer&) {
        if (block)
            block();
    }, false);
    m_runLoop->addTimer(timer, NSRunLoopCommonModes);
}

dispatch_queue_t dispatch_get_main_queue()
{
    return &DispatchQueue::mainQueue();
}

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta)
{
    if (when == DISPATCH_TIME_FOREVER)
        return DISPATCH_TIME_FOREVER;
    double base = when == DISPATCH_TIME_NOW ? VirtualClock::now() * nanosecondsPerSecond : static_cast<double>(when);
    double result = base + static_cast<double>(delta);
    if (result <= 1.0)
        return 1; // the earliest time that is not "now"
    if (result >= static_cast<double>(DISPATCH_TIME_FOREVER))
        return DISPATCH_TIME_FOREVER - 1;
    return static_cast<dispatch_time_t>(std::llround(result));
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block)
{
    if (!queue) {
        logLine("dispatch_async: no queue; the block is dropped");
        return;
    }
    queue->async(std::move(block));
}

void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block)
{
    if (!queue) {
        logLine("dispatch_after: no queue; the block is dropped");
        return;
    }
    if (when == DISPATCH_TIME_FOREVER)
        return;
    double date = when == DISPATCH_TIME_NOW ? VirtualClock::now() : static_cast<double>(when) / nanosecondsPerSecond;
    queue->after(date, std::move(block));
}

void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block)
{
    if (!predicate) {
        logLine("dispatch_once: no predicate; the block is not run");
        return;
    }
    std::call_once(*predicate, [&] {
        if (block)
            block();
    });
}

} // namespace qv
