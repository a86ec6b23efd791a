#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/CFNetwork/Transport/HTTPTransportTesting.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/VirtualClock.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackNginx.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <atomic>
#include <mutex>
#include <thread>

using namespace qv;
using qv::testing::LoopbackHTTPServer;
using qv::testing::LoopbackNginx;
using namespace qv::testing;

using QNHTTPRequestTest = LoopbackRequestTest;

TEST_F(QNHTTPRequestTest, SynchronousGetOverPlainAndSecureConnections)
{
    const std::string body = fileBytes(70000);
    s_nginx->addFile("/layouts/Blue.plist", body);
    for (const std::string& url : { s_nginx->url("/layouts/Blue.plist"), s_nginx->secureURL("/layouts/Blue.plist") }) {
        SCOPED_TRACE(url);
        auto request = this->request(url);
        request->setValidatesSecureCertificate(false);
        RecordingDelegate delegate;
        request->setDelegate(&delegate);
        std::vector<std::string> order;
        request->setCompletionBlock([&] { order.push_back("completion"); });
        request->startSynchronous();
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->responseStatusMessage(), "HTTP/1.1 200 OK");
        EXPECT_EQ(request->responseData(), body);
        EXPECT_EQ(request->responseHeader("content-length"), std::to_string(body.size())) << "looked up in any case";
        EXPECT_EQ(request->contentLength(), body.size());
        EXPECT_TRUE(request->isFinished());
        EXPECT_FALSE(request->isExecuting());
        // Run on the main thread, the callbacks came in place.
        EXPECT_EQ(delegate.events, (std::vector<std::string> { "started", "headers", "finished" }));
        EXPECT_EQ(order, (std::vector<std::string> { "completion" }));
    }

    // The test certificate is no trusted one: checked, it is refused.
    auto checked = request(s_nginx->secureURL("/layouts/Blue.plist"));
    checked->startSynchronous();
    ASSERT_TRUE(checked->error());
    EXPECT_EQ(checked->error()->code(), QNConnectionFailureErrorType);
    EXPECT_EQ(checked->error()->localizedDescription(),
        "A connection failure occurred: SSL problem (Possible causes may include a bad/expired/self-signed certificate, clock set to wrong date)");
    ASSERT_TRUE(checked->error()->underlyingError());
    EXPECT_EQ(checked->error()->underlyingError()->domain(), "NSOSStatusErrorDomain");
}

TEST_F(QNHTTPRequestTest, AsynchronousRequestsReportOnTheMainThreadInOrder)
{
    s_nginx->addFile("/async.txt", "async body");
    RecordingDelegate delegate;
    auto request = this->request(s_nginx->url("/async.txt"));
    request->setDelegate(&delegate);
    std::vector<std::string> blocks;
    bool blocksOnMain = true;
    request->setStartedBlock([&] { blocks.push_back("started"); blocksOnMain = blocksOnMain && NSThread::isMainThread(); });
    request->setHeadersReceivedBlock([&](const NSDictionary& headers) { blocks.push_back("headers " + std::to_string(headers.count() > 0)); });
    request->setCompletionBlock([&] {
        blocks.push_back("completion");
        // The delegate was told first.
        EXPECT_EQ(delegate.finished, 1);
    });
    request->setFailedBlock([&] { blocks.push_back("failure"); });
    RequestsSilencedAtEnd silenced { request };
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return !blocks.empty() && blocks.back() == "completion"; }));
    EXPECT_EQ(request->responseString(), "async body");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "started", "headers", "finished" }));
    EXPECT_EQ(blocks, (std::vector<std::string> { "started", "headers 1", "completion" }));
    EXPECT_TRUE(delegate.allOnMainThread && blocksOnMain);
    EXPECT_TRUE(runMainLoopUntil([&] { return request->isFinished(); }));

    // A failure runs the failure block, never the completion block.
    auto refused = this->request("http://127.0.0.1:" + std::to_string(LoopbackHTTPServer::closedPort()) + "/");
    std::vector<std::string> outcome;
    refused->setCompletionBlock([&] { outcome.push_back("completion"); });
    refused->setFailedBlock([&] { outcome.push_back("failure"); });
    RequestsSilencedAtEnd refusedSilenced { refused };
    refused->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return !outcome.empty(); }));
    drainMainLoop();
    EXPECT_EQ(outcome, (std::vector<std::string> { "failure" }));
}

