// A program for the run loop's tests: threads that outlive main(), each
// running a run loop of its own in the default mode and fed performs in the
// common modes by another thread (as the HTTP library's network thread and
// the operation queue's workers are), and main() returning while they are
// busy. Whatever those threads use must outlive the exit handlers that run
// meanwhile. Exits 0 when main() ends; 3 when a thread read a mode name
// that had changed under it; 2 when the threads never got going.

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/Foundation/VirtualClock.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace {

constexpr int loopCount = 4;
constexpr int performsBeforeExit = 200;

// Performs the loop ran; read by its poster and by main().
std::atomic<long> ran[loopCount];

void checkModeNames()
{
    if (NSDefaultRunLoopMode != "kCFRunLoopDefaultMode" || NSRunLoopCommonModes != "kCFRunLoopCommonModes")
        _exit(3);
}

void runForever(std::atomic<NSRunLoop*>& published)
{
    auto runLoop = NSRunLoop::currentRunLoop();
    // A source that never fires keeps the loop from running dry.
    auto keepAlive = RunLoopSource::create(std::function<void()>());
    runLoop->addSource(keepAlive, NSDefaultRunLoopMode);
    published = runLoop.ptr();
    for (;;)
        runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
}

// One perform at a time, each queued once the one before it ran.
void feedForever(NSRunLoop& runLoop, std::atomic<long>& counter)
{
    for (;;) {
        const long before = counter.load();
        runLoop.performInModes({ NSRunLoopCommonModes }, [&counter] {
            checkModeNames();
            ++counter;
        });
        while (counter.load() == before)
            std::this_thread::yield();
    }
}

} // namespace

int main()
{
    static std::atomic<NSRunLoop*> loops[loopCount];
    for (int i = 0; i < loopCount; ++i) {
        auto thread = NSThread::create([i] { runForever(loops[i]); });
        thread->start();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int i = 0; i < loopCount; ++i) {
        while (!loops[i].load()) {
            if (std::chrono::steady_clock::now() > deadline)
                return 2;
            std::this_thread::yield();
        }
        std::thread([i] { feedForever(*loops[i].load(), ran[i]); }).detach();
    }
    for (int i = 0; i < loopCount; ++i) {
        while (ran[i].load() < performsBeforeExit) {
            if (std::chrono::steady_clock::now() > deadline)
                return 2;
            std::this_thread::yield();
        }
    }
    // Every loop is busy now; the process exits under their feet.
    return 0;
}
