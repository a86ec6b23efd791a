#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/SystemConfiguration/SCNetworkReachability.h"

#include <mutex>
#include <netinet/in.h>
#include <string>

namespace qv {

enum NetworkStatus { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

extern const std::string kInternetConnection;            // "InternetConnection"
extern const std::string kLocalWiFiConnection;           // "LocalWiFiConnection"
extern const std::string kReachabilityChangedNotification; // "NetworkReachabilityChangedNotification"

// Whether a host, an address, the internet or the local WiFi network can be
// reached, from the platform's reachability service; posts
// kReachabilityChangedNotification (with itself as the object) on the
// default notification center when the platform reports a change, on the
// run loop that started its notifier.
class Reachability : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static RefPtr<Reachability> reachabilityWithHostName(const std::string& hostName);
    static RefPtr<Reachability> reachabilityWithAddress(const sockaddr_in& address);
    static RefPtr<Reachability> reachabilityForInternetConnection();
    static RefPtr<Reachability> reachabilityForLocalWiFi();
    // "a.b.c.d" of an IPv4 address given in network byte order.
    static std::string makeAddressKey(in_addr_t address);

    bool startNotifier();
    void stopNotifier();

    NetworkStatus currentReachabilityStatus() const;
    NetworkStatus networkStatusForFlags(SCNetworkReachabilityFlags flags) const;
    bool isReachable() const;
    bool isReachableViaWWAN() const;
    bool isReachableViaWiFi() const;
    bool isConnectionRequired() const;
    bool connectionRequired() const { return isConnectionRequired(); }
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    SCNetworkReachabilityFlags reachabilityFlags() const;

    std::string key() const;
    void setKey(std::string key);

    // "Reachability Flags: WR ctiCDld" with "-" for each flag not set.
    static std::string flagString(SCNetworkReachabilityFlags flags);

    bool isEqual(const NSObject* other) const override;
    std::string description() const override;
    std::string className() const override { return "Reachability"; }
    ~Reachability() override;

private:
    explicit Reachability(Ref<SCNetworkReachability> reference) : m_reference(std::move(reference)) {}
    std::optional<SCNetworkReachabilityFlags> readFlags(const char* query, int site) const;
    static void callback(SCNetworkReachability& target, SCNetworkReachabilityFlags flags, void* info);

    const Ref<SCNetworkReachability> m_reference;
    mutable std::mutex m_lock;
    std::string m_key;
    bool m_isLocalWiFi = false;
    RefPtr<NSRunLoop> m_notifierRunLoop;
};

} // namespace qv
