#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackNTLMServer.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <map>

using namespace qv;
using namespace qv::testing;

namespace {

class QNHTTPRequestNTLMTest : public LoopbackRequestTest {
protected:
    void TearDown() override
    {
        QNHTTPRequest::clearSession();
        LoopbackRequestTest::TearDown();
    }

    // The requests the NTLM server answered, as "message verdict" in order
    // (with the method before them when asked), while checking that each
    // login ran on one connection.
    static std::vector<std::string> exchange(LoopbackNTLMServer& server, size_t count, bool withMethod = false)
    {
        std::vector<std::string> seen;
        int negotiatedOn = 0;
        for (size_t i = 0; i < count; ++i) {
            auto request = server.nextRequest();
            if (!request) {
                ADD_FAILURE() << "only " << i << " requests came";
                break;
            }
            if (request->message == "negotiate") {
                negotiatedOn = request->connection;
            } else if (request->message == "authenticate") {
                EXPECT_EQ(request->connection, negotiatedOn) << "the answer came on another connection";
            }
            seen.push_back((withMethod ? request->method + " " : "") + request->message + " " + request->verdict);
        }
        return seen;
    }

    // How many lines of the NTLM server's echo begin with the prefix.
    static size_t echoedLines(const std::string& echo, const std::string& prefix)
    {
        size_t count = 0;
        for (size_t at = 0; at < echo.size();) {
            const size_t end = std::min(echo.find('\n', at), echo.size());
            if (strncasecmp(echo.c_str() + at, prefix.c_str(), prefix.size()) == 0)
                ++count;
            at = end + 1;
        }
        return count;
    }
};

// A delegate that gives the proxy's account when asked.
class ProxyAccountDelegate : public RecordingDelegate {
public:
    int asked = 0;
    bool respondsToProxyAuthenticationNeeded() const override { return true; }
    void proxyAuthenticationNeededForRequest(QNHTTPRequest& request) override
    {
        record("proxy authentication needed");
        ++asked;
        request.setProxyUsername("user");
        request.setProxyPassword("secret");
        request.setProxyDomain("QUILT");
        request.retryUsingSuppliedCredentials();
    }
};

} // namespace

TEST_F(QNHTTPRequestNTLMTest, AServerLoginRunsOnOneConnectionWithTheAccountsDomain)
{
    LoopbackNTLMServer server(LoopbackNTLMServer::Kind::Server);
    struct Case {
        const char* name;
        std::string user;
        std::string domain;
    };
    const Case cases[] = {
        { "domain field", "user", "QUILT" },
        { "domain in the user name", "QUILT\\user", "" },
        { "domain field in other case", "USER", "quilt" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QNHTTPRequest::clearSession();
        auto request = this->request(server.url("/ntlm/layout?page=1"));
        request->setUsername(c.user);
        request->setPassword("secret");
        request->setDomain(c.domain);
        request->startSynchronous();
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->authenticationScheme(), kCFHTTPAuthenticationSchemeNTLM);
        EXPECT_EQ(request->authenticationRealm(), "") << "NTLM names an account domain, no realm";
        EXPECT_NE(request->responseString().value_or("").find("GET /ntlm/layout?page=1"), std::string::npos);
        EXPECT_EQ(exchange(server, 3), (std::vector<std::string> { "none challenge", "negotiate challenge", "authenticate ok" }));
        EXPECT_EQ(request->authenticationRetryCount(), 1);
    }

    // A body goes once, with the answer; the opening request has none.
    QNHTTPRequest::clearSession();
    auto post = request(server.url("/ntlm/upload"));
    post->setRequestMethod("POST");
    post->appendPostData("layout=Quilt");
    post->setUsername("user");
    post->setPassword("secret");
    post->setDomain("QUILT");
    post->startSynchronous();
    ASSERT_FALSE(post->error()) << post->error()->description();
    const std::string echo = post->responseString().value_or("");
    EXPECT_NE(echo.find("POST /ntlm/upload"), std::string::npos);
    EXPECT_NE(echo.find("\n\nlayout=Quilt"), std::string::npos) << echo;
    EXPECT_EQ(exchange(server, 3), (std::vector<std::string> { "none challenge", "negotiate challenge", "authenticate ok" }));

    // The session keeps the login: a later request logs in again by itself
    // (NTLM holds for one connection), without asking anybody.
    auto later = request(server.url("/ntlm/later"));
    later->startSynchronous();
    ASSERT_FALSE(later->error()) << later->error()->description();
    EXPECT_EQ(exchange(server, 2), (std::vector<std::string> { "negotiate challenge", "authenticate ok" }));
}

