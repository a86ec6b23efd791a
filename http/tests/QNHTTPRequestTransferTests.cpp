#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace qv;
using namespace qv::testing;

namespace {

std::string encoded(const std::string& text)
{
    std::string result;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            result += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            result += escaped;
        }
    }
    return result;
}

// Counts what a progress receiver was told.
class ProgressRecorder : public QNProgressDelegate {
public:
    long long received = 0, sent = 0, downloadSize = 0, uploadSize = 0;
    std::vector<float> fractions;
    bool wentBackwards = false;
    bool respondsToSetProgress() const override { return true; }
    void setProgress(float value) override { fractions.push_back(value); }
    void requestDidReceiveBytes(QNHTTPRequest&, long long amount) override { wentBackwards |= amount < 0; received += amount; }
    void requestDidSendBytes(QNHTTPRequest&, long long amount) override { wentBackwards |= amount < 0; sent += amount; }
    void requestIncrementDownloadSizeBy(QNHTTPRequest&, long long amount) override { downloadSize += amount; }
    void requestIncrementUploadSizeBy(QNHTTPRequest&, long long amount) override { uploadSize += amount; }
};

// A delegate that decides on redirects itself.
class AskingDelegate : public RecordingDelegate {
public:
    RefPtr<NSURL> proposed;
    bool respondsToWillRedirect() const override { return true; }
    void requestWillRedirectToURL(QNHTTPRequest&, const NSURL& url) override
    {
        record("will redirect");
        proposed = const_cast<NSURL*>(&url);
    }
};

using QNHTTPRequestTransferTest = LoopbackRequestTest;

} // namespace

TEST_F(QNHTTPRequestTransferTest, RedirectsFollowEachStatusAsItSays)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    struct Case {
        int status;
        bool rfc2616;
        const char* method;
        bool keepsBody;
    };
    const Case cases[] = {
        { 301, false, "GET", false }, { 302, false, "GET", false }, { 303, false, "GET", false },
        { 307, false, "POST", true }, { 308, false, "POST", true },
        { 301, true, "POST", true }, { 302, true, "POST", true }, { 303, true, "GET", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + (c.rfc2616 ? " keeping the method" : ""));
        auto request = this->request(server.url("/_/redirect-status/" + std::to_string(c.status) + "/" + encoded("/_/echo/after?from=" + std::to_string(c.status))));
        request->setShouldUseRFC2616RedirectBehaviour(c.rfc2616);
        request->addRequestHeader("Accept", "text/plain");
        request->addRequestHeader("X-Dropped", "1");
        request->appendPostData("the body");
        request->startSynchronous();
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->redirectCount(), 1);
        Echo echo = parseEcho(request->rawResponseData());
        EXPECT_EQ(echo.requestLine, std::string(c.method) + " /_/echo/after?from=" + std::to_string(c.status) + " HTTP/1.1");
        EXPECT_EQ(echo.body, c.keepsBody ? "the body" : "");
        EXPECT_EQ(countHeaderLines(echo, "Accept: text/plain"), 1u);
        EXPECT_EQ(countHeaderLines(echo, "X-Dropped:"), c.keepsBody ? 1u : 0u);
        EXPECT_TRUE(request->originalURL()->absoluteString().find("redirect-status") != std::string::npos);
        EXPECT_EQ(request->url()->path(), "/_/echo/after");
    }

    // Relative and absolute locations; five redirects are followed, the
    // sixth is one too many; not following leaves the redirect's answer.
    auto relative = request(server.url("/_/redirect-status/302/" + encoded("../../echo/relative")));
    relative->startSynchronous();
    EXPECT_EQ(parseEcho(relative->rawResponseData()).requestLine, "GET /_/echo/relative HTTP/1.1");
    auto five = request(server.url("/_/redirect/5/_/echo/five"));
    five->startSynchronous();
    EXPECT_FALSE(five->error());
    EXPECT_EQ(five->redirectCount(), 5);
    auto six = request(server.url("/_/redirect/6/_/echo/six"));
    six->startSynchronous();
    ASSERT_TRUE(six->error());
    EXPECT_EQ(six->error()->code(), QNTooMuchRedirectionErrorType);
    auto notFollowed = request(server.url("/_/redirect-status/302/" + encoded("/_/echo/never")));
    notFollowed->setShouldRedirect(false);
    notFollowed->startSynchronous();
    EXPECT_EQ(notFollowed->responseStatusCode(), 302);
    EXPECT_EQ(notFollowed->responseString(), "redirect body");
    auto other = request(server.url("/_/status/304"));
    other->startSynchronous();
    EXPECT_EQ(other->responseStatusCode(), 304) << "no Location: no redirect";
}

