#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"

#include "platform/core/CoreTesting.h"
#include "PeerProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace qv;
using namespace qv::testing;

namespace {

// A device root of the test's own, set for this process and the peers it starts.
class DarwinNotifyTest : public ::testing::Test {
protected:
    DarwinNotifyTest()
        : m_rootVariable("QV_ROOT", m_root.string())
    {
    }

    std::filesystem::path notifyFolder() const { return m_root.path() / "var/run/notify"; }

    // The entries of the notify folder that belong to a process: its
    // socket and its folder of pending names.
    std::vector<std::string> entriesOf(pid_t process) const
    {
        std::vector<std::string> entries;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(notifyFolder(), error)) {
            std::string name = entry.path().filename().string();
            if (name.rfind(std::to_string(process) + "-", 0) == 0)
                entries.push_back(name);
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    TemporaryDirectory m_root;
    ScopedEnvironment m_rootVariable;
};

void recordName(CFNotificationCenterRef, void* observer, const std::string& name, const void* object, const void* userInfo)
{
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(userInfo, nullptr);
    static_cast<std::vector<std::string>*>(observer)->push_back(name);
}

void post(const std::string& name)
{
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr, nullptr, true);
}

void observe(std::vector<std::string>& received, const std::string& name)
{
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), &received, recordName, name, nullptr,
        CFNotificationSuspensionBehaviorDeliverImmediately);
}

// Runs the main run loop until nothing more is waiting for it.
void runUntilIdle()
{
    while (NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now())) { }
}

} // namespace

// One poster, three other observing processes: every observer of a name
// gets every post of it, the poster included, in post order; an observer
// removed gets nothing more.
TEST_F(DarwinNotifyTest, PostReachesEveryObservingProcessInOrder)
{
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (int i = 0; i < 4; ++i) {
        peers.push_back(std::make_unique<PeerProcess>());
        for (const char* name : { "A", "B", "End" })
            peers.back()->command(std::string("observe ") + name);
    }
    PeerProcess& poster = *peers[0];
    peers[3]->command("remove B");
    for (const char* name : { "A", "B", "A", "Unobserved", "B", "End" })
        poster.command(std::string("post ") + name);

    const std::vector<std::string> full { "notified A", "notified B", "notified A", "notified B" };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(peers[i]->notificationsUntil("End"), full) << "peer " << i;
    EXPECT_EQ(peers[3]->notificationsUntil("End"), (std::vector<std::string> { "notified A", "notified A" }));

    // Removing every registration leaves the process deaf to the old names.
    peers[1]->command("remove-all");
    peers[1]->command("observe Late");
    for (const char* name : { "A", "End", "Late" })
        poster.command(std::string("post ") + name);
    EXPECT_EQ(peers[2]->notificationsUntil("End"), (std::vector<std::string> { "notified A" }));
    EXPECT_EQ(peers[1]->notificationsUntil("Late"), std::vector<std::string> {});
}

// A killed observer leaves its socket and pending folder behind: the next
// post removes them and still reaches the others. A process that ends
// normally takes its files with it.
TEST_F(DarwinNotifyTest, PostsAfterAnObserverWasKilledStillReachTheOthers)
{
    PeerProcess poster, survivor, victim;
    survivor.command("observe Tick");
    victim.command("observe Tick");
    pid_t victimId = victim.process().pid();
    victim.process().kill();
    EXPECT_EQ(entriesOf(victimId).size(), 2u);

    for (int i = 0; i < 3; ++i) {
        poster.command("post Tick");
        EXPECT_EQ(survivor.notificationsUntil("Tick"), std::vector<std::string> {});
    }
    EXPECT_EQ(entriesOf(victimId), std::vector<std::string> {});
    pid_t survivorId = survivor.process().pid();
    EXPECT_EQ(entriesOf(survivorId).size(), 2u);
    EXPECT_EQ(survivor.process().finish(), 0);
    EXPECT_EQ(entriesOf(survivorId), std::vector<std::string> {});
}

// An observer that does not read for a while (stopped, or busy on its main
// thread) gets every name it observes at least once after it catches up,
// however many posts it missed; posts of one name coalesce meanwhile, and
// the poster never waits for it.
TEST_F(DarwinNotifyTest, BusyOrStoppedObserverGetsEveryNameOnceItCatchesUp)
{
    for (bool stopped : { true, false }) {
        SCOPED_TRACE(stopped ? "stopped" : "busy");
        PeerProcess observer;
        for (const char* name : { "A", "B", "End", "Marker" })
            observer.command(std::string("observe ") + name);
        if (stopped) {
            ASSERT_EQ(::kill(observer.process().pid(), SIGSTOP), 0);
        } else {
            ASSERT_TRUE(observer.process().send("busy 1500"));
        }
        LogCapture log;
        for (int i = 0; i < 500; ++i)
            post("A");
        for (int i = 0; i < 500; ++i)
            post("B");
        post("End");
        EXPECT_EQ(log.lines(), std::vector<std::string> {});
        if (stopped) {
            ASSERT_EQ(::kill(observer.process().pid(), SIGCONT), 0);
        }

        std::map<std::string, int> counts = observer.notifiedAtLeastOnce({ "A", "B", "End" });
        if (stopped) {
            EXPECT_LT(counts["A"], 100) << "coalesced while stopped";
            EXPECT_LT(counts["B"], 100) << "coalesced while stopped";
        }
        // Nothing is left pending once the observer has caught up.
        post("Marker");
        observer.notificationsUntil("Marker");
        pid_t id = observer.process().pid();
        std::filesystem::path pending = notifyFolder() / (entriesOf(id).back());
        EXPECT_TRUE(std::filesystem::is_empty(pending)) << pending;
    }
}

