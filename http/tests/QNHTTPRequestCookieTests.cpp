// Cookies a server sets, as the next request to it carries them on the wire
// and as the session keeps them.
#include "http/QNHTTPRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/Foundation/HTTPCookieList.h"

#include "testing/ScriptedHTTPServer.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::testing;

namespace {

using Reply = ScriptedHTTPServer::Reply;

// Every test starts and ends with no cookie in the session or the storage,
// so that none goes to another test's server.
class QNHTTPRequestCookieTest : public LoopbackRequestTest {
protected:
    void SetUp() override
    {
        LoopbackRequestTest::SetUp();
        forgetEveryCookie();
    }
    void TearDown() override
    {
        forgetEveryCookie();
        LoopbackRequestTest::TearDown();
    }
    static void forgetEveryCookie()
    {
        QNHTTPRequest::setSessionCookies(std::nullopt);
        for (const auto& cookie : NSHTTPCookieStorage::sharedHTTPCookieStorage().cookies())
            NSHTTPCookieStorage::sharedHTTPCookieStorage().deleteCookie(cookie);
    }
};

// An answer setting `count` cookies "<prefix><number>=<value>" (for the
// folder "/" of the paths asked for). 10,000 short ones make about 240 KB
// of head, under the transport's limit.
Reply cookieAnswer(const std::string& prefix, size_t count, const std::string& value)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 0; i < count; ++i)
        fields.emplace_back("Set-Cookie", prefix + std::to_string(i) + "=" + value);
    return Reply(200, fields, "cookies");
}

} // namespace

// Four answers of 10,000 distinct cookies each, one after the other in one
// process: each is taken whole, in about the same short time however many
// cookies earlier answers left. The server's own host then keeps only its
// newest 1,000 cookies, in the order they were set: the next request to it
// carries exactly those, and the session lists exactly those. Another host
// (localhost, on the same server) keeps its cookies through the flood.
TEST_F(QNHTTPRequestCookieTest, AFloodOfCookiesIsTakenQuicklyAndEachHostKeepsItsNewest)
{
    const size_t perAnswer = 10000, allowance = HTTPCookieList::maximumCookiesPerDomain;
    std::vector<Reply> replies { cookieAnswer("keep", 3, "mine") };
    for (int answer = 0; answer < 4; ++answer)
        replies.push_back(cookieAnswer("a" + std::to_string(answer) + "c", perAnswer, std::to_string(answer)));
    replies.push_back(Reply(200, {}, "plain"));
    ScriptedHTTPServer server(replies);
    ASSERT_TRUE(server.port());
    const std::string otherHost = "http://localhost:" + std::to_string(server.port());

    auto run = [&](const std::string& url) {
        auto request = this->request(url);
        // The library's default time-out, as the application's requests
        // have it.
        request->setTimeOutSeconds(10);
        request->startAsynchronous();
        // A bound on the wait, not a measure: each answer takes well under
        // a second even here; looked up cookie by cookie against every
        // cookie stored before, the fourth took ten seconds in a release
        // build, and many times that here.
        EXPECT_TRUE(runMainLoopUntil([&] { return request->isFinished(); }, 20)) << url;
        EXPECT_FALSE(request->error()) << request->error()->description();
        return request;
    };
    EXPECT_EQ(run(otherHost + "/first")->responseCookies().size(), 3u);
    ASSERT_TRUE(server.nextRequest());
    for (int answer = 0; answer < 4; ++answer) {
        SCOPED_TRACE("answer " + std::to_string(answer));
        auto request = run(server.url("/flood"));
        EXPECT_EQ(request->responseCookies().size(), perAnswer);
        std::optional<ScriptedHTTPServer::Request> seen = server.nextRequest();
        ASSERT_TRUE(seen);
        const std::string& sent = seen->headers["cookie"];
        EXPECT_EQ(static_cast<size_t>(std::count(sent.begin(), sent.end(), '=')), answer ? allowance : 0) << "the newest of the answer before";
    }

    std::string newest;
    for (size_t i = perAnswer - allowance; i < perAnswer; ++i)
        newest += (newest.empty() ? "" : "; ") + ("a3c" + std::to_string(i) + "=3");
    run(server.url("/after"));
    run(otherHost + "/after");
    std::optional<ScriptedHTTPServer::Request> flooded = server.nextRequest(), other = server.nextRequest();
    ASSERT_TRUE(flooded && other);
    // Compared whole but reported short: the header is 11 KB.
    EXPECT_TRUE(flooded->headers["cookie"] == newest) << flooded->headers["cookie"].substr(0, 200) << "...";
    EXPECT_EQ(other->headers["cookie"], "keep0=mine; keep1=mine; keep2=mine");

    const std::vector<Ref<NSHTTPCookie>> session = QNHTTPRequest::sessionCookies();
    ASSERT_EQ(session.size(), allowance + 3);
    EXPECT_EQ(session[0]->name() + "@" + session[0]->domain(), "keep0@localhost");
    EXPECT_EQ(session[3]->name() + "@" + session[3]->domain(), "a3c" + std::to_string(perAnswer - allowance) + "@127.0.0.1");
    EXPECT_EQ(session.back()->name(), "a3c" + std::to_string(perAnswer - 1));

    // Clearing the session takes every one of them from the storage.
    QNHTTPRequest::clearSession();
    EXPECT_TRUE(NSHTTPCookieStorage::sharedHTTPCookieStorage().cookies().empty());
}
