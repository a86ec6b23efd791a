#include "http/Reachability.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/SystemConfiguration/SCNetworkReachabilityTesting.h"

#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::testing;

TEST(ReachabilityTest, StatusFromEachCombinationOfFlags)
{
    ScopedReachabilityAnswers answers;
    auto host = Reachability::reachabilityWithHostName("layouts.test");
    auto wifi = Reachability::reachabilityForLocalWiFi();
    ASSERT_TRUE(host && wifi);
    EXPECT_EQ(host->key(), "layouts.test");
    EXPECT_EQ(wifi->key(), "LocalWiFiConnection");
    EXPECT_EQ(Reachability::reachabilityForInternetConnection()->key(), "InternetConnection");
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x0A010203);
    EXPECT_EQ(Reachability::reachabilityWithAddress(address)->key(), "10.1.2.3");

    const SCNetworkReachabilityFlags R = kSCNetworkReachabilityFlagsReachable, W = kSCNetworkReachabilityFlagsIsWWAN,
                                     c = kSCNetworkReachabilityFlagsConnectionRequired, t = kSCNetworkReachabilityFlagsTransientConnection,
                                     C = kSCNetworkReachabilityFlagsConnectionOnTraffic, d = kSCNetworkReachabilityFlagsIsDirect,
                                     l = kSCNetworkReachabilityFlagsIsLocalAddress;
    struct Case {
        SCNetworkReachabilityFlags flags;
        NetworkStatus host;
        NetworkStatus wifi;
    };
    const Case cases[] = {
        { 0, NotReachable, NotReachable },
        { R, ReachableViaWiFi, NotReachable },
        { R | d, ReachableViaWiFi, ReachableViaWiFi },
        { R | W, ReachableViaWWAN, NotReachable },
        { R | c | t, NotReachable, NotReachable },
        { R | t | l, ReachableViaWiFi, NotReachable },
        { R | c | C, ReachableViaWiFi, NotReachable },
        { R | C, NotReachable, NotReachable },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host->networkStatusForFlags(c.flags), c.host) << Reachability::flagString(c.flags);
        EXPECT_EQ(wifi->networkStatusForFlags(c.flags), c.wifi) << Reachability::flagString(c.flags);
    }
    EXPECT_EQ(Reachability::flagString(R | W | c | d), "Reachability Flags: WR c-----d");

    SCNetworkReachabilityTesting::setAnswer("layouts.test", R | c | kSCNetworkReachabilityFlagsConnectionOnDemand);
    EXPECT_TRUE(host->isReachable());
    EXPECT_TRUE(host->isConnectionRequired());
    EXPECT_TRUE(host->isConnectionOnDemand());
    EXPECT_FALSE(host->isInterventionRequired());
    SCNetworkReachabilityTesting::setAnswer("layouts.test", std::nullopt);
    EXPECT_FALSE(host->isReachable()) << "flags that cannot be read";
    EXPECT_EQ(host->reachabilityFlags(), 0u);
    EXPECT_TRUE(host->isEqual(Reachability::reachabilityWithHostName("layouts.test").get()));
}

TEST(ReachabilityTest, ChangesReachTheObserversOnTheRunLoop)
{
    TemporaryDeviceRoot root;
    ScopedReachabilityAnswers answers;
    SCNetworkReachabilityTesting::setAnswer("layouts.test", kSCNetworkReachabilityFlagsReachable);
    auto host = Reachability::reachabilityWithHostName("layouts.test");
    ASSERT_TRUE(host->startNotifier());
    std::vector<NetworkStatus> seen;
    auto observer = NSObject::create();
    NSNotificationCenter::defaultCenter()->addObserver(observer, [&](NSNotification& notification) {
            EXPECT_EQ(notification.object(), host.get());
            seen.push_back(host->currentReachabilityStatus());
        }, kReachabilityChangedNotification, host.get());
    SCNetworkReachabilityTesting::setAnswer("layouts.test", 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return !seen.empty() && seen.back() == NotReachable; }));
    SCNetworkReachabilityTesting::setAnswer("layouts.test", kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN);
    ASSERT_TRUE(runMainLoopUntil([&] { return seen.back() == ReachableViaWWAN; }));
    host->stopNotifier();
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}