// A flood of pending names is read a bounded share per pass of the run
// loop, so timers and other work go on between the shares; in the end
// every name arrives.
TEST_F(DarwinNotifyTest, ReadingIsBoundedPerPassOfTheRunLoop)
{
    std::vector<std::string> received;
    for (int i = 0; i < 1000; ++i)
        observe(received, "N" + std::to_string(i));
    PeerProcess poster;
    poster.command("post-many N 1000");

    ASSERT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now()));
    EXPECT_GT(received.size(), 0u);
    EXPECT_LE(received.size(), 64u + 256u) << "one pass";
    runUntilIdle();
    std::set<std::string> distinct(received.begin(), received.end());
    EXPECT_EQ(distinct.size(), 1000u);
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &received);
}

// The poster observes its own posts too, on its main run loop, not during
// the post itself; while that loop does not run, its own posts coalesce
// per name instead of piling up.
TEST_F(DarwinNotifyTest, PosterGetsItsOwnPostsOnItsMainRunLoopCoalesced)
{
    std::vector<std::string> received;
    observe(received, "Self");
    observe(received, "Other");
    PeerProcess peer;
    peer.command("post Self");
    post("Self");
    EXPECT_TRUE(received.empty());
    while (received.size() < 2)
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 30));
    EXPECT_EQ(received, (std::vector<std::string> { "Self", "Self" }));

    received.clear();
    for (int i = 0; i < 10000; ++i)
        post("Self");
    post("Other");
    post("Self");
    runUntilIdle();
    EXPECT_EQ(received, (std::vector<std::string> { "Self", "Other" }));
    post("Self");
    runUntilIdle();
    EXPECT_EQ(received.size(), 3u) << "a later post is delivered again";
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &received);
}

// Only a socket nobody listens on is removed: one left by an ended process
// under the id a live process now has goes, while the live one stays and is
// notified, also when its queue is full.
TEST_F(DarwinNotifyTest, OnlyStaleSocketsAreRemoved)
{
    PeerProcess observer;
    observer.command("observe Tick");
    pid_t id = observer.process().pid();
    const std::vector<std::string> live = entriesOf(id);
    ASSERT_EQ(live.size(), 2u);

    // An earlier process with the same id, killed before it could clean up.
    const std::string staleToken = std::to_string(id) + "-0000000000000000";
    {
        int stale = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::string path = (notifyFolder() / staleToken).string();
        ASSERT_LT(path.size(), sizeof address.sun_path);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(stale);
        std::filesystem::create_directory(notifyFolder() / (staleToken + ".pending"));
    }
    ASSERT_EQ(::kill(id, SIGSTOP), 0);
    for (int i = 0; i < 50; ++i)
        post("Tick");
    EXPECT_EQ(entriesOf(id), live);
    ASSERT_EQ(::kill(id, SIGCONT), 0);
    post("Tick");
    EXPECT_GE(observer.notifiedAtLeastOnce({ "Tick" })["Tick"], 1);
}

// What this process observes belongs to its device root: on another root
// the center starts afresh (its files leave the old root, old observers are
// gone), and it observes and posts there as on a new device.
TEST_F(DarwinNotifyTest, AnotherDeviceRootStartsAfresh)
{
    std::vector<std::string> onFirst, onSecond;
    observe(onFirst, "Name");
    const std::filesystem::path firstFolder = notifyFolder();
    ASSERT_EQ(entriesOf(getpid()).size(), 2u);
    {
        TemporaryDirectory secondRoot;
        ScopedEnvironment rootVariable("QV_ROOT", secondRoot.string());
        observe(onSecond, "Name");
        EXPECT_TRUE(std::filesystem::is_empty(firstFolder)) << "the first root's files are gone";
        PeerProcess peer;
        peer.command("post Name");
        while (onSecond.empty())
            ASSERT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 30));
        runUntilIdle();
        EXPECT_EQ(onSecond, std::vector<std::string> { "Name" });
        EXPECT_TRUE(onFirst.empty());
    }
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &onFirst);
}

// Without a device root nothing is observed or posted (and nothing touches
// this machine's /var); bad names and an absent center are refused quietly.
TEST(DarwinNotifyCenter, RefusesWithoutDeviceRootOrWithBadInput)
{
    ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    LogCapture log;
    std::vector<std::string> received;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, &received, recordName, "X", nullptr, CFNotificationSuspensionBehaviorDrop);
    CFNotificationCenterPostNotification(center, "X", nullptr, nullptr, true);
    EXPECT_TRUE(log.contains("notify folder of the device cannot be reached"));
    log.clear();
    CFNotificationCenterPostNotification(center, "", nullptr, nullptr, true);
    CFNotificationCenterPostNotification(center, std::string(5000, 'n'), nullptr, nullptr, true);
    EXPECT_EQ(log.lines().size(), 2u);
    CFNotificationCenterAddObserver(nullptr, &received, recordName, "X", nullptr, CFNotificationSuspensionBehaviorDrop);
    CFNotificationCenterPostNotification(nullptr, "X", nullptr, nullptr, true);
    CFNotificationCenterRemoveEveryObserver(nullptr, &received);
    EXPECT_FALSE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now()));
    EXPECT_TRUE(received.empty());
}
