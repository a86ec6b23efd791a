#include "RunLoopSource.h"

#include "NSRunLoop.h"

namespace qv {

RunLoopSource::RunLoopSource(int fileDescriptor, std::function<void()> handler)
    : m_fileDescriptor(fileDescriptor)
    , m_handler(handler ? std::make_shared<std::function<void()>>(std::move(handler)) : nullptr)
{
}

Ref<RunLoopSource> RunLoopSource::create(int fileDescriptor, std::function<void()> handler)
{
    return makeRef<RunLoopSource>(fileDescriptor, std::move(handler));
}

Ref<RunLoopSource> RunLoopSource::create(std::function<void()> handler)
{
    return makeRef<RunLoopSource>(-1, std::move(handler));
}

void RunLoopSource::signal()
{
    {
        std::lock_guard guard(m_lock);
        if (!m_valid)
            return;
        m_signalled = true;
    }
    wakeRunLoops();
}

void RunLoopSource::invalidate()
{
    std::shared_ptr<std::function<void()>> released;
    {
        std::lock_guard guard(m_lock);
        if (!m_valid)
            return;
        m_valid = false;
        released = std::move(m_handler);
    }
    released.reset();
    wakeRunLoops();
}

bool RunLoopSource::isValid() const
{
    std::lock_guard guard(m_lock);
    return m_valid;
}

void RunLoopSource::addRunLoop(NSRunLoop& runLoop)
{
    std::lock_guard guard(m_lock);
    for (const WeakPtr<NSRunLoop>& known : m_runLoops) {
        if (known.unsafeGet() == &runLoop && known)
            return;
    }
    m_runLoops.emplace_back(runLoop);
}

bool RunLoopSource::takeSignal()
{
    std::lock_guard guard(m_lock);
    return m_valid && std::exchange(m_signalled, false);
}

bool RunLoopSource::perform()
{
    std::shared_ptr<std::function<void()>> handler;
    {
        std::lock_guard guard(m_lock);
        if (!m_valid)
            return false;
        handler = m_handler;
    }
    if (!handler)
        return false;
    Ref<RunLoopSource> protect(*this);
    (*handler)();
    return true;
}

void RunLoopSource::wakeRunLoops()
{
    std::vector<WeakPtr<NSRunLoop>> runLoops;
    {
        std::lock_guard guard(m_lock);
        runLoops = m_runLoops;
    }
    for (const WeakPtr<NSRunLoop>& weak : runLoops) {
        if (RefPtr<NSRunLoop> runLoop = weak.lock())
            runLoop->wakeUp();
    }
}

} // namespace qv
