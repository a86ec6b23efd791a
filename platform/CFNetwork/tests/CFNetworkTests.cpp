#include "platform/CFNetwork/CFHTTPAuthentication.h"
#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/CFNetwork/CFHTTPReadStream.h"
#include "platform/CFNetwork/HTTPRunLoopTransport.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackNginx.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
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

// The open descriptors of this process.
size_t openDescriptors()
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

// The TCP connections of this process to the port on loopback.
size_t connectionsTo(int port)
{
    std::set<std::string> sockets;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind("socket:[", 0) == 0)
            sockets.insert(target.substr(8, target.size() - 9));
    }
    size_t count = 0;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, user, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> user >> timeout >> inode;
        const auto colon = remote.find(':');
        if (colon != std::string::npos && std::stoi(remote.substr(colon + 1), nullptr, 16) == port && sockets.count(inode))
            ++count;
    }
    return count;
}

// Whether running the mode on this thread's loop returns at once for want
// of anything in it. Should something be left there, the wait ends with a
// watchdog's perform in the mode.
bool runsDry(const std::string& mode)
{
    Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
    auto watchdogRan = std::make_shared<std::atomic<bool>>(false);
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock guard(lock);
        if (!finished.wait_for(guard, std::chrono::seconds(20), [&] { return done; }))
            runLoop->performInModes({ mode }, [watchdogRan] { *watchdogRan = true; });
    });
    const bool ranSomething = runLoop->runMode(mode, VirtualClock::distantFuture);
    {
        std::lock_guard guard(lock);
        done = true;
    }
    finished.notify_all();
    watchdog.join();
    return !ranSomething && !*watchdogRan;
}

int portOf(const std::string& url)
{
    return std::stoi(url.substr(url.rfind(':') + 1));
}

Ref<CFHTTPReadStream> getStream(const std::string& url)
{
    return CFHTTPReadStream::createForHTTPRequest(CFHTTPMessage::createRequest("GET", *NSURL::URLWithString(url), kCFHTTPVersion1_1));
}

// Reads the stream's answer to its end on the calling thread's run loop.
std::string readOnThisThread(CFHTTPReadStream& stream)
{
    StreamReader reader;
    reader.attach(stream);
    stream.scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    stream.open();
    reader.runUntilEnded();
    return reader.body;
}

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

TEST(CFHTTPReadStreamTest, EachThreadKeepsItsOwnConnectionsAndLetsGoOfThemWhenItEnds)
{
    qv::testing::LoopbackNginx nginx;
    ASSERT_TRUE(nginx.running());
    nginx.addFile("/small.txt", std::string(1024, 's'));
    const int port = portOf(nginx.url("/"));
    const size_t descriptorsBefore = openDescriptors();
    const size_t loggedBefore = nginx.loggedRequests().size();

    // Two exchanges on the thread's own run loop, one after the other.
    std::vector<std::string> bodies;
    size_t keptWhileAlive = 0;
    // The last stream outlives its thread, as a stream kept for its
    // connection may.
    RefPtr<CFHTTPReadStream> outliving;
    std::thread worker([&] {
        for (int round = 0; round < 2; ++round) {
            auto stream = getStream(nginx.url("/small.txt"));
            bodies.push_back(readOnThisThread(stream));
            outliving = stream;
        }
        keptWhileAlive = connectionsTo(port);
    });
    worker.join();
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], std::string(1024, 's'));
    EXPECT_EQ(bodies[1], bodies[0]);
    auto logged = nginx.loggedRequests(loggedBefore + 2);
    ASSERT_EQ(logged.size(), loggedBefore + 2);
    EXPECT_EQ(logged[loggedBefore].connection, logged[loggedBefore + 1].connection) << "the second went over the first's connection";
    EXPECT_EQ(keptWhileAlive, 1u) << "kept alive while the thread lives";
    // The thread's end closed its connection and every descriptor of its
    // transport and run loop.
    EXPECT_EQ(connectionsTo(port), 0u);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    EXPECT_EQ(outliving->read(nullptr, 0), 0) << "read to its end";
    outliving->close();
    outliving = nullptr;

    // This thread's exchange does not take the other's connection (gone
    // anyway), nor does another thread take this one's.
    auto here = getStream(nginx.url("/small.txt"));
    EXPECT_EQ(readOnThisThread(here), bodies[0]);
    here->close();
    EXPECT_EQ(connectionsTo(port), 1u);
    std::thread([&] {
        auto there = getStream(nginx.url("/small.txt"));
        EXPECT_EQ(readOnThisThread(there), bodies[0]);
        EXPECT_FALSE(there->reusedConnection());
        EXPECT_EQ(connectionsTo(port), 2u);
    }).join();
    EXPECT_EQ(connectionsTo(port), 1u);
}

