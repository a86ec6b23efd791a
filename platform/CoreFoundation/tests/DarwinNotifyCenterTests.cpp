#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"

#include "platform/core/Log.h"
#include "PeerProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>

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

    TemporaryDirectory m_root;
    ScopedEnvironment m_rootVariable;
};

void recordName(CFNotificationCenterRef, void* observer, const std::string& name, const void* object, const void* userInfo)
{
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(userInfo, nullptr);
    static_cast<std::vector<std::string>*>(observer)->push_back(name);
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

// A killed observer leaves its socket file behind: the next post removes it
// and still reaches the others.
TEST_F(DarwinNotifyTest, PostsAfterAnObserverWasKilledStillReachTheOthers)
{
    PeerProcess poster, survivor, victim;
    survivor.command("observe Tick");
    victim.command("observe Tick");
    pid_t victimId = victim.process().pid();
    victim.process().kill();
    EXPECT_TRUE(std::filesystem::exists(notifyFolder() / std::to_string(victimId)));

    for (int i = 0; i < 3; ++i) {
        poster.command("post Tick");
        EXPECT_EQ(survivor.notificationsUntil("Tick"), std::vector<std::string> {});
    }
    EXPECT_FALSE(std::filesystem::exists(notifyFolder() / std::to_string(victimId)));
    // A process that ends normally takes its socket file with it.
    pid_t survivorId = survivor.process().pid();
    EXPECT_EQ(survivor.process().finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(notifyFolder() / std::to_string(survivorId)));
}

// The kernel queues only a few datagrams per socket: a burst of posts waits
// for a live peer to make room instead of losing any, and a burst to the
// poster itself does not wait on its own queue.
TEST_F(DarwinNotifyTest, BurstsReachLivePeersAndThePosterWhole)
{
    PeerProcess peer;
    peer.command("observe Burst");
    peer.command("observe End");
    std::vector<std::string> received;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, &received, recordName, "Burst", nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    LogCapture log;
    ASSERT_TRUE(peer.process().send("busy 100"));
    for (int i = 0; i < 100; ++i)
        CFNotificationCenterPostNotification(center, "Burst", nullptr, nullptr, true);
    CFNotificationCenterPostNotification(center, "End", nullptr, nullptr, true);

    EXPECT_EQ(peer.notificationsUntil("End"), std::vector<std::string>(100, "notified Burst"));
    while (received.size() < 100)
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 30));
    EXPECT_EQ(received, std::vector<std::string>(100, "Burst"));
    EXPECT_FALSE(log.contains("is full"));
    CFNotificationCenterRemoveObserver(center, &received, std::string("Burst"), nullptr);
}

// A peer that does not read (stopped here) fills its queue: posts wait for
// it only briefly, then go on without it and say what they dropped.
TEST_F(DarwinNotifyTest, FullPeerQueueDropsInsteadOfBlocking)
{
    PeerProcess stopped;
    stopped.command("observe Flood");
    ASSERT_EQ(::kill(stopped.process().pid(), SIGSTOP), 0);
    LogCapture log;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    for (int i = 0; i < 200; ++i)
        CFNotificationCenterPostNotification(center, "Flood", nullptr, nullptr, true);
    EXPECT_TRUE(log.contains("is full"));
    ASSERT_EQ(::kill(stopped.process().pid(), SIGCONT), 0);
    EXPECT_EQ(stopped.notificationsUntil("Flood"), std::vector<std::string> {});
}

// The poster observes its own posts too, on its main run loop, not during
// the post itself.
TEST_F(DarwinNotifyTest, PosterGetsItsOwnPostOnItsMainRunLoop)
{
    std::vector<std::string> received;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, &received, recordName, "Self", nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    PeerProcess peer;
    peer.command("post Self");
    CFNotificationCenterPostNotification(center, "Self", nullptr, nullptr, true);
    EXPECT_TRUE(received.empty());
    while (received.size() < 2)
        ASSERT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 30));
    EXPECT_EQ(received, (std::vector<std::string> { "Self", "Self" }));
    CFNotificationCenterRemoveObserver(center, &received, std::string("Self"), nullptr);
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
