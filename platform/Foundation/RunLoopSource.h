#pragma once

#include "platform/core/Ref.h"
#include "platform/core/WeakPtr.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace qv {

class NSRunLoop;

// Something besides timers that a run loop waits for: a file descriptor
// becoming readable (the handler must read it, or remove the source at its
// end, else the loop keeps finding it ready), or a flag that any thread
// signals. A source with no handler does nothing but keep a run loop from
// running dry. Handlers run on the thread of the run loop.
class RunLoopSource : public Object {
public:
    static Ref<RunLoopSource> create(int fileDescriptor, std::function<void()> handler);
    static Ref<RunLoopSource> create(std::function<void()> handler);

    int fileDescriptor() const { return m_fileDescriptor; }

    // Marks the source ready and wakes the run loops it is in.
    void signal();
    // Stops the source for good: its loops drop it and the handler goes.
    void invalidate();
    bool isValid() const;

private:
    QV_MAKE_REF_FRIEND;
    friend class NSRunLoop;
    RunLoopSource(int fileDescriptor, std::function<void()> handler);

    void addRunLoop(NSRunLoop& runLoop);
    bool takeSignal();
    // Runs the handler; answers whether there was one to run.
    bool perform();
    void wakeRunLoops();

    const int m_fileDescriptor;
    mutable std::mutex m_lock;
    std::shared_ptr<std::function<void()>> m_handler;
    std::vector<WeakPtr<NSRunLoop>> m_runLoops;
    bool m_signalled = false;
    bool m_valid = true;
};

} // namespace qv
