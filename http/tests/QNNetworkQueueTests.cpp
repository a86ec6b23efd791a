#include "http/QNNamedException.h"
#include "http/QNNetworkQueue.h"
#include "http/tests/RequestTestSupport.h"

#include "testing/LoopbackHTTPServer.h"

#include <gtest/gtest.h>

#include <set>

using namespace qv;
using namespace qv::testing;

namespace {

class QueueDelegate : public QNNetworkQueueDelegate {
public:
    int started = 0, finished = 0, failed = 0, queueEnds = 0;
    std::vector<int> failureCodes;
    void requestStarted(QNHTTPRequest&) override { ++started; }
    void requestFinished(QNHTTPRequest&) override { ++finished; }
    void requestFailed(QNHTTPRequest& request) override
    {
        ++failed;
        failureCodes.push_back(static_cast<int>(request.error()->code()));
    }
    void queueFinished(QNNetworkQueue&) override { ++queueEnds; }
};

class Progress : public QNProgressDelegate {
public:
    std::vector<float> values;
    bool respondsToSetProgress() const override { return true; }
    void setProgress(float value) override { values.push_back(value); }
};

using QNNetworkQueueTest = LoopbackRequestTest;

} // namespace

TEST_F(QNNetworkQueueTest, AHundredRequestsFourAtATimeWithProgressThatAddsUp)
{
    s_nginx->addFile("/item.bin", fileBytes(20000));
    auto queue = QNNetworkQueue::queue();
    QueueDelegate delegate;
    Progress progress;
    queue->setDelegate(&delegate);
    queue->setRequestDidStartSelector(&QNHTTPRequestDelegate::requestStarted);
    queue->setRequestDidFinishSelector(&QNHTTPRequestDelegate::requestFinished);
    queue->setRequestDidFailSelector(&QNHTTPRequestDelegate::requestFailed);
    queue->setQueueDidFinishSelector(&QNNetworkQueueDelegate::queueFinished);
    queue->setShowAccurateProgress(true);
    queue->setDownloadProgressDelegate(&progress);
    const size_t before = s_nginx->loggedRequests().size();
    for (int i = 0; i < 100; ++i)
        queue->addOperation(request(s_nginx->url("/item.bin")));
    EXPECT_EQ(queue->requestsCount(), 100);
    EXPECT_EQ(queue->operationCount(), 200u) << "each GET with its HEAD request";
    queue->go();
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate.queueEnds == 1; }, 60));
    drainMainLoop();
    EXPECT_EQ(delegate.started, 100);
    EXPECT_EQ(delegate.finished, 100);
    EXPECT_EQ(delegate.failed, 0);
    EXPECT_EQ(queue->totalBytesToDownload(), 100u * 20000u);
    EXPECT_EQ(queue->bytesDownloadedSoFar(), 100u * 20000u);
    ASSERT_FALSE(progress.values.empty());
    EXPECT_FLOAT_EQ(progress.values.back(), 1.0f);
    // Never more than four of the group at the server at once: nginx saw
    // at most four connections for them.
    auto logged = s_nginx->loggedRequests(before + 200);
    std::set<long> connections;
    for (size_t i = before; i < logged.size(); ++i)
        connections.insert(logged[i].connection);
    EXPECT_LE(connections.size(), 4u);

    EXPECT_THROW(queue->addOperation(NSOperation::operationWithBlock([] { })), QNNamedException);
}

TEST_F(QNNetworkQueueTest, AFailureCancelsTheRestWhichReportTheirCancellation)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    auto queue = QNNetworkQueue::queue();
    QueueDelegate delegate;
    queue->setDelegate(&delegate);
    queue->setRequestDidFailSelector(&QNHTTPRequestDelegate::requestFailed);
    queue->setRequestDidFinishSelector(&QNHTTPRequestDelegate::requestFinished);
    queue->setQueueDidFinishSelector(&QNNetworkQueueDelegate::queueFinished);
    queue->setMaxConcurrentOperationCount(1);
    queue->addOperation(request("http://127.0.0.1:" + std::to_string(LoopbackHTTPServer::closedPort()) + "/"));
    for (int i = 0; i < 5; ++i)
        queue->addOperation(request(server.url("/_/hang")));
    queue->go();
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate.queueEnds == 1; }, 60));
    drainMainLoop();
    EXPECT_EQ(delegate.failed, 6);
    EXPECT_EQ(delegate.finished, 0);
    EXPECT_EQ(queue->requestsCount(), 0);
    EXPECT_EQ(delegate.failureCodes.front(), QNConnectionFailureErrorType);
    EXPECT_EQ(std::count(delegate.failureCodes.begin(), delegate.failureCodes.end(), QNRequestCancelledErrorType), 5);
    // The cancelled requests still start, to end themselves, after their
    // failures were told; they all leave the queue.
    EXPECT_TRUE(runMainLoopUntil([&] { return queue->operationCount() == 0; }, 60));
}
