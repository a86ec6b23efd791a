#pragma once

#include "platform/Foundation/NSObject.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace qv {

class NSDictionary;
class NSRunLoop;

// A thread of the process with its run loop. A thread made here runs its
// entry once started and keeps itself alive until the entry returns; the
// object of the main thread and of threads made otherwise is found with
// currentThread().
class NSThread : public NSObject {
public:
    // The C++ form of initWithTarget:selector:object: and initWithBlock:
    // the entry owns whatever it needs, its target included.
    static Ref<NSThread> create(std::function<void()> entry);

    static Ref<NSThread> currentThread();
    static Ref<NSThread> mainThread();
    static bool isMainThread();

    void start();
    bool isExecuting() const { return m_state == State::Executing; }
    bool isFinished() const { return m_state == State::Finished; }

    // The run loop the thread runs; work may be queued on it before the
    // thread starts.
    Ref<NSRunLoop> runLoop() const;

    // A dictionary of the thread's own, for what code keeps per thread (such
    // as formatters, which are not to be shared between threads); made on
    // first use, gone with the thread.
    Ref<NSDictionary> threadDictionary();

    std::string className() const override { return "NSThread"; }

    ~NSThread() override;

private:
    QV_MAKE_REF_FRIEND;
    enum class State { Created, Executing, Finished };
    NSThread(std::function<void()> entry, Ref<NSRunLoop> runLoop, State state);

    void main();

    mutable std::mutex m_lock;
    std::function<void()> m_entry;
    Ref<NSRunLoop> m_runLoop;
    RefPtr<NSDictionary> m_threadDictionary;
    std::atomic<State> m_state;

    friend struct CurrentThread;
};

} // namespace qv
