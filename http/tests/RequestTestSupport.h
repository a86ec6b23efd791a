#pragma once

// What the request tests share: running the main run loop, a delegate that
// records, and reading what the echo server says it received.
#include "http/QNHTTPRequest.h"
#include "http/QNHTTPRequestTesting.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/VirtualClock.h"

#include "platform/CFNetwork/Transport/HTTPTransportTesting.h"

#include "testing/LoopbackNginx.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace qv::testing {

// Runs the main run loop until the condition holds; false when it did not
// within the (generous) bound.
template<typename Condition>
inline bool runMainLoopUntil(Condition condition, double seconds = 30)
{
    const NSTimeInterval deadline = VirtualClock::realNow() + seconds;
    while (!condition()) {
        if (VirtualClock::realNow() > deadline)
            return false;
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::realNow() + 0.05);
    }
    return true;
}

// Requests whose callbacks use a test's locals. However the test ends (a
// failed bounded wait returns at once, leaving them running), each is told
// at the end of the scope to say nothing more, and cancelled: else its
// blocks would run during a later test, into this one's stack. Declared
// after those locals, it ends before them.
class RequestsSilencedAtEnd {
public:
    RequestsSilencedAtEnd() = default;
    explicit RequestsSilencedAtEnd(std::initializer_list<Ref<QNHTTPRequest>> requests) : m_requests(requests) {}
    RequestsSilencedAtEnd(const RequestsSilencedAtEnd&) = delete;
    RequestsSilencedAtEnd& operator=(const RequestsSilencedAtEnd&) = delete;
    // A finished request only loses its callbacks (one may still be on its
    // way to the main thread): cancelling it does nothing.
    ~RequestsSilencedAtEnd()
    {
        for (const Ref<QNHTTPRequest>& request : m_requests)
            request->clearDelegatesAndCancel();
    }
    void add(QNHTTPRequest& request) { m_requests.emplace_back(request); }

private:
    std::vector<Ref<QNHTTPRequest>> m_requests;
};

// Runs what is queued on the main run loop now.
inline void drainMainLoop()
{
    while (NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::realNow())) { }
}

// Records every callback with the thread it came on.
class RecordingDelegate : public QNHTTPRequestDelegate {
public:
    std::vector<std::string> events;
    bool allOnMainThread = true;
    int finished = 0;
    int failed = 0;

    void record(const std::string& event)
    {
        allOnMainThread = allOnMainThread && NSThread::isMainThread();
        events.push_back(event);
    }
    void requestStarted(QNHTTPRequest&) override { record("started"); }
    void requestDidReceiveResponseHeaders(QNHTTPRequest&, const NSDictionary&) override { record("headers"); }
    void requestFinished(QNHTTPRequest&) override { record("finished"); ++finished; }
    void requestFailed(QNHTTPRequest&) override { record("failed"); ++failed; }
};

inline std::string fileBytes(size_t length)
{
    std::string bytes;
    for (size_t i = 0; bytes.size() < length; ++i)
        bytes += "line " + std::to_string(i) + " of the layout server's answer\n";
    bytes.resize(length);
    return bytes;
}

// What the echo server says it received: header lines, then the body.
struct Echo {
    std::string requestLine;
    std::vector<std::string> headerLines;
    std::string body;
};

inline Echo parseEcho(const std::string& text)
{
    Echo echo;
    const auto end = text.find("\r\n\r\n");
    std::string head = text.substr(0, end);
    echo.body = end == std::string::npos ? "" : text.substr(end + 4);
    size_t at = 0;
    bool first = true;
    while (at <= head.size()) {
        const auto next = head.find("\r\n", at);
        const std::string line = head.substr(at, next == std::string::npos ? std::string::npos : next - at);
        if (first)
            echo.requestLine = line;
        else if (!line.empty())
            echo.headerLines.push_back(line);
        first = false;
        if (next == std::string::npos)
            break;
        at = next + 2;
    }
    return echo;
}

inline size_t countHeaderLines(const Echo& echo, const std::string& prefix)
{
    return std::count_if(echo.headerLines.begin(), echo.headerLines.end(), [&](const std::string& line) {
        return strncasecmp(line.c_str(), prefix.c_str(), prefix.size()) == 0;
    });
}

// Requests against nginx (one per test program) and scripted servers, on
// a device root of their own, with names resolved only as tests say.
class LoopbackRequestTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_nginx = new LoopbackNginx; }
    static void TearDownTestSuite()
    {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_nginx->running());
        // Names resolve here only as the tests say: no query leaves the
        // machine.
        setHostResolverForTesting([](const std::string& host) -> std::optional<std::string> {
            if (host == "localhost")
                return "127.0.0.1";
            return std::nullopt;
        });
        // The session keeps every proxy login of the process, found by host
        // and port alone: a loopback proxy given the port of an earlier
        // test's proxy would be presented that proxy's login before any
        // challenge.
        forgetSessionProxyCredentials();
    }
    void TearDown() override
    {
        drainMainLoop();
        setHostResolverForTesting(nullptr);
    }

    Ref<QNHTTPRequest> request(const std::string& url)
    {
        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
        request->setTimeOutSeconds(20);
        return request;
    }

    static inline LoopbackNginx* s_nginx = nullptr;
    // Proxies of this machine's environment are not the tests'.
    ScopedEnvironment m_noHTTPProxy { "http_proxy", std::nullopt }, m_noHTTPSProxy { "https_proxy", std::nullopt },
        m_noAllProxy { "all_proxy", std::nullopt }, m_noAutomaticProxy { "auto_proxy", std::nullopt },
        m_noHTTPProxyUpper { "HTTP_PROXY", std::nullopt }, m_noHTTPSProxyUpper { "HTTPS_PROXY", std::nullopt },
        m_noAllProxyUpper { "ALL_PROXY", std::nullopt }, m_noAutomaticProxyUpper { "AUTO_PROXY", std::nullopt };
    qv::testing::TemporaryDeviceRoot m_root;
    qv::testing::TemporaryDirectory m_serverFiles;
};


} // namespace qv::testing