TEST_F(QNHTTPRequestTest, PostsSendTheBodyAndHeadersExactly)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    const std::string body = fileBytes(200000) + std::string("\0\r\n", 3);

    auto synchronous = request(server.url("/_/echo/post"));
    synchronous->appendPostData(body);
    synchronous->addRequestHeader("user-agent", "Caller Agent");
    synchronous->addRequestHeader("X-Layout", "Blue");
    synchronous->startSynchronous();
    ASSERT_FALSE(synchronous->error());
    EXPECT_EQ(synchronous->requestMethod(), "POST") << "a body makes a GET a POST";
    EXPECT_EQ(synchronous->responseEncoding(), NSUTF8StringEncoding) << "the quoted charset";
    Echo echo = parseEcho(synchronous->rawResponseData());
    EXPECT_EQ(echo.requestLine, "POST /_/echo/post HTTP/1.1");
    EXPECT_TRUE(echo.body == body) << "the body arrived changed";
    EXPECT_EQ(countHeaderLines(echo, "User-Agent:"), 1u) << "the caller's field replaces the library's, whatever its case";
    EXPECT_EQ(countHeaderLines(echo, "user-agent: Caller Agent"), 1u);
    EXPECT_EQ(countHeaderLines(echo, "X-Layout: Blue"), 1u);
    EXPECT_EQ(countHeaderLines(echo, "Content-Length: " + std::to_string(body.size())), 1u);
    EXPECT_EQ(countHeaderLines(echo, "Accept-Encoding: gzip"), 1u);
    EXPECT_EQ(countHeaderLines(echo, "Accept:"), 0u) << "nothing of the transport's own";

    // The same asynchronously, from a file streamed from disk, as PUT.
    std::ofstream(m_root.path() / "upload.bin", std::ios::binary) << body;
    auto asynchronous = request(server.url("/_/echo/put"));
    asynchronous->setRequestMethod("PUT");
    asynchronous->setShouldStreamPostDataFromDisk(true);
    asynchronous->appendPostDataFromFile("/upload.bin");
    bool done = false;
    asynchronous->setCompletionBlock([&] { done = true; });
    asynchronous->setFailedBlock([&] { done = true; });
    RequestsSilencedAtEnd silenced { asynchronous };
    asynchronous->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    ASSERT_FALSE(asynchronous->error()) << asynchronous->error()->description();
    echo = parseEcho(asynchronous->rawResponseData());
    EXPECT_EQ(echo.requestLine, "PUT /_/echo/put HTTP/1.1");
    EXPECT_TRUE(echo.body == body);

    // nginx takes a POST to a file too.
    s_nginx->addFile("/form.txt", "posted");
    auto toNginx = request(s_nginx->url("/form.txt"));
    toNginx->appendPostData("a=1");
    toNginx->startSynchronous();
    EXPECT_EQ(toNginx->responseStatusCode(), 200);
    EXPECT_EQ(toNginx->responseString(), "posted");
}

