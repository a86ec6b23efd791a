#include "platform/CFNetwork/CFHTTPAuthentication.h"
#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/CFNetwork/CFHTTPReadStream.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackNginx.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qv;
using qv::testing::LoopbackHTTPServer;

namespace {

// Reads a stream to its end on the current run loop: the body, and the
// events in the order they came (bytes-available events counted once).
struct StreamReader {
    std::string body;
    std::vector<CFStreamEventType> events;
    bool ended = false;

    void attach(CFHTTPReadStream& stream)
    {
        stream.setClient(kCFStreamEventHasBytesAvailable | kCFStreamEventEndEncountered | kCFStreamEventErrorOccurred,
            [this](CFHTTPReadStream& stream, CFStreamEventType event) {
                if (events.empty() || events.back() != event)
                    events.push_back(event);
                if (event == kCFStreamEventHasBytesAvailable) {
                    uint8_t buffer[65536];
                    const long count = stream.read(buffer, sizeof buffer);
                    if (count > 0)
                        body.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(count));
                } else {
                    ended = true;
                }
            });
    }
    bool runUntilEnded(double seconds = 30)
    {
        const NSTimeInterval deadline = VirtualClock::realNow() + seconds;
        while (!ended && VirtualClock::realNow() < deadline)
            NSRunLoop::currentRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::realNow() + 0.05);
        return ended;
    }
};

} // namespace

TEST(CFHTTPMessageTest, FieldsKeepTheirNamesRepeatsAndOrder)
{
    auto message = CFHTTPMessage::createRequest("GET", *NSURL::URLWithString("http://127.0.0.1/"), kCFHTTPVersion1_1);
    EXPECT_TRUE(message->setHeaderFieldValue("X-Layout", "Blue"));
    EXPECT_TRUE(message->addHeaderField("Accept", "text/plain"));
    EXPECT_TRUE(message->addHeaderField("accept", "application/xml"));
    EXPECT_EQ(message->headerFieldValue("ACCEPT"), "text/plain, application/xml");
    EXPECT_TRUE(message->setHeaderFieldValue("ACCEPT", "*/*")) << "replaces both, whatever their case";
    EXPECT_EQ(message->headerFields(), (std::vector<std::pair<std::string, std::string>> { { "X-Layout", "Blue" }, { "ACCEPT", "*/*" } }));
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>> {
             { "X-Bad", "a\r\nb" }, { "X-Bad", std::string("a\0b", 3) }, { "Bad Name", "a" }, { "", "a" }, { "X:Y", "a" } })
        EXPECT_FALSE(message->setHeaderFieldValue(name, value)) << name;
    EXPECT_EQ(message->headerFields().size(), 2u);

    // A response read from the wire, in pieces, with a folded field.
    auto response = CFHTTPMessage::createEmpty(false);
    EXPECT_TRUE(response->appendBytes("HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1\r\nset-cookie: b=2\r\nX-Long: one"));
    EXPECT_FALSE(response->isHeaderComplete());
    EXPECT_TRUE(response->appendBytes("\r\n  two\r\n\r\nbody"));
    EXPECT_TRUE(response->isHeaderComplete());
    EXPECT_EQ(response->responseStatusCode(), 404);
    EXPECT_EQ(response->responseStatusLine(), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(response->headerFieldValue("Set-Cookie"), "a=1, b=2");
    EXPECT_EQ(response->headerFieldValue("x-long"), "one two");
    EXPECT_EQ(response->body(), "body");
    EXPECT_EQ(response->allHeaderFields()->stringForKey("Set-Cookie")->string(), "a=1, b=2");
    EXPECT_FALSE(CFHTTPMessage::createEmpty(false)->appendBytes("SSH-2.0-OpenSSH\r\n")) << "no HTTP";
}

