#include "UIKitMainLoop.h"

#include "platform/core/Log.h"

#include <chrono>

namespace qv {

namespace {

UIKitMainLoop::Scheduler*& installedScheduler()
{
    static UIKitMainLoop::Scheduler* scheduler = nullptr;
    return scheduler;
}

} // namespace

double UIKitMainLoop::now()
{
    if (Scheduler* scheduler = installedScheduler())
        return scheduler->now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void UIKitMainLoop::performAfter(double seconds, std::function<void()> work)
{
    if (Scheduler* scheduler = installedScheduler()) {
        scheduler->performAfter(seconds, std::move(work));
        return;
    }
    logLine("UIKit: no main run loop to run delayed work on; dropped");
}

UIKitMainLoop::Scheduler* UIKitMainLoop::setScheduler(Scheduler* scheduler)
{
    Scheduler* old = installedScheduler();
    installedScheduler() = scheduler;
    return old;
}

} // namespace qv