TEST_F(QNHTTPRequestTransferTest, WhatOneServerWasGivenNeverGoesToAnother)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    const std::string otherHost = "http://localhost:" + std::to_string(server.port());
    // A 307 to another host: the body goes along (from its file), the
    // Authorization field and the first host's cookie do not.
    const std::string body = fileBytes(300000);
    std::ofstream(m_root.path() / "upload.bin", std::ios::binary) << body;
    auto request = this->request(server.url("/_/redirect-status/307/" + encoded(otherHost + "/_/echo/other")));
    request->addRequestHeader("Authorization", "Basic dXNlcjpwYXNz");
    request->setUsername("user");
    request->setPassword("pass");
    request->setShouldStreamPostDataFromDisk(true);
    request->appendPostDataFromFile("/upload.bin");
    request->startSynchronous();
    ASSERT_FALSE(request->error()) << request->error()->description();
    Echo echo = parseEcho(request->rawResponseData());
    EXPECT_EQ(echo.requestLine, "POST /_/echo/other HTTP/1.1");
    EXPECT_TRUE(echo.body == body) << "the streamed body was sent again whole";
    EXPECT_EQ(countHeaderLines(echo, "Authorization:"), 0u);
    EXPECT_EQ(countHeaderLines(echo, "Cookie:"), 0u);
    EXPECT_EQ(request->username(), "");
    EXPECT_EQ(request->password(), "");

    // The same host gets its cookie and the caller's Authorization.
    auto same = this->request(server.url("/_/redirect-status/302/" + encoded("/_/echo/same")));
    same->addRequestHeader("Authorization", "Basic dXNlcjpwYXNz");
    same->setShouldUseRFC2616RedirectBehaviour(true);
    same->startSynchronous();
    echo = parseEcho(same->rawResponseData());
    EXPECT_EQ(countHeaderLines(echo, "Authorization: Basic dXNlcjpwYXNz"), 1u);
    EXPECT_EQ(countHeaderLines(echo, "Cookie: first=host"), 1u);
    EXPECT_FALSE(same->responseCookies().empty() && same->redirectCount() == 0);
    QNHTTPRequest::clearSession();
}

TEST_F(QNHTTPRequestTransferTest, AnAskingDelegateDecidesWhereARedirectGoes)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    AskingDelegate delegate;
    auto request = this->request(server.url("/_/redirect-status/302/" + encoded("/_/echo/proposed")));
    request->setDelegate(&delegate);
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate.proposed; }));
    EXPECT_EQ(delegate.proposed->path(), "/_/echo/proposed");
    EXPECT_FALSE(request->isFinished()) << "it waits for the answer";
    request->redirectToURL(NSURL::URLWithString(server.url("/_/echo/chosen")));
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate.finished == 1; }));
    EXPECT_EQ(parseEcho(request->rawResponseData()).requestLine, "GET /_/echo/chosen HTTP/1.1");
    EXPECT_TRUE(delegate.allOnMainThread);

    // Run synchronously, the same request is never stranded: it follows.
    AskingDelegate ignored;
    auto synchronous = this->request(server.url("/_/redirect-status/302/" + encoded("/_/echo/followed")));
    synchronous->setDelegate(&ignored);
    synchronous->startSynchronous();
    EXPECT_EQ(parseEcho(synchronous->rawResponseData()).requestLine, "GET /_/echo/followed HTTP/1.1");
}

TEST_F(QNHTTPRequestTransferTest, KeptAliveConnectionsAreReused)
{
    s_nginx->addFile("/small.txt", fileBytes(1024));
    s_nginx->addFile("/short/small.txt", fileBytes(1024));
    const size_t before = s_nginx->loggedRequests().size();
    for (int i = 0; i < 20; ++i) {
        auto request = this->request(s_nginx->url("/small.txt"));
        request->startSynchronous();
        ASSERT_FALSE(request->error());
        EXPECT_TRUE(request->connectionCanBeReused());
    }
    auto logged = s_nginx->loggedRequests(before + 20);
    ASSERT_EQ(logged.size(), before + 20);
    std::set<long> connections;
    for (size_t i = before; i < logged.size(); ++i)
        connections.insert(logged[i].connection);
    EXPECT_EQ(connections.size(), 1u) << "one connection served them all";

    // A request with a body is not sent on a kept-alive connection.
    auto post = this->request(s_nginx->url("/small.txt"));
    post->appendPostData("x");
    post->startSynchronous();
    EXPECT_FALSE(post->shouldAttemptPersistentConnection());
    logged = s_nginx->loggedRequests(before + 21);
    EXPECT_EQ(connections.count(logged.back().connection), 0u);

    // A server that closed the idle connection: the next request still
    // succeeds, on a new one.
    auto first = this->request(s_nginx->url("/short/small.txt"));
    first->startSynchronous();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    auto second = this->request(s_nginx->url("/short/small.txt"));
    second->startSynchronous();
    ASSERT_FALSE(second->error()) << second->error()->description();
    logged = s_nginx->loggedRequests(before + 23);
    EXPECT_NE(logged[logged.size() - 1].connection, logged[logged.size() - 2].connection);
}