TEST(CFHTTPReadStreamTest, SendsTheTargetAsWrittenAndReportsOnItsRunLoop)
{
    qv::testing::TemporaryDirectory files;
    LoopbackHTTPServer server(files.path());
    auto url = NSURL::URLWithString(server.url("/_/echo/a/./b/../c%20d?x=%2F&y"));
    auto message = CFHTTPMessage::createRequest("POST", *url, kCFHTTPVersion1_1);
    message->setHeaderFieldValue("Content-Type", "text/plain");
    message->setBody("hello");
    auto stream = CFHTTPReadStream::createForHTTPRequest(message);
    StreamReader reader;
    reader.attach(stream);
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    ASSERT_TRUE(stream->open());
    ASSERT_TRUE(reader.runUntilEnded());
    EXPECT_EQ(reader.events, (std::vector<CFStreamEventType> { kCFStreamEventHasBytesAvailable, kCFStreamEventEndEncountered }));
    EXPECT_EQ(reader.body.substr(0, reader.body.find("\r\n")), "POST /_/echo/a/./b/../c%20d?x=%2F&y HTTP/1.1");
    EXPECT_NE(reader.body.find("\r\n\r\nhello"), std::string::npos);
    EXPECT_EQ(stream->bytesWritten(), 5u);
    auto head = stream->responseHeader();
    ASSERT_TRUE(head);
    EXPECT_EQ(head->responseStatusCode(), 200);
    EXPECT_EQ(stream->status(), NSStreamStatusAtEnd);

    // A refused connection is an error event with the device's code.
    auto refused = CFHTTPReadStream::createForHTTPRequest(CFHTTPMessage::createRequest("GET",
        *NSURL::URLWithString("http://127.0.0.1:" + std::to_string(LoopbackHTTPServer::closedPort()) + "/"), kCFHTTPVersion1_1));
    StreamReader failing;
    failing.attach(refused);
    refused->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    refused->open();
    ASSERT_TRUE(failing.runUntilEnded());
    EXPECT_EQ(failing.events.back(), kCFStreamEventErrorOccurred);
    ASSERT_TRUE(refused->error());
    EXPECT_EQ(refused->error()->domain(), "NSPOSIXErrorDomain");
    EXPECT_EQ(refused->error()->code(), 61);
}

TEST(CFHTTPReadStreamTest, AnUnscheduledStreamReportsNothingAndGoesOnWhenScheduled)
{
    qv::testing::LoopbackNginx nginx;
    ASSERT_TRUE(nginx.running());
    std::string big(8u << 20, 'q');
    nginx.addFile("/big.bin", big);
    auto stream = CFHTTPReadStream::createForHTTPRequest(CFHTTPMessage::createRequest("GET", *NSURL::URLWithString(nginx.url("/big.bin")), kCFHTTPVersion1_1));
    StreamReader reader;
    reader.attach(stream);
    ASSERT_TRUE(stream->open());
    // Whatever time passes, an unscheduled stream reports nothing and the
    // bytes stay in the network.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    NSRunLoop::currentRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::realNow() + 0.1);
    EXPECT_TRUE(reader.events.empty());
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    ASSERT_TRUE(reader.runUntilEnded(60));
    EXPECT_EQ(reader.body.size(), big.size());
    EXPECT_TRUE(reader.body == big);
}

TEST(CFHTTPAuthenticationTest, ChallengesOfUnknownSchemesGiveObjectsThatAreNotValid)
{
    struct Case {
        const char* field; // the challenge line, or none
        bool made;
        const char* scheme;
        const char* realm;
        long reason; // 0 when valid
    };
    const Case cases[] = {
        { "WWW-Authenticate: Basic realm=\"Quilt\"", true, kCFHTTPAuthenticationSchemeBasic, "Quilt", 0 },
        { "WWW-Authenticate: Swift realm=\"unknown\"", true, "Swift", "unknown", kCFStreamErrorHTTPAuthenticationTypeUnsupported },
        { "WWW-Authenticate: Bearer, Basic realm=\"b\"", true, kCFHTTPAuthenticationSchemeBasic, "b", 0 },
        { "X-Other: 1", false, "", "", 0 },
        { "WWW-Authenticate: ", false, "", "", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        auto response = CFHTTPMessage::createEmpty(false);
        ASSERT_TRUE(response->appendBytes(std::string("HTTP/1.1 401 Unauthorized\r\n") + c.field + "\r\n\r\n"));
        auto authentication = CFHTTPAuthentication::createFromResponse(*response);
        ASSERT_EQ(bool(authentication), c.made);
        if (!authentication)
            continue;
        EXPECT_EQ(authentication->method(), c.scheme);
        EXPECT_EQ(authentication->realm(), c.realm);
        long reason = -1;
        EXPECT_EQ(authentication->isValid(&reason), c.reason == 0);
        EXPECT_EQ(reason, c.reason);
    }
}
