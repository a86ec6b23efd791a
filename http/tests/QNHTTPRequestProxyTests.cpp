#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/CFNetwork/CFProxySupport.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackProxy.h"
#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qv;
using namespace qv::testing;

namespace {

class QNHTTPRequestProxyTest : public LoopbackRequestTest {
protected:
    void TearDown() override
    {
        QNHTTPRequest::clearSession();
        LoopbackRequestTest::TearDown();
    }
};

// A local script that never ends: a FIFO whose writer has sent part of
// the script and keeps it open until told to finish.
class StalledScriptFile {
public:
    StalledScriptFile(const std::filesystem::path& root, const std::string& name)
        : m_devicePath("/" + name)
    {
        const auto path = root / name;
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        // Read and write, so that opening waits for no reader.
        m_writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(m_writer, 0) << path;
        write("function FindProxyForURL(url, host) {");
    }
    ~StalledScriptFile() { end(""); }
    RefPtr<NSURL> url() const { return NSURL::fileURLWithPath(m_devicePath); }
    // Sends the rest and ends the file, once the request's reader has had
    // it open: a FIFO's bytes go with its last descriptor, so ended before
    // that, it would read as an empty file.
    void finish(const std::string& rest)
    {
        waitForReader();
        end(rest);
    }
    // Whether the request's reader has opened the file, within a bound. It
    // is a thread of this process: another of its descriptors on the FIFO.
    bool waitForReader()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            if (m_readerSeen || (m_readerSeen = descriptorsOnTheFIFO() > 1))
                return true;
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the request never opened " << m_devicePath;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

private:
    void end(const std::string& rest)
    {
        if (m_writer < 0)
            return;
        write(rest);
        ::close(m_writer);
        m_writer = -1;
    }
    size_t descriptorsOnTheFIFO() const
    {
        struct stat fifo {};
        if (m_writer < 0 || ::fstat(m_writer, &fifo) != 0)
            return 0;
        size_t count = 0;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
            struct stat target {};
            if (::stat(entry.path().c_str(), &target) == 0 && target.st_dev == fifo.st_dev && target.st_ino == fifo.st_ino)
                ++count;
        }
        return count;
    }
    void write(const std::string& text)
    {
        EXPECT_EQ(::write(m_writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    const std::string m_devicePath;
    int m_writer = -1;
    bool m_readerSeen = false;
};

// Counts one request's outcomes.
struct Outcome {
    int finished = 0;
    int failed = 0;
    void watch(QNHTTPRequest& request)
    {
        request.setCompletionBlock([this] { ++finished; });
        request.setFailedBlock([this] { ++failed; });
    }
    bool done() const { return finished + failed > 0; }
};

} // namespace

TEST_F(QNHTTPRequestProxyTest, ThroughHTTPProxiesPlainAndTunnelledWithAndWithoutCredentials)
{
    s_nginx->addFile("/proxied.txt", "through the proxy");
    LoopbackHTTPServer server(m_serverFiles.path());
    for (bool withCredentials : { false, true }) {
        SCOPED_TRACE(withCredentials ? "asking for credentials" : "open");
        LoopbackProxy proxy(LoopbackProxy::Kind::HTTP, withCredentials ? "proxyuser" : "", withCredentials ? "proxysecret" : "");
        ASSERT_NE(proxy.port(), 0);
        // Tunnelled: https through CONNECT. First, so that the proxy's
        // answer to the CONNECT asks for the credentials (the session holds
        // none for this proxy yet).
        auto tunnelled = request(s_nginx->secureURL("/proxied.txt"));
        tunnelled->setValidatesSecureCertificate(false);
        tunnelled->setProxyHost("127.0.0.1");
        tunnelled->setProxyPort(proxy.port());
        tunnelled->setProxyUsername("proxyuser");
        tunnelled->setProxyPassword("proxysecret");
        tunnelled->startSynchronous();
        ASSERT_FALSE(tunnelled->error()) << tunnelled->error()->description();
        EXPECT_EQ(tunnelled->responseString(), "through the proxy");
        EXPECT_NE(proxy.log().find("CONNECT"), std::string::npos);

        // Plain: the proxy passes the request on (and says so in "Via").
        auto plain = request(server.url("/_/echo/plain"));
        plain->setProxyHost("127.0.0.1");
        plain->setProxyPort(proxy.port());
        plain->setProxyUsername("proxyuser");
        plain->setProxyPassword("proxysecret");
        plain->startSynchronous();
        ASSERT_FALSE(plain->error()) << plain->error()->description();
        Echo echo = parseEcho(plain->rawResponseData());
        EXPECT_EQ(countHeaderLines(echo, "Via:"), 1u);
        EXPECT_EQ(countHeaderLines(echo, "Proxy-Authorization:"), 0u) << "the proxy's credentials stop at the proxy";

        if (withCredentials) {
            // Wrong credentials, at a proxy the session holds none for,
            // plain and tunnelled.
            for (const std::string& url : { server.url("/_/echo/refused"), s_nginx->secureURL("/proxied.txt") }) {
                SCOPED_TRACE(url);
                LoopbackProxy other(LoopbackProxy::Kind::HTTP, "proxyuser", "proxysecret");
                auto refused = request(url);
                refused->setValidatesSecureCertificate(false);
                refused->setProxyHost("127.0.0.1");
                refused->setProxyPort(other.port());
                refused->setProxyUsername("proxyuser");
                refused->setProxyPassword("wrong");
                refused->startSynchronous();
                ASSERT_TRUE(refused->error());
                EXPECT_EQ(refused->error()->code(), QNAuthenticationErrorType);
            }
        }
    }
}

TEST_F(QNHTTPRequestProxyTest, ThroughASOCKSProxy)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    LoopbackProxy socks(LoopbackProxy::Kind::SOCKS);
    ASSERT_NE(socks.port(), 0);
    auto request = this->request(server.url("/_/echo/socks"));
    request->setProxyHost("127.0.0.1");
    request->setProxyPort(socks.port());
    request->setProxyType(kCFProxyTypeSOCKS);
    request->startSynchronous();
    ASSERT_FALSE(request->error()) << request->error()->description();
    EXPECT_EQ(parseEcho(request->rawResponseData()).requestLine, "GET /_/echo/socks HTTP/1.1");

    // https through it: no CONNECT, the server's answer is the response.
    s_nginx->addFile("/socks.txt", "through SOCKS");
    auto secure = this->request(s_nginx->secureURL("/socks.txt"));
    secure->setValidatesSecureCertificate(false);
    secure->setProxyHost("127.0.0.1");
    secure->setProxyPort(socks.port());
    secure->setProxyType(kCFProxyTypeSOCKS);
    secure->startSynchronous();
    ASSERT_FALSE(secure->error()) << secure->error()->description();
    EXPECT_EQ(secure->responseString(), "through SOCKS");

    // A SOCKS proxy that is not there: a connection failure, not a direct
    // connection.
    auto missing = this->request(server.url("/_/echo/none"));
    missing->setProxyHost("127.0.0.1");
    missing->setProxyPort(LoopbackHTTPServer::closedPort());
    missing->setProxyType(kCFProxyTypeSOCKS);
    missing->startSynchronous();
    ASSERT_TRUE(missing->error());
    EXPECT_EQ(missing->error()->code(), QNConnectionFailureErrorType);
}

TEST_F(QNHTTPRequestProxyTest, AConfigurationScriptPicksEachKind)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    LoopbackProxy http(LoopbackProxy::Kind::HTTP);
    LoopbackProxy socks(LoopbackProxy::Kind::SOCKS);
    std::ofstream(m_serverFiles.path() / "proxy.pac") << "function FindProxyForURL(url, host) {\n"
                                                      << "  if (url.indexOf('/_/echo/direct') >= 0) return 'DIRECT';\n"
                                                      << "  if (url.indexOf('/_/echo/socks') >= 0) return 'SOCKS 127.0.0.1:" << socks.port() << "';\n"
                                                      << "  return 'PROXY 127.0.0.1:" << http.port() << "';\n}\n";
    std::ofstream(m_serverFiles.path() / "broken.pac") << "function FindProxyForURL(url, host) { for (;;) {} }";
    ScopedEnvironment automatic("auto_proxy", server.url("/proxy.pac"));
    struct Case {
        const char* path;
        const char* type;
        int port;
    };
    const Case cases[] = { { "/_/echo/direct", kCFProxyTypeNone, 0 }, { "/_/echo/socks", kCFProxyTypeSOCKS, socks.port() },
        { "/_/echo/http", kCFProxyTypeHTTP, http.port() } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        for (bool synchronous : { true, false }) {
            auto request = this->request(server.url(c.path));
            if (synchronous) {
                request->startSynchronous();
            } else {
                bool done = false;
                request->setCompletionBlock([&] { done = true; });
                request->setFailedBlock([&] { done = true; });
                RequestsSilencedAtEnd silenced { request };
                request->startAsynchronous();
                ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
            }
            ASSERT_FALSE(request->error()) << request->error()->description();
            EXPECT_EQ(request->proxyType(), c.type);
            EXPECT_EQ(request->proxyPort(), c.port);
            EXPECT_EQ(parseEcho(request->rawResponseData()).requestLine, std::string("GET ") + c.path + " HTTP/1.1");
        }
    }
    EXPECT_EQ(QNHTTPRequest::sharedQueue()->maxConcurrentOperationCount(), 4) << "the queue's width is back";