TEST_F(QNHTTPRequestTransferTest, SynchronousAndAsynchronousRequestsEachKeepToTheirOwnConnections)
{
    // A synchronous request runs on its caller's thread, an asynchronous
    // one on the network thread: each thread reuses its own kept-alive
    // connection, and neither takes the other's.
    s_nginx->addFile("/own/synchronous.txt", fileBytes(1024));
    s_nginx->addFile("/own/asynchronous.txt", fileBytes(1024));
    const size_t before = s_nginx->loggedRequests().size();
    for (int i = 0; i < 4; ++i) {
        auto synchronous = request(s_nginx->url("/own/synchronous.txt"));
        synchronous->startSynchronous();
        ASSERT_FALSE(synchronous->error());
        auto asynchronous = request(s_nginx->url("/own/asynchronous.txt"));
        asynchronous->startAsynchronous();
        ASSERT_TRUE(runMainLoopUntil([&] { return asynchronous->isFinished(); }));
        ASSERT_FALSE(asynchronous->error());
        EXPECT_EQ(asynchronous->responseData(), fileBytes(1024));
    }
    auto logged = s_nginx->loggedRequests(before + 8);
    ASSERT_EQ(logged.size(), before + 8);
    std::set<long> synchronousConnections, asynchronousConnections;
    for (size_t i = before; i < logged.size(); ++i)
        (logged[i].request == "GET /own/synchronous.txt" ? synchronousConnections : asynchronousConnections).insert(logged[i].connection);
    EXPECT_EQ(synchronousConnections.size(), 1u);
    EXPECT_EQ(asynchronousConnections.size(), 1u);
    EXPECT_NE(*synchronousConnections.begin(), *asynchronousConnections.begin());
}

TEST_F(QNHTTPRequestTransferTest, BodiesWithAndWithoutLengthsHeadAndResume)
{
    const std::string text = fileBytes(600000);
    s_nginx->addFile("/gzip/chunked.txt", text);
    s_nginx->addFile("/resume.bin", text);
    LoopbackHTTPServer server(m_serverFiles.path());

    // nginx's gzip answers come chunked, without a length.
    auto chunked = request(s_nginx->url("/gzip/chunked.txt"));
    chunked->startSynchronous();
    EXPECT_FALSE(chunked->responseHeader("Content-Length"));
    EXPECT_EQ(chunked->responseHeader("Transfer-Encoding"), "chunked");
    EXPECT_TRUE(chunked->responseData() == text);

    // An answer that ends when the connection closes.
    auto noLength = request(server.url("/_/stream/250000"));
    noLength->startSynchronous();
    ASSERT_FALSE(noLength->error());
    EXPECT_EQ(noLength->rawResponseData().size(), 250000u);
    EXPECT_EQ(noLength->contentLength(), 250000u) << "the length is what came";

    auto head = request(s_nginx->url("/resume.bin"));
    head->setRequestMethod("HEAD");
    head->startSynchronous();
    ASSERT_FALSE(head->error());
    EXPECT_EQ(head->contentLength(), text.size());
    EXPECT_TRUE(head->rawResponseData().empty());

    // The first 100000 bytes are on disk already: only the rest is asked
    // for, and the whole file ends up in place.
    std::filesystem::create_directories(m_root.path() / "var/mobile/tmp");
    std::ofstream(m_root.path() / "var/mobile/tmp/partial", std::ios::binary) << text.substr(0, 100000);
    auto resume = request(s_nginx->url("/resume.bin"));
    resume->setDownloadDestinationPath("/var/mobile/Resumed.bin");
    resume->setTemporaryFileDownloadPath("/var/mobile/tmp/partial");
    resume->setAllowResumeForFileDownloads(true);
    ProgressRecorder progress;
    resume->setDownloadProgressDelegate(&progress);
    resume->startSynchronous();
    ASSERT_FALSE(resume->error());
    EXPECT_EQ(resume->responseStatusCode(), 206);
    EXPECT_EQ(resume->partialDownloadSize(), 100000u);
    std::ifstream file(m_root.path() / "var/mobile/Resumed.bin", std::ios::binary);
    std::string stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(stored == text);
    drainMainLoop();
    EXPECT_EQ(progress.received, static_cast<long long>(text.size())) << "the first report includes the part on disk";
    EXPECT_EQ(progress.downloadSize, static_cast<long long>(text.size()));

    // A destination outside its folder is refused.
    auto escaping = request(s_nginx->url("/resume.bin"));
    escaping->setDownloadDestinationPath("/var/mobile/../../etc/passwd");
    escaping->startSynchronous();
    ASSERT_TRUE(escaping->error());
    EXPECT_EQ(escaping->error()->code(), QNFileManagementError);
}

