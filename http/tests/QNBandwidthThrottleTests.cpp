#include "http/QNHTTPRequest.h"
#include "http/QNInputStream.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/SystemConfiguration/SCNetworkReachabilityTesting.h"

#include "testing/ScriptedHTTPServer.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <numeric>
#include <optional>

using namespace qv;
using namespace qv::testing;

namespace {

constexpr SCNetworkReachabilityFlags Cellular = kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN;
constexpr SCNetworkReachabilityFlags WiFi = kSCNetworkReachabilityFlagsReachable;

std::string fileContents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class QNBandwidthThrottleTest : public LoopbackRequestTest {
protected:
    void TearDown() override
    {
        QNHTTPRequest::setShouldThrottleBandwidthForWWAN(false);
        QNHTTPRequest::setMaxBandwidthPerSecond(0);
        LoopbackRequestTest::TearDown();
    }

    // A virtual time later than any earlier test's, so that every window
    // they opened has ended.
    static NSTimeInterval laterThanBefore()
    {
        static NSTimeInterval next = VirtualClock::realNow() + 1e6;
        next += 1e5;
        return next;
    }

    // Closes what earlier tests counted and opens an empty window.
    static void startAfreshIn(VirtualClock& clock)
    {
        QNHTTPRequest::measureBandwidthUsage();
        clock.advance(1.5);
        QNHTTPRequest::measureBandwidthUsage();
        ASSERT_EQ(QNHTTPRequest::bandwidthWindow().used, 0u);
    }
};

} // namespace

TEST_F(QNBandwidthThrottleTest, WindowsAveragesWakeUpTimesAndReadSizes)
{
    VirtualClock clock(laterThanBefore());
    QNHTTPRequest::setMaxBandwidthPerSecond(10000);
    ASSERT_TRUE(QNHTTPRequest::isBandwidthThrottled());
    startAfreshIn(clock);
    // A window in which nothing was counted leaves an average of 0.
    EXPECT_EQ(QNHTTPRequest::averageBandwidthUsedPerSecond(), 0u);

    // Twice the limit in a window: paused until a second after its end.
    const auto window = QNHTTPRequest::bandwidthWindow();
    QNHTTPRequest::incrementBandwidthUsedInLastSecond(20000);
    QNHTTPRequest::measureBandwidthUsage();
    ASSERT_TRUE(QNHTTPRequest::bandwidthWindow().wakeUpTime);
    EXPECT_DOUBLE_EQ(*QNHTTPRequest::bandwidthWindow().wakeUpTime, *window.ends + 1.0);
    clock.advance(1.01);
    QNHTTPRequest::measureBandwidthUsage();
    EXPECT_EQ(QNHTTPRequest::averageBandwidthUsedPerSecond(), 20000u);

    // Response reads: a quarter of what is left, 1 byte once it is spent.
    struct Read {
        NSUInteger limit;
        NSUInteger used;
        size_t planned;
        size_t expected;
    };
    const Read reads[] = {
        { 10000, 0, 16384, 2500 }, { 10000, 0, 1000, 1000 }, { 10000, 9990, 16384, 2 },
        { 10000, 9999, 16384, 1 }, { 10000, 10000, 16384, 1 }, { 1000, 1500, 16384, 1 },
    };
    for (const Read& read : reads) {
        QNHTTPRequest::setMaxBandwidthPerSecond(read.limit);
        clock.advance(1.01);
        QNHTTPRequest::measureBandwidthUsage();
        QNHTTPRequest::incrementBandwidthUsedInLastSecond(read.used);
        EXPECT_EQ(QNHTTPRequest::throttledReadSize(read.planned), read.expected) << read.limit << " " << read.used;
    }
    QNHTTPRequest::setMaxBandwidthPerSecond(0);
    EXPECT_FALSE(QNHTTPRequest::isBandwidthThrottled());
    EXPECT_EQ(QNHTTPRequest::throttledReadSize(16384), 16384u);
}