    // A script that loops is given up within the request's time: the
    // request goes directly. So does a local script file.
    ScopedEnvironment broken("auto_proxy", server.url("/broken.pac"));
    auto direct = request(server.url("/_/echo/after-broken"));
    direct->setTimeOutSeconds(2);
    direct->startSynchronous();
    ASSERT_FALSE(direct->error());
    EXPECT_TRUE(direct->proxyHost().empty());

    std::ofstream(m_root.path() / "local.pac") << "function FindProxyForURL(url, host) { return 'PROXY 127.0.0.1:" << http.port() << "'; }";
    ScopedEnvironment none("auto_proxy", std::nullopt);
    auto local = request(server.url("/_/echo/local"));
    local->setPACurl(NSURL::fileURLWithPath("/local.pac"));
    local->startSynchronous();
    ASSERT_FALSE(local->error());
    EXPECT_EQ(local->proxyPort(), http.port());
    EXPECT_EQ(countHeaderLines(parseEcho(local->rawResponseData()), "Via:"), 1u);
}

// A local script still being read holds up neither its request's thread
// nor the other requests on it; the request waits for the script's end, or
// goes directly once its time-out has passed, or stays silent once
// cancelled.
TEST_F(QNHTTPRequestProxyTest, ALocalScriptThatNeverEndsHoldsUpNobody)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    LoopbackProxy proxy(LoopbackProxy::Kind::HTTP);
    const std::string proxyRule = " return 'PROXY 127.0.0.1:" + std::to_string(proxy.port()) + "'; }";
    // Another request on the network thread, run to its end: how often it
    // finished.
    auto runAnother = [&](const std::string& path) {
        auto other = request(server.url(path));
        Outcome outcome;
        outcome.watch(other.get());
        RequestsSilencedAtEnd silenced { other };
        other->startAsynchronous();
        if (!runMainLoopUntil([&] { return outcome.done(); }))
            ADD_FAILURE() << path << " did not end";
        return outcome.finished;
    };

    StalledScriptFile waited(m_root.path(), "waited.pac");
    auto waiting = request(server.url("/_/echo/waiting"));
    waiting->setPACurl(waited.url());
    // Longer than any wait below, however loaded the machine.
    waiting->setTimeOutSeconds(120);
    Outcome waitingOutcome;
    waitingOutcome.watch(waiting.get());
    RequestsSilencedAtEnd waitingSilenced { waiting };
    waiting->startAsynchronous();
    EXPECT_EQ(runAnother("/_/echo/other"), 1) << "the network thread is held up";
    EXPECT_FALSE(waitingOutcome.done()) << "the script has not ended";
    waited.finish(proxyRule);
    ASSERT_TRUE(runMainLoopUntil([&] { return waitingOutcome.done(); }));
    ASSERT_EQ(waitingOutcome.finished, 1) << (waiting->error() ? waiting->error()->description() : "");
    EXPECT_EQ(waiting->proxyPort(), proxy.port());
    EXPECT_EQ(countHeaderLines(parseEcho(waiting->rawResponseData()), "Via:"), 1u) << "through the script's proxy";

    for (bool synchronous : { true, false }) {
        SCOPED_TRACE(synchronous ? "synchronous" : "asynchronous");
        StalledScriptFile stalled(m_root.path(), synchronous ? "stalled.pac" : "stalled-async.pac");
        auto direct = request(server.url("/_/echo/timed-out"));
        direct->setPACurl(stalled.url());
        direct->setTimeOutSeconds(1);
        Outcome outcome;
        outcome.watch(direct.get());
        RequestsSilencedAtEnd silenced { direct };
        if (synchronous)
            direct->startSynchronous();
        else
            direct->startAsynchronous();
        ASSERT_TRUE(runMainLoopUntil([&] { return outcome.done(); }));
        ASSERT_EQ(outcome.finished, 1) << (direct->error() ? direct->error()->description() : "");
        EXPECT_TRUE(direct->proxyHost().empty());
        EXPECT_EQ(countHeaderLines(parseEcho(direct->rawResponseData()), "Via:"), 0u) << "directly";
    }

    StalledScriptFile abandoned(m_root.path(), "abandoned.pac");
    auto cancelled = request(server.url("/_/echo/cancelled"));
    cancelled->setPACurl(abandoned.url());
    Outcome cancelledOutcome;
    cancelledOutcome.watch(cancelled.get());
    RequestsSilencedAtEnd cancelledSilenced { cancelled };
    cancelled->startAsynchronous();
    EXPECT_EQ(runAnother("/_/echo/meanwhile"), 1);
    EXPECT_FALSE(cancelledOutcome.done());
    // Cancelled while its script is being read.
    ASSERT_TRUE(abandoned.waitForReader());
    cancelled->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return cancelledOutcome.done(); }));
    abandoned.finish(proxyRule);
    // A request after the script's end: the cancelled one has said all
    // it will by the time this one is done.
    EXPECT_EQ(runAnother("/_/echo/after"), 1);
    EXPECT_EQ(cancelledOutcome.finished, 0);
    EXPECT_EQ(cancelledOutcome.failed, 1);
    ASSERT_TRUE(cancelled->error());
    EXPECT_EQ(cancelled->error()->code(), QNRequestCancelledErrorType);
}

