#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/SystemConfiguration/SCNetworkReachability.h"
#include "platform/SystemConfiguration/SCNetworkReachabilityTesting.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/un.h>
#include <thread>

using namespace qv;

namespace {

constexpr SCNetworkReachabilityFlags reachable = kSCNetworkReachabilityFlagsReachable;
constexpr SCNetworkReachabilityFlags localFlags
    = reachable | kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect;

RefPtr<SCNetworkReachability> targetForAddress(const char* text)
{
    sockaddr_in6 address6 {};
    if (inet_pton(AF_INET6, text, &address6.sin6_addr) == 1) {
        address6.sin6_family = AF_INET6;
        return SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&address6));
    }
    sockaddr_in address {};
    EXPECT_EQ(inet_pton(AF_INET, text, &address.sin_addr), 1) << text;
    address.sin_family = AF_INET;
    return SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&address));
}

std::optional<SCNetworkReachabilityFlags> flagsOf(SCNetworkReachability& target)
{
    SCNetworkReachabilityFlags flags = 0xdead;
    if (!SCNetworkReachabilityGetFlags(target, &flags))
        return std::nullopt;
    return flags;
}

// What iproute2 says of the way to an address: the flags the routing
// tables should give, worked out independently of our netlink reading.
SCNetworkReachabilityFlags flagsByIproute(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command { "ip", "-j" };
    command.insert(command.end(), arguments.begin(), arguments.end());
    qv::testing::ProcessResult result = qv::testing::runProcess(command);
    const std::string& answer = result.output;
    if (result.exitCode != 0 || answer.find("\"dev\"") == std::string::npos)
        return 0;
    if (answer.find("\"type\":\"local\"") != std::string::npos)
        return localFlags;
    return answer.find("\"gateway\"") != std::string::npos ? reachable : reachable | kSCNetworkReachabilityFlagsIsDirect;
}

// Records what the callback is told, and on which thread.
struct CallbackLog {
    std::vector<SCNetworkReachabilityFlags> flags;
    std::vector<std::thread::id> threads;
    std::vector<SCNetworkReachability*> targets;

    static void record(SCNetworkReachability& target, SCNetworkReachabilityFlags flags, void* info)
    {
        auto* log = static_cast<CallbackLog*>(info);
        log->flags.push_back(flags);
        log->threads.push_back(std::this_thread::get_id());
        log->targets.push_back(&target);
    }

    void attach(SCNetworkReachability& target)
    {
        SCNetworkReachabilityContext context;
        context.info = this;
        ASSERT_TRUE(SCNetworkReachabilitySetCallback(target, record, &context));
    }
};

void runMainLoopBriefly()
{
    NSRunLoop::mainRunLoop()->runUntilDate(VirtualClock::now() + 0.2);
}

} // namespace

TEST(SCNetworkReachability, LoopbackIsLocalAndDirect)
{
    ScopedReachabilityAnswers answers;
    for (const char* address : { "127.0.0.1", "::1" })
        EXPECT_EQ(flagsOf(*targetForAddress(address)), localFlags) << address;
    RefPtr<SCNetworkReachability> byName = SCNetworkReachabilityCreateWithName("localhost");
    ASSERT_TRUE(byName);
    EXPECT_EQ(flagsOf(*byName), localFlags);
}

TEST(SCNetworkReachability, FlagsAgreeWithIproute)
{
    ScopedReachabilityAnswers answers;
    // Whatever this machine's routes are, our reading of them and
    // iproute2's must agree; asking sends nothing onto the network.
    for (const char* address : { "10.1.2.3", "192.0.2.77", "169.254.0.0" })
        EXPECT_EQ(flagsOf(*targetForAddress(address)), flagsByIproute({ "route", "get", address })) << address;
    SCNetworkReachabilityFlags defaultFlags = flagsByIproute({ "route", "show", "default" });
    EXPECT_EQ(flagsOf(*targetForAddress("0.0.0.0")), defaultFlags);
}

TEST(SCNetworkReachability, TargetsAreMadeOnlyForUsableNamesAndAddresses)
{
    for (const char* name : { "", "two words", "a/b", "user@host", "caf\xc3\xa9.example" })
        EXPECT_FALSE(SCNetworkReachabilityCreateWithName(name)) << name;
    EXPECT_FALSE(SCNetworkReachabilityCreateWithName(nullptr));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithName(std::string(254, 'a').c_str()));
    EXPECT_TRUE(SCNetworkReachabilityCreateWithName(std::string(253, 'a').c_str()));

    sockaddr_un local {};
    local.sun_family = AF_UNIX;
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&local)));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(nullptr));

    for (const char* name : { "10.1.2.3", "0.0.0.0", "::1", "169.254.0.0" })
        EXPECT_EQ(targetForAddress(name)->targetName(), name);
    EXPECT_EQ(SCNetworkReachabilityCreateWithName("s3.example.com")->targetName(), "s3.example.com");
}

TEST(SCNetworkReachability, TestAnswersStandInForTheRoutingTables)
{
    ScopedReachabilityAnswers answers;
    RefPtr<SCNetworkReachability> host = SCNetworkReachabilityCreateWithName("s3.example.com");
    RefPtr<SCNetworkReachability> loopback = targetForAddress("127.0.0.1");

    SCNetworkReachabilityTesting::setAnswer(reachable | kSCNetworkReachabilityFlagsIsWWAN);
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", kSCNetworkReachabilityFlagsConnectionRequired);
    EXPECT_EQ(flagsOf(*host), kSCNetworkReachabilityFlagsConnectionRequired);
    EXPECT_EQ(flagsOf(*loopback), reachable | kSCNetworkReachabilityFlagsIsWWAN);

    // No flags at all: the read fails and leaves the caller's value alone.
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", std::nullopt);
    SCNetworkReachabilityFlags untouched = 77;
    EXPECT_FALSE(SCNetworkReachabilityGetFlags(*host, &untouched));
    EXPECT_EQ(untouched, 77u);

    SCNetworkReachabilityTesting::clearAnswers();
    EXPECT_EQ(flagsOf(*loopback), localFlags);
}

