#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace qv;

TEST(Log, CaptureCollectsLinesAndNests)
{
    LogCapture outer;
    logLine("first");
    {
        LogCapture inner;
        logLine("second");
        EXPECT_EQ(inner.lines(), std::vector<std::string> { "second" });
    }
    logLine("third");
    EXPECT_EQ(outer.lines(), (std::vector<std::string> { "first", "third" }));
    EXPECT_TRUE(outer.contains("thi"));
    outer.clear();
    EXPECT_TRUE(outer.lines().empty());
}

TEST(Log, LinesFromManyThreadsStayWhole)
{
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([i] {
            for (int j = 0; j < 100; ++j)
                logLine("thread " + std::to_string(i));
        });
    for (std::thread& thread : threads)
        thread.join();
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 400u);
    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("thread ", 0), 0u);
}

// A capture that ends before a newer one (a test fixture's, say) leaves the
// newer one collecting, and the log never reaches the ended one.
TEST(Log, CaptureEndingOutOfOrderLeavesTheOthersWhole)
{
    LogCapture outermost;
    auto older = std::make_unique<LogCapture>();
    auto newer = std::make_unique<LogCapture>();
    older.reset();
    logLine("to the newer");
    EXPECT_EQ(newer->lines(), std::vector<std::string> { "to the newer" });
    newer.reset();
    logLine("to the outermost");
    EXPECT_EQ(outermost.lines(), std::vector<std::string> { "to the outermost" });
}