TEST_F(QNBandwidthThrottleTest, BodyPiecesFollowTheBudgetOnTheCellularNetworkOnly)
{
    ScopedReachabilityAnswers answers;
    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString("http://layouts.test/upload"));
    auto body = QNInputStream::inputStreamWithData(std::vector<uint8_t>(100000, 'b'), *request);
    body->open();
    std::vector<uint8_t> buffer(65536);

    // No limit: the asked length passes.
    EXPECT_EQ(body->read(buffer.data(), 20000), 20000);

    SCNetworkReachabilityTesting::setAnswer(Cellular);
    QNHTTPRequest::setShouldThrottleBandwidthForWWAN(true);
    EXPECT_TRUE(QNHTTPRequest::isBandwidthThrottled());
    EXPECT_EQ(QNHTTPRequest::maxBandwidthPerSecond(), 14800u);
    {
        VirtualClock clock(laterThanBefore());
        startAfreshIn(clock);
        std::vector<long> pieces;
        for (int i = 0; i < 6; ++i)
            pieces.push_back(body->read(buffer.data(), buffer.size()));
        EXPECT_EQ(pieces, (std::vector<long> { 3700, 3700, 3700, 3700, 1, 1 }));
        // Spent: paused until the window's end.
        EXPECT_EQ(QNHTTPRequest::bandwidthWindow().wakeUpTime, QNHTTPRequest::bandwidthWindow().ends);
        clock.advance(1.01);
        QNHTTPRequest::measureBandwidthUsage();
        QNHTTPRequest::incrementBandwidthUsedInLastSecond(12000);
        EXPECT_EQ(body->read(buffer.data(), buffer.size()), 2800) << "near the limit";
        EXPECT_EQ(body->read(buffer.data(), 100), 1) << "smaller than asked, yet spent";
    }
    // On Wi-Fi the same stream is not held back.
    SCNetworkReachabilityTesting::setAnswer(WiFi);
    QNHTTPRequest::reachabilityChanged(nullptr);
    EXPECT_FALSE(QNHTTPRequest::isBandwidthThrottled());
    EXPECT_EQ(body->read(buffer.data(), 30000), 30000);
    body->close();
}

TEST_F(QNBandwidthThrottleTest, ReachabilityChangesSwitchTheCellularMode)
{
    ScopedReachabilityAnswers answers;
    SCNetworkReachabilityTesting::setAnswer(WiFi);
    QNHTTPRequest::setShouldThrottleBandwidthForWWAN(true);
    EXPECT_FALSE(QNHTTPRequest::isBandwidthThrottled()) << "on Wi-Fi";
    SCNetworkReachabilityTesting::setAnswer(Cellular);
    EXPECT_TRUE(runMainLoopUntil([] { return QNHTTPRequest::isBandwidthThrottled(); }, 10));
    SCNetworkReachabilityTesting::setAnswer(WiFi);
    EXPECT_TRUE(runMainLoopUntil([] { return !QNHTTPRequest::isBandwidthThrottled(); }, 10));
    SCNetworkReachabilityTesting::setAnswer(Cellular);
    EXPECT_TRUE(runMainLoopUntil([] { return QNHTTPRequest::isBandwidthThrottled(); }, 10));

    // Switched off: limit and flag go at once, and changes no longer count.
    QNHTTPRequest::setShouldThrottleBandwidthForWWAN(false);
    EXPECT_FALSE(QNHTTPRequest::isBandwidthThrottled());
    EXPECT_EQ(QNHTTPRequest::maxBandwidthPerSecond(), 0u);
    SCNetworkReachabilityTesting::setAnswer(WiFi);
    SCNetworkReachabilityTesting::setAnswer(Cellular);
    drainMainLoop();
    EXPECT_FALSE(QNHTTPRequest::isBandwidthThrottled());
}