TEST_F(QNHTTPRequestNTLMTest, RefusedCredentialsEndAfterTheSecondRound)
{
    LoopbackNTLMServer server(LoopbackNTLMServer::Kind::Server);
    struct Case {
        const char* name;
        std::string user, password, domain;
    };
    // A wrong password; the right one without the account's domain.
    const Case cases[] = { { "wrong password", "user", "wrong", "QUILT" }, { "no domain", "user", "secret", "" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QNHTTPRequest::clearSession();
        auto request = this->request(server.url("/ntlm/refused"));
        request->setUsername(c.user);
        request->setPassword(c.password);
        request->setDomain(c.domain);
        request->startSynchronous();
        ASSERT_TRUE(request->error());
        EXPECT_EQ(request->error()->code(), QNAuthenticationErrorType);
        EXPECT_EQ(request->authenticationRetryCount(), 2);
        EXPECT_EQ(exchange(server, 5), (std::vector<std::string> { "none challenge", "negotiate challenge", "authenticate refused",
                                           "negotiate challenge", "authenticate refused" }));
    }
    // Without credentials nobody is asked: code 3 after the first challenge.
    QNHTTPRequest::clearSession();
    auto bare = request(server.url("/ntlm/bare"));
    bare->startSynchronous();
    ASSERT_TRUE(bare->error());
    EXPECT_EQ(bare->error()->code(), QNAuthenticationErrorType);
    EXPECT_EQ(exchange(server, 1), (std::vector<std::string> { "none challenge" }));
}

TEST_F(QNHTTPRequestNTLMTest, AProxyLoginRunsOnOneConnectionToTheProxyAndStopsThere)
{
    LoopbackHTTPServer origin(m_serverFiles.path());
    struct Case {
        const char* name;
        bool proxyFields;
    };
    // The proxy's own fields; or, for NTLM, the server's user name and
    // password with its domain.
    for (const Case& c : { Case { "proxy credentials", true }, Case { "server credentials", false } }) {
        SCOPED_TRACE(c.name);
        // A proxy of its own each time: the session keeps a proxy's login.
        LoopbackNTLMServer proxy(LoopbackNTLMServer::Kind::Proxy);
        auto request = this->request(origin.url(std::string("/_/echo/") + (c.proxyFields ? "proxy" : "server")));
        request->setProxyHost("127.0.0.1");
        request->setProxyPort(proxy.port());
        if (c.proxyFields) {
            request->setProxyUsername("user");
            request->setProxyPassword("secret");
            request->setProxyDomain("QUILT");
        } else {
            request->setUsername("QUILT\\user");
            request->setPassword("secret");
        }
        request->startSynchronous();
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->proxyAuthenticationScheme(), kCFHTTPAuthenticationSchemeNTLM);
        const auto echo = parseEcho(request->rawResponseData());
        EXPECT_EQ(countHeaderLines(echo, "Proxy-Authorization:"), 0u) << "the proxy's credentials stop at the proxy";
        EXPECT_EQ(countHeaderLines(echo, "Authorization:"), 0u);
        const auto seen = exchange(proxy, 3);
        EXPECT_EQ(seen, (std::vector<std::string> { "none challenge", "negotiate challenge", "authenticate ok" }));
    }
}