TEST_F(QNHTTPRequestTest, WhatWouldBreakTheMessageIsRefusedAndNeverSent)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    struct Case {
        const char* name;
        std::function<void(QNHTTPRequest&)> spoil;
    };
    const Case cases[] = {
        { "value with CR LF", [](QNHTTPRequest& r) { r.addRequestHeader("X-Evil", "a\r\nInjected: yes"); } },
        { "value with NUL", [](QNHTTPRequest& r) { r.addRequestHeader("X-Evil", std::string("a\0b", 3)); } },
        { "name with LF", [](QNHTTPRequest& r) { r.addRequestHeader("X-Ev\nil", "a"); } },
        { "method with a space", [](QNHTTPRequest& r) { r.setRequestMethod("GET /other HTTP/1.1\r\nX:"); } },
        { "user agent with CR", [](QNHTTPRequest& r) { r.setUserAgentString("Agent\rInjected"); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto request = this->request(server.url("/_/echo/spoiled"));
        c.spoil(request);
        request->startSynchronous();
        ASSERT_TRUE(request->error());
        EXPECT_EQ(request->error()->code(), QNUnableToCreateRequestErrorType);
    }
    // A URL that does not parse strictly is no request at all.
    EXPECT_FALSE(NSURL::URLWithString("http://127.0.0.1/a b"));
    auto noURL = QNHTTPRequest::requestWithURL(nullptr);
    noURL->startSynchronous();
    ASSERT_TRUE(noURL->error());
    EXPECT_EQ(noURL->error()->localizedDescription(), "Unable to create request (bad url?)");

    // None of them reached the server: the next request it sees is this one.
    auto clean = request(server.url("/_/echo/clean"));
    clean->startSynchronous();
    EXPECT_EQ(server.nextRequest(), "GET /_/echo/clean");
}

TEST_F(QNHTTPRequestTest, ConnectionFailuresEndInTheirErrors)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    struct Case {
        std::string url;
        std::string underlyingDomain;
        long underlyingCode;
    };
    const Case cases[] = {
        { "http://127.0.0.1:" + std::to_string(LoopbackHTTPServer::closedPort()) + "/", "NSPOSIXErrorDomain", 61 },
        { "http://nowhere.invalid/", "kCFErrorDomainCFNetwork", 2 },
        { server.url("/_/truncated/100000"), "kCFErrorDomainCFNetwork", -1005 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto request = this->request(c.url);
        request->setTimeOutSeconds(10);
        RecordingDelegate delegate;
        request->setDelegate(&delegate);
        request->startSynchronous();
        ASSERT_TRUE(request->error());
        EXPECT_EQ(request->error()->code(), QNConnectionFailureErrorType);
        EXPECT_EQ(request->error()->localizedDescription(), "A connection failure occurred");
        ASSERT_TRUE(request->error()->underlyingError());
        EXPECT_EQ(request->error()->underlyingError()->domain(), c.underlyingDomain);
        EXPECT_EQ(request->error()->underlyingError()->code(), c.underlyingCode);
        EXPECT_EQ(delegate.failed, 1);
        EXPECT_EQ(delegate.finished, 0);
    }

    // A server that never answers: the time-out error.
    auto hanging = request(server.url("/_/hang"));
    hanging->setTimeOutSeconds(0.5);
    hanging->startSynchronous();
    ASSERT_TRUE(hanging->error());
    EXPECT_EQ(hanging->error()->code(), QNRequestTimedOutErrorType);
    EXPECT_EQ(hanging->error()->localizedDescription(), "The request timed out");
}

TEST_F(QNHTTPRequestTest, UnderAVirtualClockBytesMoveAndAStalledServerEndsInTheTimeOut)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    VirtualClock clock;
    // Time stands still, and still the bytes move.
    auto quick = request(server.url("/_/echo/still"));
    quick->startSynchronous();
    ASSERT_FALSE(quick->error());
    EXPECT_EQ(parseEcho(quick->rawResponseData()).requestLine, "GET /_/echo/still HTTP/1.1");
    ASSERT_EQ(server.nextRequest(), "GET /_/echo/still");

    // A server that takes the request and says nothing: the request's own
    // time-out ends it once the clock has moved past it (moved from
    // another thread while this one waits in the request's run).
    auto hanging = request(server.url("/_/hang"));
    hanging->setTimeOutSeconds(2);
    std::atomic<bool> done { false };
    std::thread mover([&] {
        if (server.nextRequest() != "GET /_/hang")
            return;
        for (int step = 0; step < 200 && !done; ++step) {
            clock.advance(0.5);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    hanging->startSynchronous();
    done = true;
    mover.join();
    ASSERT_TRUE(hanging->error());
    EXPECT_EQ(hanging->error()->code(), QNRequestTimedOutErrorType);
}

TEST_F(QNHTTPRequestTest, CancellingReportsOnceAndClearedDelegatesHearNothing)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    RecordingDelegate delegate;
    auto request = this->request(server.url("/_/hang"));
    request->setDelegate(&delegate);
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return !delegate.events.empty(); }));
    request->cancel();
    request->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return request->isFinished(); }));
    drainMainLoop();
    EXPECT_EQ(delegate.failed, 1);
    ASSERT_TRUE(request->error());
    EXPECT_EQ(request->error()->code(), QNRequestCancelledErrorType);
    EXPECT_TRUE(request->isCancelled());

    RecordingDelegate cleared;
    bool blockRan = false;
    auto second = this->request(server.url("/_/hang"));
    second->setDelegate(&cleared);
    second->setFailedBlock([&] { blockRan = true; });
    RequestsSilencedAtEnd silenced { second };
    second->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return !cleared.events.empty(); }));
    second->clearDelegatesAndCancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return second->isFinished(); }));
    drainMainLoop();
    EXPECT_EQ(cleared.events, (std::vector<std::string> { "started" }));
    EXPECT_FALSE(blockRan);

    // A delegate that went away is not called (it is held weakly).
    auto third = this->request(s_nginx->url("/async.txt"));
    {
        auto gone = makeRef<RecordingDelegate>();
        third->setDelegate(gone.ptr());
    }
    third->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return third->isFinished(); }));
    drainMainLoop();
    EXPECT_FALSE(third->delegate());
}