TEST_F(QNBandwidthThrottleTest, RequestsShareEachWindowAndGoOnAtOnceWhenTheLimitGoes)
{
    // Time stands still but for the test's steps: each step opens one
    // window, and what the requests read in it is counted.
    constexpr NSUInteger limit = 50000;
    constexpr size_t fileSize = 150000;
    constexpr int requests = 3;
    VirtualClock clock(laterThanBefore());
    QNHTTPRequest::setMaxBandwidthPerSecond(limit);
    startAfreshIn(clock);

    std::array<size_t, requests> received {};
    std::vector<Ref<QNHTTPRequest>> running;
    RequestsSilencedAtEnd silenced;
    for (int i = 0; i < requests; ++i) {
        const std::string path = "/throttle/" + std::to_string(i) + ".bin";
        s_nginx->addFile(path, fileBytes(fileSize));
        auto request = this->request(s_nginx->url(path));
        request->setDataReceivedBlock([&received, i](const std::string& data) { received[static_cast<size_t>(i)] += data.size(); });
        silenced.add(request);
        request->startAsynchronous();
        running.push_back(request);
    }
    const auto total = [&] { return std::accumulate(received.begin(), received.end(), size_t { 0 }); };
    const auto allFinished = [&] {
        return std::all_of(running.begin(), running.end(), [](const Ref<QNHTTPRequest>& request) { return request->isFinished(); });
    };

    std::optional<NSTimeInterval> windowEnd = QNHTTPRequest::bandwidthWindow().ends;
    auto before = received;
    for (int window = 0; window < 3; ++window) {
        SCOPED_TRACE(window);
        // Until the window's budget is spent: then every request is held.
        ASSERT_TRUE(runMainLoopUntil([&] {
            const auto now = QNHTTPRequest::bandwidthWindow();
            return now.ends == windowEnd && now.used > limit;
        }));
        drainMainLoop();
        // One byte over at most per request, however the reads fell.
        EXPECT_LE(total(), (window + 1) * (limit + requests));
        EXPECT_GT(total(), window * limit + limit / 2);
        // The first window may go to whichever answer came first; from then
        // on every held request starts each window with the others.
        for (size_t i = 0; i < requests && window > 0; ++i)
            EXPECT_GT(received[i], before[i]) << "request " << i << " had no share";
        EXPECT_FALSE(allFinished());
        before = received;
        // Past the wake-up time: the next window opens.
        clock.advance(1.1);
        ASSERT_TRUE(runMainLoopUntil([&] { return QNHTTPRequest::bandwidthWindow().ends != windowEnd; }));
        windowEnd = QNHTTPRequest::bandwidthWindow().ends;
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return QNHTTPRequest::bandwidthWindow().used > limit; }));

    // No limit: every held request goes on now, not at a tick (time does
    // not move again).
    QNHTTPRequest::setMaxBandwidthPerSecond(0);
    const bool finished = runMainLoopUntil(allFinished);
    if (!finished) {
        for (size_t i = 0; i < requests; ++i)
            std::cerr << i << ": finished " << running[i]->isFinished() << " received " << received[i] << " read " << running[i]->totalBytesRead() << " status " << running[i]->responseStatusCode() << "\n";
    }
    ASSERT_TRUE(finished);
    drainMainLoop();
    for (size_t i = 0; i < requests; ++i) {
        EXPECT_FALSE(running[i]->error());
        EXPECT_EQ(received[i], fileSize);
    }
}

TEST_F(QNBandwidthThrottleTest, AnUploadWaitsForItsWindowsToo)
{
    // Time stands still: the body may not go beyond one window's budget
    // until the limit is lifted.
    constexpr NSUInteger limit = 20000;
    constexpr size_t bodySize = 200000;
    ScriptedHTTPServer server({ { 200, {}, "stored" } });
    VirtualClock clock(laterThanBefore());
    QNHTTPRequest::setMaxBandwidthPerSecond(limit);
    startAfreshIn(clock);
    auto upload = request(server.url("/upload"));
    upload->setRequestMethod("PUT");
    upload->appendPostData(std::string(bodySize, 'u'));
    upload->startAsynchronous();
    // At the budget, the request holds its connection back until the
    // window's end or a moment past it.
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto window = QNHTTPRequest::bandwidthWindow();
        return window.used >= limit && window.wakeUpTime >= window.ends;
    }));
    // Body pieces were a quarter of what was left, then single bytes until
    // the connection was held: far from the whole body.
    drainMainLoop();
    EXPECT_FALSE(upload->isFinished());
    EXPECT_LT(QNHTTPRequest::bandwidthWindow().used, limit + 4096);

    QNHTTPRequest::setMaxBandwidthPerSecond(0);
    // The server tells what it got before it answers.
    auto received = server.nextRequest();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->body.size(), bodySize);
    ASSERT_TRUE(runMainLoopUntil([&] { return upload->isFinished(); }));
    EXPECT_FALSE(upload->error());
}