TEST_F(QNHTTPRequestNTLMTest, LoginsAtTheSameTimeKeepToTheirOwnConnections)
{
    LoopbackNTLMServer server(LoopbackNTLMServer::Kind::Server);
    constexpr int count = 4;
    std::vector<Ref<QNHTTPRequest>> requests;
    int ended = 0;
    for (int i = 0; i < count; ++i) {
        auto request = this->request(server.url("/ntlm/together/" + std::to_string(i)));
        request->setUsername("user");
        request->setPassword("secret");
        request->setDomain("QUILT");
        request->setCompletionBlock([&] { ++ended; });
        request->setFailedBlock([&] { ++ended; });
        requests.push_back(request);
    }
    RequestsSilencedAtEnd silenced;
    for (auto& request : requests) {
        silenced.add(request);
        request->startAsynchronous();
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return ended == count; }));
    for (auto& request : requests)
        EXPECT_FALSE(request->error()) << request->error()->description();
    // Every answer came on the connection its own challenge came on, after
    // it and before anything else there.
    std::map<int, std::string> lastOn;
    int answered = 0;
    while (answered < count) {
        auto seen = server.nextRequest();
        ASSERT_TRUE(seen) << answered << " answers came";
        if (seen->message == "authenticate") {
            EXPECT_EQ(lastOn[seen->connection], "negotiate challenge " + seen->target);
            EXPECT_EQ(seen->verdict, "ok");
            ++answered;
        }
        lastOn[seen->connection] = seen->message + " " + seen->verdict + " " + seen->target;
    }
}

TEST_F(QNHTTPRequestNTLMTest, AProxyLoginForATunnelRunsOnTheCONNECTWithCredentialsFromEachSource)
{
    LoopbackNTLMServer origin(LoopbackNTLMServer::Kind::SecureServer);
    enum class Source { Fields, Device, Delegate };
    struct Case {
        const char* name;
        Source source;
    };
    for (const Case& c : { Case { "proxy fields", Source::Fields }, Case { "saved on the device", Source::Device }, Case { "delegate", Source::Delegate } }) {
        SCOPED_TRACE(c.name);
        // A proxy of its own each time: the session keeps a proxy's login.
        LoopbackNTLMServer proxy(LoopbackNTLMServer::Kind::Proxy);
        auto request = this->request(origin.url("/open/tunnel"));
        request->setValidatesSecureCertificate(false);
        request->setProxyHost("127.0.0.1");
        request->setProxyPort(proxy.port());
        ProxyAccountDelegate delegate;
        if (c.source == Source::Fields) {
            request->setProxyUsername("user");
            request->setProxyPassword("secret");
            request->setProxyDomain("QUILT");
        } else if (c.source == Source::Device) {
            // NTLM names no realm.
            ASSERT_TRUE(QNHTTPRequest::saveCredentialsForProxy({ "QUILT\\user", "secret" }, "127.0.0.1", proxy.port(), ""));
        }
        if (c.source == Source::Delegate) {
            request->setDelegate(&delegate);
            request->startAsynchronous();
            ASSERT_TRUE(runMainLoopUntil([&] { return delegate.finished + delegate.failed > 0; }));
            EXPECT_EQ(delegate.asked, 1);
        } else {
            request->startSynchronous();
        }
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->proxyAuthenticationScheme(), kCFHTTPAuthenticationSchemeNTLM);
        EXPECT_EQ(request->proxyAuthenticationRetryCount(), 1);
        // The proxy's first answer to the CONNECT asked; the login ran on
        // the CONNECT of one connection.
        EXPECT_EQ(exchange(proxy, 3, true),
            (std::vector<std::string> { "CONNECT none challenge", "CONNECT negotiate challenge", "CONNECT authenticate ok" }));
        // The server got the request through the tunnel, without the
        // proxy's credentials.
        const std::string echo = request->responseString().value_or("");
        EXPECT_EQ(echoedLines(echo, "GET /open/tunnel"), 1u) << echo;
        EXPECT_EQ(echoedLines(echo, "Proxy-Authorization:"), 0u) << echo;
        EXPECT_EQ(echoedLines(echo, "Authorization:"), 0u) << echo;
        EXPECT_EQ(exchange(origin, 1), (std::vector<std::string> { "none ok" }));
        if (c.source == Source::Device)
            QNHTTPRequest::removeCredentialsForProxy("127.0.0.1", proxy.port(), "");
    }
}