// An empty script names no proxy: the request goes directly once it has
// been evaluated, and the network thread is held up no longer than that.
TEST_F(QNHTTPRequestProxyTest, AnEmptyScriptSendsTheRequestDirectlyWithoutHoldingUpItsThread)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    std::ofstream(m_root.path() / "empty.pac").flush();
    auto empty = request(server.url("/_/echo/empty-script"));
    empty->setPACurl(NSURL::fileURLWithPath("/empty.pac"));
    // Longer than the wait below, however loaded the machine.
    empty->setTimeOutSeconds(120);
    Outcome outcome;
    outcome.watch(empty.get());
    RequestsSilencedAtEnd silenced { empty };
    empty->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return outcome.done(); }));
    ASSERT_EQ(outcome.finished, 1) << (empty->error() ? empty->error()->description() : "");
    EXPECT_TRUE(empty->proxyHost().empty());
    EXPECT_EQ(countHeaderLines(parseEcho(empty->rawResponseData()), "Via:"), 0u) << "directly";
}

TEST_F(QNHTTPRequestProxyTest, AProxysSavedCredentialsAreUsedWhateverTheRequestSaysAndGoToThatProxyAlone)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    LoopbackProxy proxy(LoopbackProxy::Kind::HTTP, "proxyuser", "proxysecret");
    auto through = [&](const std::string& path, int port) {
        auto request = this->request(server.url(path));
        request->setProxyHost("127.0.0.1");
        request->setProxyPort(port);
        request->startSynchronous();
        return request;
    };
    // Without credentials the proxy's challenge ends the request, and tells
    // its realm.
    auto bare = through("/_/echo/bare", proxy.port());
    ASSERT_TRUE(bare->error());
    EXPECT_EQ(bare->error()->code(), QNAuthenticationErrorType);
    const std::string realm = bare->proxyAuthenticationRealm();
    ASSERT_FALSE(realm.empty());

    ASSERT_TRUE(QNHTTPRequest::saveCredentialsForProxy({ "proxyuser", "proxysecret" }, "127.0.0.1", proxy.port(), realm));
    auto proxyRecord = QNHTTPRequest::savedCredentialsForProxy("127.0.0.1", proxy.port(), "ignored", realm);
    ASSERT_TRUE(proxyRecord);
    auto saved = through("/_/echo/saved", proxy.port());
    ASSERT_FALSE(saved->error()) << saved->error()->description();
    EXPECT_FALSE(saved->useKeychainPersistence());
    EXPECT_EQ(countHeaderLines(parseEcho(saved->rawResponseData()), "Proxy-Authorization:"), 0u);

    // Another proxy is not given them.
    QNHTTPRequest::clearSession();
    LoopbackProxy other(LoopbackProxy::Kind::HTTP, "proxyuser", "proxysecret");
    auto elsewhere = through("/_/echo/elsewhere", other.port());
    ASSERT_TRUE(elsewhere->error());
    EXPECT_EQ(elsewhere->error()->code(), QNAuthenticationErrorType);
    QNHTTPRequest::removeCredentialsForProxy("127.0.0.1", proxy.port(), realm);
    EXPECT_FALSE(QNHTTPRequest::savedCredentialsForProxy("127.0.0.1", proxy.port(), "", realm));
}
