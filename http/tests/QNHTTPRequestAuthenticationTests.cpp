#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "testing/LoopbackHTTPServer.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::testing;

namespace {

// A delegate that supplies credentials when asked, or gives up.
class CredentialsDelegate : public RecordingDelegate {
public:
    std::string user, password;
    int asked = 0;
    bool respondsToAuthenticationNeeded() const override { return true; }
    void authenticationNeededForRequest(QNHTTPRequest& request) override
    {
        record("authentication needed");
        ++asked;
        if (user.empty()) {
            request.cancelAuthentication();
            return;
        }
        request.setUsername(user);
        request.setPassword(password);
        request.retryUsingSuppliedCredentials();
    }
};

class QNHTTPRequestAuthenticationTest : public LoopbackRequestTest {
protected:
    void TearDown() override
    {
        QNHTTPRequest::clearSession();
        LoopbackRequestTest::TearDown();
    }
};

} // namespace

TEST_F(QNHTTPRequestAuthenticationTest, BasicAndDigestCredentialsFromTheRequest)
{
    s_nginx->addFile("/private/layout.txt", "members only");
    LoopbackHTTPServer server(m_serverFiles.path());
    struct Case {
        std::string url;
        std::string scheme;
    };
    const Case cases[] = { { s_nginx->url("/private/layout.txt"), "Basic" }, { server.url("/_/digest/echo?x=1"), "Digest" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scheme);
        // Without credentials: the challenge ends the request, code 3.
        auto bare = request(c.url);
        bare->startSynchronous();
        ASSERT_TRUE(bare->error());
        EXPECT_EQ(bare->error()->code(), QNAuthenticationErrorType);
        EXPECT_EQ(bare->error()->localizedDescription(), "Authentication needed");

        auto right = request(c.url);
        right->setUsername("user");
        right->setPassword("secret");
        right->startSynchronous();
        ASSERT_FALSE(right->error()) << right->error()->description();
        EXPECT_EQ(right->responseStatusCode(), 200);
        EXPECT_EQ(right->authenticationScheme(), c.scheme);
        EXPECT_EQ(right->authenticationRealm(), "Quilt");

        // The session keeps what worked: a new request needs none of its own.
        auto again = request(c.url);
        again->startSynchronous();
        EXPECT_EQ(again->responseStatusCode(), 200);

        // Wrong credentials are refused once, never tried for ever.
        QNHTTPRequest::clearSession();
        auto wrong = request(c.url);
        wrong->setUsername("user");
        wrong->setPassword("wrong");
        wrong->startSynchronous();
        ASSERT_TRUE(wrong->error());
        EXPECT_EQ(wrong->error()->code(), QNAuthenticationErrorType);
        EXPECT_LE(wrong->authenticationRetryCount(), 2);
    }
    // Credentials in the URL itself.
    std::string withUser = s_nginx->url("/private/layout.txt");
    withUser.replace(withUser.find("//") + 2, 0, "user:secret@");
    auto fromURL = request(withUser);
    fromURL->startSynchronous();
    EXPECT_EQ(fromURL->responseString(), "members only");
}

TEST_F(QNHTTPRequestAuthenticationTest, DelegatesAndBlocksSupplyCredentialsOnTheMainThread)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    CredentialsDelegate delegate;
    delegate.user = "user";
    delegate.password = "secret";
    auto request = this->request(server.url("/_/digest/asked"));
    request->setDelegate(&delegate);
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate.finished + delegate.failed > 0; }));
    EXPECT_EQ(delegate.asked, 1);
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_TRUE(delegate.allOnMainThread);

    // A delegate that gives up: code 3.
    QNHTTPRequest::clearSession();
    CredentialsDelegate refusing;
    auto refused = this->request(server.url("/_/digest/refused"));
    refused->setDelegate(&refusing);
    refused->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return refusing.failed > 0; }));
    EXPECT_EQ(refused->error()->code(), QNAuthenticationErrorType);

    // A block, when there is no delegate that answers.
    QNHTTPRequest::clearSession();
    auto withBlock = this->request(server.url("/_/digest/block"));
    QNHTTPRequest* raw = withBlock.ptr();
    int asked = 0;
    withBlock->setAuthenticationNeededBlock([&] {
        ++asked;
        raw->setUsername("user");
        raw->setPassword("secret");
        raw->retryUsingSuppliedCredentials();
    });
    bool done = false;
    withBlock->setCompletionBlock([&] { done = true; });
    withBlock->setFailedBlock([&] { done = true; });
    RequestsSilencedAtEnd silenced { withBlock };
    withBlock->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    EXPECT_FALSE(withBlock->error());
    EXPECT_EQ(asked, 1);

    // Run synchronously, a request asks nobody.
    QNHTTPRequest::clearSession();
    CredentialsDelegate never;
    auto synchronous = this->request(server.url("/_/digest/sync"));
    synchronous->setDelegate(&never);
    synchronous->startSynchronous();
    EXPECT_EQ(synchronous->error()->code(), QNAuthenticationErrorType);
    EXPECT_EQ(never.asked, 0);
}

TEST_F(QNHTTPRequestAuthenticationTest, CredentialsStayWithTheServerThatAskedForThem)
{
    s_nginx->addFile("/private/a.txt", "a");
    LoopbackHTTPServer server(m_serverFiles.path());
    auto first = request(s_nginx->url("/private/a.txt"));
    first->setUsername("user");
    first->setPassword("secret");
    first->startSynchronous();
    ASSERT_EQ(first->responseStatusCode(), 200);
    // Another server (another port) is not given the session's credentials.
    auto other = request(server.url("/_/echo/other"));
    other->startSynchronous();
    EXPECT_EQ(countHeaderLines(parseEcho(other->rawResponseData()), "Authorization:"), 0u);
}

TEST_F(QNHTTPRequestAuthenticationTest, CredentialsSavedOnTheDeviceServeLaterRequestsAfterTheSessionIsGone)
{
    s_nginx->addFile("/private/saved.txt", "saved");
    const std::string url = s_nginx->url("/private/saved.txt");
    auto address = NSURL::URLWithString(url);
    ASSERT_TRUE(address);

    // A login that works is saved on the device when the request says so.
    auto first = request(url);
    first->setUsername("user");
    first->setPassword("secret");
    first->setUseKeychainPersistence(true);
    first->startSynchronous();
    ASSERT_EQ(first->responseStatusCode(), 200);
    auto saved = QNHTTPRequest::savedCredentialsForHost("127.0.0.1", address->port(), "http", "Quilt");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->user, "user");
    EXPECT_EQ(saved->password, "secret");

    // With the session's credentials gone, only a request that looks on the
    // device finds them.
    QNHTTPRequest::clearSession();
    auto looking = request(url);
    looking->setUseKeychainPersistence(true);
    looking->startSynchronous();
    EXPECT_EQ(looking->responseString(), "saved");
    QNHTTPRequest::clearSession();
    auto notLooking = request(url);
    notLooking->startSynchronous();
    ASSERT_TRUE(notLooking->error());
    EXPECT_EQ(notLooking->error()->code(), QNAuthenticationErrorType);

    // Removed, they are asked for again.
    QNHTTPRequest::clearSession();
    QNHTTPRequest::removeCredentialsForHost("127.0.0.1", address->port(), "http", "Quilt");
    auto removed = request(url);
    removed->setUseKeychainPersistence(true);
    removed->startSynchronous();
    ASSERT_TRUE(removed->error());
    EXPECT_EQ(removed->error()->code(), QNAuthenticationErrorType);
}