TEST_F(QNHTTPRequestNTLMTest, ATunnelsRefusedProxyLoginEndsAfterTheSecondRound)
{
    LoopbackNTLMServer origin(LoopbackNTLMServer::Kind::SecureServer);
    LoopbackNTLMServer proxy(LoopbackNTLMServer::Kind::Proxy);
    auto request = this->request(origin.url("/open/refused"));
    request->setValidatesSecureCertificate(false);
    request->setProxyHost("127.0.0.1");
    request->setProxyPort(proxy.port());
    request->setProxyUsername("user");
    request->setProxyPassword("wrong");
    request->setProxyDomain("QUILT");
    request->startSynchronous();
    ASSERT_TRUE(request->error());
    EXPECT_EQ(request->error()->code(), QNAuthenticationErrorType);
    EXPECT_EQ(request->responseStatusCode(), 407);
    EXPECT_EQ(request->proxyAuthenticationRetryCount(), 2);
    EXPECT_EQ(exchange(proxy, 5, true),
        (std::vector<std::string> { "CONNECT none challenge", "CONNECT negotiate challenge", "CONNECT authenticate refused",
            "CONNECT negotiate challenge", "CONNECT authenticate refused" }));
}

TEST_F(QNHTTPRequestNTLMTest, AProxyAndAServerBothLogInAndTheServersLoginStaysOnItsConnection)
{
    struct Case {
        const char* name;
        LoopbackNTLMServer::Kind origin;
        std::vector<std::string> proxyFirst;  // the proxy's side of the first request
        std::vector<std::string> proxyLater;  // ... and of a later one of the session
    };
    const Case cases[] = {
        { "plain, through the proxy", LoopbackNTLMServer::Kind::Server,
            // Asked; logged in and passed on, to the server's challenge;
            // logged in again on a connection of its own, with the
            // server's login behind it.
            { "POST none challenge", "POST negotiate challenge", "POST authenticate ok", "POST negotiate challenge", "POST authenticate ok",
                "POST none ok" },
            { "GET negotiate challenge", "GET authenticate ok", "GET none ok" } },
        { "https, through a tunnel", LoopbackNTLMServer::Kind::SecureServer,
            { "CONNECT none challenge", "CONNECT negotiate challenge", "CONNECT authenticate ok", "CONNECT negotiate challenge",
                "CONNECT authenticate ok" },
            { "CONNECT negotiate challenge", "CONNECT authenticate ok" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QNHTTPRequest::clearSession();
        LoopbackNTLMServer origin(c.origin);
        LoopbackNTLMServer proxy(LoopbackNTLMServer::Kind::Proxy);
        auto through = [&](const std::string& path) {
            auto request = this->request(origin.url(path));
            request->setValidatesSecureCertificate(false);
            request->setProxyHost("127.0.0.1");
            request->setProxyPort(proxy.port());
            return request;
        };
        auto request = through("/ntlm/both");
        request->setRequestMethod("POST");
        request->appendPostData("layout=Quilt");
        request->setUsername("user");
        request->setPassword("secret");
        request->setDomain("QUILT");
        request->setProxyUsername("user");
        request->setProxyPassword("secret");
        request->setProxyDomain("QUILT");
        request->startSynchronous();
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->authenticationScheme(), kCFHTTPAuthenticationSchemeNTLM);
        EXPECT_EQ(request->proxyAuthenticationScheme(), kCFHTTPAuthenticationSchemeNTLM);
        EXPECT_EQ(request->authenticationRetryCount(), 1);
        EXPECT_EQ(request->proxyAuthenticationRetryCount(), 1);
        const std::string echo = request->responseString().value_or("");
        EXPECT_EQ(echoedLines(echo, "account QUILT\\user"), 1u) << echo;
        EXPECT_EQ(echoedLines(echo, "Proxy-Authorization:"), 0u) << echo;
        EXPECT_NE(echo.find("\n\nlayout=Quilt"), std::string::npos) << echo;
        EXPECT_EQ(exchange(proxy, c.proxyFirst.size(), true), c.proxyFirst);
        // The server asked once the proxy let the request through, and its
        // login ran on one connection.
        EXPECT_EQ(exchange(origin, 3), (std::vector<std::string> { "none challenge", "negotiate challenge", "authenticate ok" }));

        // The session keeps both logins: a later request logs in at both
        // by itself.
        auto later = through("/ntlm/later");
        later->startSynchronous();
        ASSERT_FALSE(later->error()) << later->error()->description();
        EXPECT_NE(later->responseString().value_or("").find("account QUILT\\user"), std::string::npos);
        EXPECT_EQ(exchange(proxy, c.proxyLater.size(), true), c.proxyLater);
        EXPECT_EQ(exchange(origin, 2), (std::vector<std::string> { "negotiate challenge", "authenticate ok" }));
    }
}
