#include "testing/ChildProcess.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <set>

using namespace qv;
using namespace qv::testing;

namespace {

// A peer watching targets in a network namespace of its own, whose links
// and routes the test changes with iproute2: real changes of the routing
// tables, which the peer must learn of through netlink alone.
class NamespacedPeer {
public:
    NamespacedPeer()
        : m_process({ "unshare", "--net", buildDirectory() + "/bin/qv_reachability_peer" })
    {
    }

    bool started() { return m_process.waitForLine("READY", nullptr, std::chrono::seconds(20)); }

    std::string ask(const std::string& command)
    {
        m_process.send(command);
        return m_process.readLine(std::chrono::seconds(20)).value_or("(no answer)");
    }

    void ip(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command { "nsenter", "--target", std::to_string(m_process.pid()), "--net", "ip" };
        command.insert(command.end(), arguments.begin(), arguments.end());
        ProcessResult result = runProcess(command);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }

    std::string nextLine() { return m_process.readLine(std::chrono::seconds(20)).value_or("(no change)"); }

private:
    ChildProcess m_process;
};

bool canMakeNetworkNamespaces()
{
    return runProcess({ "unshare", "--net", "true" }).exitCode == 0;
}

} // namespace

TEST(RoutingChanges, ReachTheCallbackThroughNetlink)
{
    if (!canMakeNetworkNamespaces())
        GTEST_SKIP() << "this machine lets no process make a network namespace";
    NamespacedPeer peer;
    ASSERT_TRUE(peer.started());

    // A fresh namespace has its loopback link down and no routes at all.
    EXPECT_EQ(peer.ask("flags 127.0.0.1"), "FLAGS 127.0.0.1 0");
    EXPECT_EQ(peer.ask("watch 127.0.0.1"), "WATCHING 127.0.0.1");
    EXPECT_EQ(peer.ask("watch 10.9.8.7"), "WATCHING 10.9.8.7");
    EXPECT_EQ(peer.ask("watch 0.0.0.0"), "WATCHING 0.0.0.0");
    // A host name is looked up away from the run loop; its change comes
    // back to the loop on its own time.
    EXPECT_EQ(peer.ask("watch name:localhost"), "WATCHING name:localhost");

    peer.ip({ "link", "set", "lo", "up" });
    std::set<std::string> changes { peer.nextLine(), peer.nextLine() };
    // reachable, local address, direct
    EXPECT_EQ(changes, (std::set<std::string> { "CHANGED 127.0.0.1 30002", "CHANGED name:localhost 30002" }));

    peer.ip({ "route", "add", "10.9.8.0/24", "dev", "lo" });
    EXPECT_EQ(peer.nextLine(), "CHANGED 10.9.8.7 20002"); // reachable, direct

    // A default route through a router on a cellular modem's link.
    peer.ip({ "link", "add", "wwan0", "type", "veth", "peer", "name", "modem0" });
    peer.ip({ "link", "set", "modem0", "up" });
    peer.ip({ "link", "set", "wwan0", "up" });
    peer.ip({ "address", "add", "10.20.0.2/24", "dev", "wwan0" });
    peer.ip({ "route", "add", "default", "via", "10.20.0.1", "dev", "wwan0" });
    EXPECT_EQ(peer.nextLine(), "CHANGED 0.0.0.0 40002"); // reachable, WWAN
    EXPECT_EQ(peer.ask("flags 10.200.1.1"), "FLAGS 10.200.1.1 40002");

    peer.ip({ "link", "set", "wwan0", "down" });
    EXPECT_EQ(peer.nextLine(), "CHANGED 0.0.0.0 0");
    peer.ip({ "route", "del", "10.9.8.0/24", "dev", "lo" });
    EXPECT_EQ(peer.nextLine(), "CHANGED 10.9.8.7 0");
}
