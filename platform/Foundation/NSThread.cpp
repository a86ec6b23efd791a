#include "NSThread.h"

#include "NSDictionary.h"
#include "NSRunLoop.h"

#include "platform/core/Log.h"

#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace qv {

// The NSThread object of the calling thread; a thread that ends marks its
// object finished.
struct CurrentThread {
    RefPtr<NSThread> thread;
    ~CurrentThread()
    {
        if (thread)
            thread->m_state = NSThread::State::Finished;
    }
};

namespace {
thread_local CurrentThread currentThreadObject;

// Whether the calling thread is the process's first, asked once per
// thread: the answer is wanted at every hand-over between threads. The
// thread that forks is the child's first, so its answer is asked again.
enum class MainThreadAnswer : signed char { Unknown, Yes, No };
thread_local MainThreadAnswer mainThreadAnswer = MainThreadAnswer::Unknown;
const int forgetAnswerInChild = pthread_atfork(nullptr, nullptr, [] { mainThreadAnswer = MainThreadAnswer::Unknown; });
}

NSThread::NSThread(std::function<void()> entry, Ref<NSRunLoop> runLoop, State state)
    : m_entry(std::move(entry))
    , m_runLoop(std::move(runLoop))
    , m_state(state)
{
}

NSThread::~NSThread() = default;

Ref<NSThread> NSThread::create(std::function<void()> entry)
{
    return makeRef<NSThread>(std::move(entry), makeRef<NSRunLoop>(), State::Created);
}

bool NSThread::isMainThread()
{
    (void)forgetAnswerInChild;
    if (mainThreadAnswer == MainThreadAnswer::Unknown)
        mainThreadAnswer = gettid() == getpid() ? MainThreadAnswer::Yes : MainThreadAnswer::No;
    return mainThreadAnswer == MainThreadAnswer::Yes;
}

Ref<NSThread> NSThread::mainThread()
{
    // Lives as long as the process, like the main run loop.
    static NSThread* thread = makeRef<NSThread>(nullptr, NSRunLoop::mainRunLoop(), State::Executing).leak();
    return *thread;
}

Ref<NSDictionary> NSThread::threadDictionary()
{
    std::lock_guard guard(m_lock);
    if (!m_threadDictionary)
        m_threadDictionary = NSDictionary::create();
    return m_threadDictionary.toRef();
}

Ref<NSThread> NSThread::currentThread()
{
    if (isMainThread())
        return mainThread();
    if (!currentThreadObject.thread)
        currentThreadObject.thread = makeRef<NSThread>(nullptr, NSRunLoop::currentRunLoop(), State::Executing);
    return currentThreadObject.thread.toRef();
}

Ref<NSRunLoop> NSThread::runLoop() const
{
    return m_runLoop;
}

void NSThread::start()
{
    State expected = State::Created;
    if (!m_state.compare_exchange_strong(expected, State::Executing)) {
        logLine("NSThread: a thread can be started only once");
        return;
    }
    // The running thread keeps its object alive until the entry returns.
    std::thread([self = Ref<NSThread>(*this)] { self->main(); }).detach();
}

void NSThread::main()
{
    currentThreadObject.thread = this;
    NSRunLoop::setCurrentRunLoop(m_runLoop);
    std::function<void()> entry;
    {
        std::lock_guard guard(m_lock);
        entry = std::move(m_entry);
    }
    if (entry)
        entry();
    // The entry's captures go on this thread, before the thread counts as
    // finished, so that whoever waits for the end finds them gone.
    entry = nullptr;
    m_runLoop->threadDidExit();
    m_state = State::Finished;
}

} // namespace qv