TEST(SCNetworkReachability, ChangesReachTheCallbackOnTheRunLoopOnce)
{
    ScopedReachabilityAnswers answers;
    RefPtr<SCNetworkReachability> target = SCNetworkReachabilityCreateWithName("s3.example.com");
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", reachable);
    CallbackLog log;
    log.attach(*target);
    ASSERT_TRUE(SCNetworkReachabilityScheduleWithRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));
    EXPECT_FALSE(SCNetworkReachabilityScheduleWithRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));

    // The same answer again is no change.
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", reachable);
    runMainLoopBriefly();
    EXPECT_TRUE(log.flags.empty());

    SCNetworkReachabilityTesting::setAnswer("s3.example.com", 0);
    EXPECT_TRUE(log.flags.empty()) << "delivered outside the run loop";
    runMainLoopBriefly();
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", reachable | kSCNetworkReachabilityFlagsIsWWAN);
    runMainLoopBriefly();
    // Unreadable flags tell nothing; the next readable change does.
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", std::nullopt);
    runMainLoopBriefly();
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", reachable);
    runMainLoopBriefly();
    EXPECT_EQ(log.flags, (std::vector<SCNetworkReachabilityFlags> { 0, reachable | kSCNetworkReachabilityFlagsIsWWAN, reachable }));
    for (size_t index = 0; index < log.flags.size(); ++index) {
        EXPECT_EQ(log.threads[index], std::this_thread::get_id());
        EXPECT_EQ(log.targets[index], target.get());
    }

    // Unscheduled, or without a callback, nothing more is told.
    ASSERT_TRUE(SCNetworkReachabilityUnscheduleFromRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));
    EXPECT_FALSE(SCNetworkReachabilityUnscheduleFromRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", 0);
    runMainLoopBriefly();
    ASSERT_TRUE(SCNetworkReachabilityScheduleWithRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));
    SCNetworkReachabilitySetCallback(*target, nullptr, nullptr);
    SCNetworkReachabilityTesting::setAnswer("s3.example.com", reachable);
    runMainLoopBriefly();
    EXPECT_EQ(log.flags.size(), 3u);
}

TEST(SCNetworkReachability, CallbackRunsOnTheThreadItWasScheduledOn)
{
    ScopedReachabilityAnswers answers;
    SCNetworkReachabilityTesting::setAnswer("10.1.2.3", reachable);
    CallbackLog log;
    std::thread::id workerId;
    std::atomic<bool> scheduled { false };
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        RefPtr<SCNetworkReachability> target = targetForAddress("10.1.2.3");
        log.attach(*target);
        Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
        bool isScheduled = SCNetworkReachabilityScheduleWithRunLoop(*target, runLoop, NSDefaultRunLoopMode);
        EXPECT_TRUE(isScheduled);
        scheduled = true;
        if (!isScheduled)
            return;
        NSTimeInterval limit = VirtualClock::now() + 30;
        while (log.flags.empty() && VirtualClock::now() < limit)
            runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 0.1);
        SCNetworkReachabilityUnscheduleFromRunLoop(*target, runLoop, NSDefaultRunLoopMode);
    });
    while (!scheduled)
        std::this_thread::yield();
    SCNetworkReachabilityTesting::setAnswer("10.1.2.3", 0);
    worker.join();
    ASSERT_EQ(log.flags, std::vector<SCNetworkReachabilityFlags> { 0 });
    EXPECT_EQ(log.threads[0], workerId);
}

TEST(SCNetworkReachability, TargetThatGoesWhileScheduledIsNeverCalled)
{
    ScopedReachabilityAnswers answers;
    CallbackLog log;
    // Answers are set before any flags are read, so that no name is looked
    // up beyond this machine.
    SCNetworkReachabilityTesting::setAnswer("gone.example.com", reachable);
    {
        RefPtr<SCNetworkReachability> target = SCNetworkReachabilityCreateWithName("gone.example.com");
        log.attach(*target);
        ASSERT_TRUE(SCNetworkReachabilityScheduleWithRunLoop(*target, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode));
        SCNetworkReachabilityTesting::setAnswer("gone.example.com", 0);
    }
    runMainLoopBriefly();
    EXPECT_TRUE(log.flags.empty());
}

TEST(SCNetworkReachability, ContextInfoIsRetainedWhileTheCallbackHoldsIt)
{
    static int retains = 0;
    static int releases = 0;
    SCNetworkReachabilityContext context;
    int info = 0;
    context.info = &info;
    context.retain = [](const void* held) { ++retains; return held; };
    context.release = [](const void*) { ++releases; };
    {
        RefPtr<SCNetworkReachability> target = SCNetworkReachabilityCreateWithName("example.com");
        SCNetworkReachabilitySetCallback(*target, CallbackLog::record, &context);
        EXPECT_EQ(retains, 1);
        SCNetworkReachabilitySetCallback(*target, CallbackLog::record, &context);
        EXPECT_EQ(retains, 2);
        EXPECT_EQ(releases, 1);
    }
    EXPECT_EQ(releases, 2);
}