TEST_F(QNHTTPRequestTransferTest, ProgressAddsUpToExactlyTheTotals)
{
    const std::string body = fileBytes(3000000);
    s_nginx->addFile("/progress.bin", body);
    LoopbackHTTPServer server(m_serverFiles.path());

    ProgressRecorder download;
    auto request = this->request(s_nginx->url("/progress.bin"));
    request->setDownloadProgressDelegate(&download);
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return request->isFinished(); }));
    drainMainLoop();
    EXPECT_EQ(download.received, static_cast<long long>(body.size()));
    EXPECT_EQ(download.downloadSize, static_cast<long long>(body.size()));
    ASSERT_FALSE(download.fractions.empty());
    EXPECT_FLOAT_EQ(download.fractions.back(), 1.0f);
    EXPECT_TRUE(std::is_sorted(download.fractions.begin() + 1, download.fractions.end()));
    EXPECT_FALSE(download.wentBackwards);

    ProgressRecorder upload;
    auto post = this->request(server.url("/_/echo/upload"));
    post->appendPostData(body);
    post->setUploadProgressDelegate(&upload);
    post->startSynchronous();
    ASSERT_FALSE(post->error());
    drainMainLoop();
    // What the send buffer took at once is not counted, on either side.
    EXPECT_EQ(upload.sent, upload.uploadSize);
    EXPECT_GT(upload.uploadSize, 0);
    EXPECT_LE(upload.uploadSize, static_cast<long long>(body.size()));
    EXPECT_FALSE(upload.wentBackwards);
    ASSERT_FALSE(upload.fractions.empty());
    EXPECT_FLOAT_EQ(upload.fractions.back(), 1.0f);

    // An answer without a length reports one unit at the end.
    ProgressRecorder unknown;
    auto noLength = this->request(server.url("/_/stream/5000"));
    noLength->setDownloadProgressDelegate(&unknown);
    noLength->startSynchronous();
    drainMainLoop();
    EXPECT_EQ(unknown.received, 1);
    EXPECT_EQ(unknown.downloadSize, 1);
}

TEST_F(QNHTTPRequestTransferTest, EveryWaitIsBounded)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    // Header lines that trickle in, or never end, or no answer at all: a
    // time-out or an error, never a wait without end.
    auto trickle = request(server.url("/_/trickle-headers"));
    trickle->setTimeOutSeconds(1);
    trickle->startSynchronous();
    ASSERT_TRUE(trickle->error());
    EXPECT_EQ(trickle->error()->code(), QNRequestTimedOutErrorType);

    auto endless = request(server.url("/_/endless-headers"));
    endless->startSynchronous();
    ASSERT_TRUE(endless->error());
    EXPECT_EQ(endless->error()->code(), QNConnectionFailureErrorType);

    // Retries after a time-out each start afresh, and then it fails.
    auto retried = request(server.url("/_/hang"));
    retried->setTimeOutSeconds(0.5);
    retried->setNumberOfTimesToRetryOnTimeout(2);
    retried->startSynchronous();
    ASSERT_TRUE(retried->error());
    EXPECT_EQ(retried->error()->code(), QNRequestTimedOutErrorType);
    EXPECT_EQ(retried->retryCount(), 2);
    int hangs = 0;
    while (auto line = server.nextRequest(std::chrono::seconds(5)))
        if (*line == "GET /_/hang" && ++hangs == 3)
            break;
    EXPECT_EQ(hangs, 3);
}
