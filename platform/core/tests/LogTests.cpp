#include "platform/core/Log.h"

#include <gtest/gtest.h>

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