TEST_F(QNHTTPRequestTest, CompressedAnswersInflateOrFail)
{
    const std::string text = fileBytes(500000);
    s_nginx->addFile("/gzip/text.txt", text);
    LoopbackHTTPServer server(m_serverFiles.path());

    // Inflated when asked, or as it arrives.
    for (bool waitToInflate : { true, false }) {
        SCOPED_TRACE(waitToInflate);
        auto request = this->request(s_nginx->url("/gzip/text.txt"));
        request->setShouldWaitToInflateCompressedResponses(waitToInflate);
        request->startSynchronous();
        ASSERT_FALSE(request->error());
        EXPECT_TRUE(request->isResponseCompressed());
        EXPECT_TRUE(request->responseData() == text);
        EXPECT_EQ(request->rawResponseData() == text, !waitToInflate);
    }

    // A lower-case "content-encoding" counts; a body cut short is no
    // success either way.
    auto whole = request(server.url("/_/gzip/100000"));
    whole->startSynchronous();
    EXPECT_TRUE(whole->isResponseCompressed());
    EXPECT_EQ(whole->responseData(), std::string(100000, 'y'));

    auto deferred = request(server.url("/_/gzip/100000/cut"));
    deferred->startSynchronous();
    ASSERT_TRUE(deferred->error());
    EXPECT_EQ(deferred->error()->code(), QNCompressionError);
    EXPECT_FALSE(deferred->responseData());
    EXPECT_FALSE(deferred->responseString());

    auto streamed = request(server.url("/_/gzip/100000/cut"));
    streamed->setShouldWaitToInflateCompressedResponses(false);
    streamed->startSynchronous();
    ASSERT_TRUE(streamed->error());
    EXPECT_EQ(streamed->error()->code(), QNCompressionError);

    // A gzip request body reaches the server as gzip.
    auto compressedBody = request(server.url("/_/echo/gzip"));
    compressedBody->setShouldCompressRequestBody(true);
    compressedBody->appendPostData(text);
    compressedBody->startSynchronous();
    ASSERT_FALSE(compressedBody->error());
    Echo echo = parseEcho(compressedBody->rawResponseData());
    EXPECT_EQ(countHeaderLines(echo, "Content-Encoding: gzip"), 1u);
    EXPECT_EQ(qv::testing::runProcess({ "gzip", "-dc" }, echo.body).output, text);
}

