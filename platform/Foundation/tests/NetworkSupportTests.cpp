#include "platform/Foundation/Base64.h"
#include "platform/Foundation/HTTPDate.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSOperationQueue.h"
#include "platform/Foundation/StringEncoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace qv;

namespace {

// A gate operations wait at until the test opens it.
class Gate {
public:
    void wait()
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_open; });
    }
    void open()
    {
        std::lock_guard lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Waits (bounded) for a condition another thread makes true.
template<typename Condition>
bool eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An operation that, like the HTTP library's requests, keeps its state
// under a lock of its own and tells its observers while it holds it.
class SelfLockingOperation : public NSOperation {
public:
    std::recursive_mutex& lock() { return m_lock; }
    bool isConcurrent() const override { return true; }
    bool isCancelled() const override
    {
        asked = true;
        std::lock_guard hold(m_lock);
        return false;
    }
    bool isFinished() const override
    {
        std::lock_guard hold(m_lock);
        return m_finished;
    }
    void start() override
    {
        std::lock_guard hold(m_lock);
        ++starts;
        m_finished = true;
        didChangeState();
    }

    mutable std::atomic<bool> asked { false };
    std::atomic<int> starts { 0 };

private:
    mutable std::recursive_mutex m_lock;
    bool m_finished = false;
};

} // namespace

TEST(NSOperationQueueTest, RunsNoMoreThanItsWidthAndTheWidthChangesWhileItRuns)
{
    auto queue = NSOperationQueue::create();
    queue->setMaxConcurrentOperationCount(2);
    Gate gate;
    std::atomic<int> running { 0 }, peak { 0 }, done { 0 };
    for (int i = 0; i < 8; ++i) {
        queue->addOperationWithBlock([&] {
            const int now = ++running;
            int seen = peak.load();
            while (now > seen && !peak.compare_exchange_weak(seen, now)) { }
            gate.wait();
            --running;
            ++done;
        });
    }
    ASSERT_TRUE(eventually([&] { return running == 2; }));
    queue->setMaxConcurrentOperationCount(4);
    ASSERT_TRUE(eventually([&] { return running == 4; }));
    gate.open();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(done, 8);
    EXPECT_EQ(peak, 4);
    EXPECT_EQ(queue->operationCount(), 0u);
}

TEST(NSOperationQueueTest, SuspensionPrioritiesDependenciesAndCancelAll)
{
    auto queue = NSOperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    queue->setSuspended(true);
    std::mutex lock;
    std::vector<std::string> order;
    auto record = [&](std::string name) {
        return NSOperation::operationWithBlock([&, name] {
            std::lock_guard guard(lock);
            order.push_back(name);
        });
    };
    auto low = record("low");
    low->setQueuePriority(NSOperationQueuePriorityLow);
    auto high = record("high");
    high->setQueuePriority(NSOperationQueuePriorityVeryHigh);
    auto normal = record("normal");
    auto afterLow = record("after low");
    afterLow->setQueuePriority(NSOperationQueuePriorityVeryHigh);
    afterLow->addDependency(low);
    for (auto& operation : { afterLow, low, normal, high })
        queue->addOperation(operation);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        std::lock_guard guard(lock);
        EXPECT_TRUE(order.empty()) << "a suspended queue starts nothing";
    }
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order, (std::vector<std::string> { "high", "normal", "low", "after low" }));

    // Cancelled operations end without running, and a dependant of a
    // cancelled operation still runs once it ended.
    order.clear();
    queue->setSuspended(true);
    auto first = record("first");
    auto second = record("second");
    queue->addOperation(first);
    queue->addOperation(second);
    queue->cancelAllOperations();
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(first->isCancelled() && first->isFinished() && second->isFinished());
}

TEST(Base64Test, EncodesAndDecodesWithPadding)
{
    const std::pair<std::string, std::string> cases[] = {
        { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" }, { "foo", "Zm9v" }, { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" }, { std::string("\0\xff\xfe", 3), "AP/+" },
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(base64EncodedString(bytes), text);
        auto decoded = base64DecodedBytes(text);
        ASSERT_TRUE(decoded) << text;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), bytes);
    }
    for (const char* bad : { "Zg=", "Z!==", "Zm9v\n" })
        EXPECT_FALSE(base64DecodedBytes(bad)) << bad;
}