TEST_F(QNBandwidthThrottleTest, ALoneRequestGoesOnInEachNextWindow)
{
    // One request under the limit reads a window's budget, waits for the
    // next window, and so on to its end.
    constexpr NSUInteger limit = 10000;
    constexpr size_t fileSize = 35000;
    VirtualClock clock(laterThanBefore());
    QNHTTPRequest::setMaxBandwidthPerSecond(limit);
    startAfreshIn(clock);
    s_nginx->addFile("/throttle/alone.bin", fileBytes(fileSize));
    auto alone = request(s_nginx->url("/throttle/alone.bin"));
    alone->startAsynchronous();
    int windows = 0;
    for (; windows < 8 && !alone->isFinished(); ++windows) {
        const auto ends = QNHTTPRequest::bandwidthWindow().ends;
        ASSERT_TRUE(runMainLoopUntil([&] {
            const auto window = QNHTTPRequest::bandwidthWindow();
            return alone->isFinished() || (window.ends == ends && window.used >= limit);
        }));
        EXPECT_LE(QNHTTPRequest::bandwidthWindow().used, limit + 1);
        if (alone->isFinished())
            break;
        clock.advance(1.1);
        ASSERT_TRUE(runMainLoopUntil([&] { return alone->isFinished() || QNHTTPRequest::bandwidthWindow().ends != ends; }));
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return alone->isFinished(); }));
    EXPECT_FALSE(alone->error());
    EXPECT_EQ(alone->rawResponseData().size(), fileSize);
    // 35,000 bytes at 10,000 a window: the fourth window ends it.
    EXPECT_EQ(windows, 3);
}

TEST_F(QNBandwidthThrottleTest, ADownloadWhoseLastBytesSpendTheBudgetEnds)
{
    // The answer fills three windows exactly: its last bytes spend the last
    // window's budget, so the request is held back at the moment its
    // stream reaches the end. That end is heard once the next window lets
    // the request go on. (Time stands still: an end that went unheard
    // would wait for ever, not for a time-out.)
    constexpr NSUInteger limit = 10000;
    constexpr size_t fileSize = 3 * limit;
    struct Case {
        const char* name;
        bool connectionCloses; // a scripted server that closes after its answer, else nginx
        bool toFile;
    };
    const Case cases[] = {
        { "kept alive, in memory", false, false },
        { "kept alive, to a file", false, true },
        { "closed after the answer, in memory", true, false },
    };
    const std::string bytes = fileBytes(fileSize);
    s_nginx->addFile("/throttle/windows.bin", bytes);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<ScriptedHTTPServer> scripted;
        if (c.connectionCloses)
            scripted.emplace(std::vector<ScriptedHTTPServer::Reply> { { 200, { { "Connection", "close" } }, bytes } });
        VirtualClock clock(laterThanBefore());
        QNHTTPRequest::setMaxBandwidthPerSecond(limit);
        startAfreshIn(clock);
        auto download = request(scripted ? scripted->url("/windows.bin") : s_nginx->url("/throttle/windows.bin"));
        if (c.toFile)
            download->setDownloadDestinationPath("/var/mobile/windows.bin");
        download->startAsynchronous();
        int windows = 0;
        for (; windows < 6 && !download->isFinished(); ++windows) {
            const auto ends = QNHTTPRequest::bandwidthWindow().ends;
            const bool spent = runMainLoopUntil([&] {
                const auto window = QNHTTPRequest::bandwidthWindow();
                return download->isFinished() || (window.ends == ends && window.used >= limit);
            }, 10);
            if (!spent || download->isFinished())
                break;
            clock.advance(1.1);
            ASSERT_TRUE(runMainLoopUntil([&] { return download->isFinished() || QNHTTPRequest::bandwidthWindow().ends != ends; }));
        }
        const bool finished = runMainLoopUntil([&] { return download->isFinished(); }, 10);
        EXPECT_TRUE(finished) << "all " << download->totalBytesRead() << " bytes read in " << windows << " windows, and no end";
        if (!finished) {
            download->clearDelegatesAndCancel();
            continue;
        }
        ASSERT_FALSE(download->error()) << download->error()->description();
        EXPECT_EQ(download->totalBytesRead(), fileSize);
        if (c.toFile)
            EXPECT_EQ(fileContents(m_root.path() / "var/mobile/windows.bin"), bytes);
        else
            EXPECT_EQ(download->rawResponseData(), bytes);
        // Three windows read it; the fourth heard its end.
        EXPECT_EQ(windows, 3);
    }
}