TEST_F(QNHTTPRequestTest, DownloadsGoToTheirFileOnlyWhenWhole)
{
    const std::string body = fileBytes(1 << 20);
    s_nginx->addFile("/big.bin", body);
    LoopbackHTTPServer server(m_serverFiles.path());

    auto request = this->request(s_nginx->url("/big.bin"));
    request->setDownloadDestinationPath("/var/mobile/Downloads.bin");
    request->startSynchronous();
    ASSERT_FALSE(request->error());
    std::ifstream file(m_root.path() / "var/mobile/Downloads.bin", std::ios::binary);
    std::string stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(stored == body);
    EXPECT_TRUE(request->rawResponseData().empty());

    auto cut = this->request(server.url("/_/truncated/100000"));
    cut->setDownloadDestinationPath("/var/mobile/Cut.bin");
    cut->startSynchronous();
    ASSERT_TRUE(cut->error());
    EXPECT_FALSE(std::filesystem::exists(m_root.path() / "var/mobile/Cut.bin"));
}

TEST_F(QNHTTPRequestTest, CopiesStartUnsentWithTheSameSettings)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    auto original = request(server.url("/_/echo/copy"));
    original->addRequestHeader("X-Copy", "1");
    original->appendPostData("payload");
    original->setUsername("user");
    original->setTag(7);
    original->startSynchronous();
    ASSERT_FALSE(original->error());

    auto copy = original->copy();
    EXPECT_FALSE(copy->complete());
    EXPECT_FALSE(copy->error());
    EXPECT_EQ(copy->responseStatusCode(), 0);
    EXPECT_TRUE(copy->url()->isEqual(original->url().get()));
    EXPECT_EQ(copy->requestMethod(), "POST");
    EXPECT_EQ(copy->username(), "user");
    EXPECT_EQ(copy->tag(), 7);
    copy->startSynchronous();
    ASSERT_FALSE(copy->error());
    Echo echo = parseEcho(copy->rawResponseData());
    EXPECT_EQ(echo.body, "payload");
    EXPECT_EQ(countHeaderLines(echo, "X-Copy: 1"), 1u);
    EXPECT_EQ(countHeaderLines(echo, "Content-Length:"), 1u);
}

TEST_F(QNHTTPRequestTest, UserAgentComesFromTheApplicationBundle)
{
    qv::testing::ScopedEnvironment locale("LC_ALL", "de_DE.UTF-8");
    const auto bundle = m_root.path() / "Applications/Quilt Vane.app";
    std::filesystem::create_directories(bundle);
    std::ofstream(bundle / "Info.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleName</key><string>QuiltVane</string>
<key>CFBundleDisplayName</key><string>Quilt Vané</string>
<key>CFBundleShortVersionString</key><string>1.2</string>
<key>CFBundleVersion</key><string>1.2.3</string>
</dict></plist>)";
    LoopbackHTTPServer server(m_serverFiles.path());
    auto request = this->request(server.url("/_/echo/agent"));
    request->startSynchronous();
    ASSERT_FALSE(request->error());
    // The name's UTF-8 bytes read as Latin-1, so that the field, sent in
    // Latin-1, carries the name's UTF-8 bytes.
    auto echo = parseEcho(request->rawResponseData());
    EXPECT_EQ(countHeaderLines(echo, "User-Agent: Quilt Van\xc3\xa9 1.2 rv:1.2.3 (iPhone; iPhone OS 8.0; de_DE)"), 1u) << request->rawResponseData();
    EXPECT_EQ(QNHTTPRequest::defaultUserAgentString(), "Quilt Van\xc3\x83\xc2\xa9 1.2 rv:1.2.3 (iPhone; iPhone OS 8.0; de_DE)");
}