TEST(HTTPDateTest, ReadsTheRFC1123FormsAndWritesTheFullOne)
{
    const NSTimeInterval expected = NSDate::dateWithTimeIntervalSince1970(784111777)->timeIntervalSinceReferenceDate();
    const std::pair<const char*, NSTimeInterval> cases[] = {
        { "Sun, 06 Nov 1994 08:49:37 GMT", expected },
        { "06 Nov 1994 08:49:37 GMT", expected },
        { "Sun, 06 Nov 1994 08:49 GMT", expected - 37 },
        { "Sun, 06 Nov 1994 09:49:37 +0100", expected },
        { "Sun, 06 Nov 1994 00:49:37 PST", expected },
    };
    for (const auto& [text, date] : cases) {
        auto parsed = dateFromRFC1123String(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, date) << text;
    }
    for (const char* bad : { "", "Sunday, 06 Nov 1994 08:49:37 GMT", "Sun, 31 Feb 1994 08:49:37 GMT", "Sun, 06 Nov 1994 08:49:37",
             "Sun, 06 Nov 1994 08:49:37 GMT trailing", "1994-11-06T08:49:37Z" })
        EXPECT_FALSE(dateFromRFC1123String(bad)) << bad;
    EXPECT_EQ(RFC1123StringFromDate(expected), "Sun, 06 Nov 1994 08:49:37 GMT");
}

TEST(StringEncodingTest, NamesAndConversions)
{
    EXPECT_EQ(encodingForIANACharSetName("UTF-8"), NSUTF8StringEncoding);
    EXPECT_EQ(encodingForIANACharSetName("utf8"), NSUTF8StringEncoding);
    EXPECT_EQ(encodingForIANACharSetName("ISO-8859-1"), NSISOLatin1StringEncoding);
    EXPECT_EQ(encodingForIANACharSetName("windows-1252"), NSWindowsCP1252StringEncoding);
    EXPECT_EQ(encodingForIANACharSetName("Shift_JIS"), NSShiftJISStringEncoding);
    EXPECT_EQ(encodingForIANACharSetName("nonsense"), kCFStringEncodingInvalidId);
    EXPECT_EQ(IANACharSetNameOfEncoding(NSUTF8StringEncoding), "utf-8");

    EXPECT_EQ(stringFromBytes("caf\xe9", NSISOLatin1StringEncoding), "caf\xc3\xa9");
    EXPECT_EQ(stringFromBytes("\x80", NSWindowsCP1252StringEncoding), "\xe2\x82\xac");
    EXPECT_EQ(stringFromBytes(std::string("\0a\0b", 4), NSUTF16BigEndianStringEncoding), "ab");
    EXPECT_FALSE(stringFromBytes("caf\xe9", NSUTF8StringEncoding));
    EXPECT_FALSE(stringFromBytes("\x80", NSASCIIStringEncoding));
    EXPECT_EQ(bytesFromString("caf\xc3\xa9", NSISOLatin1StringEncoding), "caf\xe9");
    EXPECT_FALSE(bytesFromString("\xe2\x82\xac", NSISOLatin1StringEncoding)) << "no euro sign in Latin-1";
    // Latin-1 at its edges, the same as every other encoding's conversion.
    for (NSStringEncoding encoding : { NSISOLatin1StringEncoding, NSWindowsCP1252StringEncoding }) {
        EXPECT_EQ(bytesFromString("", encoding), "");
        EXPECT_EQ(bytesFromString(std::string("a\0b", 3), encoding), std::string("a\0b", 3));
        EXPECT_EQ(bytesFromString("\xc3\xbf", encoding), "\xff") << "the last Latin-1 character";
        EXPECT_FALSE(bytesFromString("\xc4\x80", encoding)) << "the first beyond it";
        EXPECT_FALSE(bytesFromString("caf\xe9", encoding)) << "no UTF-8";
        EXPECT_FALSE(bytesFromString("\xc0\xa9", encoding)) << "an overlong form";
    }
}

// One thread holds the operation's lock and tells the queue of a change
// (which takes the queue's lock) while another thread's pass of the queue
// asks the operation of its state (which takes the operation's lock): the
// queue asks with no lock of its own held, so neither waits for the other.
TEST(NSOperationQueueTest, AsksItsOperationsWithoutHoldingItsLock)
{
    auto queue = NSOperationQueue::create();
    queue->setSuspended(true);
    auto operation = makeRef<SelfLockingOperation>();
    queue->addOperation(operation);
    std::promise<bool> told;
    auto toldResult = told.get_future();
    std::thread([queue, operation, told = std::move(told)]() mutable {
        std::thread resume;
        bool asked = false;
        {
            std::lock_guard hold(operation->lock());
            operation->asked = false;
            resume = std::thread([queue] { queue->setSuspended(false); });
            // The resuming pass is asking the operation now (and waits for
            // its lock) before the operation tells of its change.
            asked = eventually([&] { return operation->asked.load(); });
            operation->didChangeState();
        }
        resume.join();
        told.set_value(asked);
    }).detach();
    // Bounded: a deadlock fails here instead of hanging the test program.
    ASSERT_EQ(toldResult.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "the queue and the operation wait for each other";
    EXPECT_TRUE(toldResult.get());
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(operation->starts, 1);
    EXPECT_EQ(queue->operationCount(), 0u);
}