TEST(CFHTTPReadStreamTest, AStreamClosedFromAnotherThreadWhileItsLoopWaitsLetsGoOfItsConnection)
{
    qv::testing::TemporaryDirectory files;
    LoopbackHTTPServer server(files.path());
    const std::string mode = "CFNetworkTestsCloseMode";
    auto stream = getStream(server.url("/_/hang"));
    StreamReader reader;
    reader.attach(stream);
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), mode);
    ASSERT_TRUE(stream->open());
    const NSTimeInterval deadline = VirtualClock::realNow() + 30;
    std::optional<std::string> received;
    while (!received && VirtualClock::realNow() < deadline) {
        NSRunLoop::currentRunLoop()->runMode(mode, VirtualClock::realNow() + 0.05);
        received = server.nextRequest(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(received, "GET /_/hang");
    ASSERT_EQ(connectionsTo(server.port()), 1u);

    // The loop waits for the server, which never answers; the close from
    // the other thread wakes it, and the connection goes.
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stream->close();
    });
    while (connectionsTo(server.port()) > 0 && VirtualClock::realNow() < deadline)
        NSRunLoop::currentRunLoop()->runMode(mode, deadline);
    closer.join();
    EXPECT_EQ(connectionsTo(server.port()), 0u);
    EXPECT_TRUE(reader.events.empty()) << "no event after the close";
    EXPECT_TRUE(runsDry(mode)) << "nothing of the transfer is left in the mode";
}

TEST(HTTPRunLoopTransportTest, AHandlerMayCancelItsOwnTransferAndStartAnother)
{
    qv::testing::LoopbackNginx nginx;
    ASSERT_TRUE(nginx.running());
    nginx.addFile("/big.bin", std::string(16u << 20, 'b'));
    const std::string small(5000, 'm');
    nginx.addFile("/small.txt", small);
    const std::string mode = "CFNetworkTestsHandlerMode";
    auto transport = HTTPRunLoopTransport::current();
    ASSERT_TRUE(transport);

    int firstEvents = 0;
    RefPtr<HTTPTransfer> first, second;
    bool secondEnded = false;
    std::string secondBody;
    HTTPTransferRequest big;
    big.url = nginx.url("/big.bin");
    first = transport->createTransfer(big, [&](HTTPTransfer::Event) {
        // From inside the event: the transfer ends here, and another
        // starts on the same transport.
        ++firstEvents;
        first->cancel();
        HTTPTransferRequest next;
        next.url = nginx.url("/small.txt");
        second = transport->createTransfer(next, [&](HTTPTransfer::Event event) {
            char buffer[4096];
            while (size_t count = second->read(buffer, sizeof buffer))
                secondBody.append(buffer, count);
            secondEnded = secondEnded || event == HTTPTransfer::Event::End || event == HTTPTransfer::Event::Error;
        }, { mode });
        second->start();
    }, { mode });
    first->start();
    const NSTimeInterval deadline = VirtualClock::realNow() + 30;
    while (!secondEnded && VirtualClock::realNow() < deadline)
        NSRunLoop::currentRunLoop()->runMode(mode, deadline);
    EXPECT_EQ(firstEvents, 1);
    EXPECT_TRUE(first->error() || !first->atEnd()) << "the first never completed";
    ASSERT_TRUE(secondEnded);
    EXPECT_FALSE(second->error());
    EXPECT_TRUE(secondBody == small);
    EXPECT_TRUE(runsDry(mode)) << "nothing of either transfer is left in the mode";
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
