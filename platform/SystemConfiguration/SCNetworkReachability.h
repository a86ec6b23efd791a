#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace qv {

class NSRunLoop;
class RunLoopSource;

// How a target can be reached, as a set of bits.
using SCNetworkReachabilityFlags = uint32_t;
enum : SCNetworkReachabilityFlags {
    kSCNetworkReachabilityFlagsTransientConnection = 1u << 0,
    kSCNetworkReachabilityFlagsReachable = 1u << 1,
    kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2,
    kSCNetworkReachabilityFlagsConnectionOnTraffic = 1u << 3,
    kSCNetworkReachabilityFlagsInterventionRequired = 1u << 4,
    kSCNetworkReachabilityFlagsConnectionOnDemand = 1u << 5,
    kSCNetworkReachabilityFlagsIsLocalAddress = 1u << 16,
    kSCNetworkReachabilityFlagsIsDirect = 1u << 17,
    kSCNetworkReachabilityFlagsIsWWAN = 1u << 18,
};

class SCNetworkReachability;

using SCNetworkReachabilityCallBack = void (*)(SCNetworkReachability& target, SCNetworkReachabilityFlags flags, void* info);

// What a callback is handed besides the flags. `retain` is called on the
// info when the callback is set and `release` when it is replaced or the
// target goes; either may be absent.
struct SCNetworkReachabilityContext {
    long version = 0;
    void* info = nullptr;
    const void* (*retain)(const void* info) = nullptr;
    void (*release)(const void* info) = nullptr;
    const char* (*copyDescription)(const void* info) = nullptr;
};

// One watched target: a host name or a socket address. Its flags come from
// the kernel's routing tables each time they are asked for (a host name is
// resolved first); a target scheduled on a run loop calls its callback
// there whenever its flags change. Tests set the answer through
// SCNetworkReachabilityTesting.h.
class SCNetworkReachability : public NSObject {
public:
    // The name the target answers to: the host name as given, or the
    // address as text ("10.1.2.3", "::1").
    const std::string& targetName() const { return m_targetName; }

    std::string className() const override { return "SCNetworkReachability"; }
    std::string description() const override;

    ~SCNetworkReachability() override;

private:
    QV_MAKE_REF_FRIEND;
    friend RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithName(const char*);
    friend RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithAddress(const sockaddr*);
    friend bool SCNetworkReachabilityGetFlags(SCNetworkReachability&, SCNetworkReachabilityFlags*);
    friend bool SCNetworkReachabilitySetCallback(SCNetworkReachability&, SCNetworkReachabilityCallBack,
        const SCNetworkReachabilityContext*);
    friend bool SCNetworkReachabilityScheduleWithRunLoop(SCNetworkReachability&, NSRunLoop&, const std::string&);
    friend bool SCNetworkReachabilityUnscheduleFromRunLoop(SCNetworkReachability&, NSRunLoop&, const std::string&);
    friend class SCNetworkReachabilityTesting;

    SCNetworkReachability(std::string targetName, std::optional<sockaddr_storage> address);

    std::optional<SCNetworkReachabilityFlags> currentFlags() const;
    void setCallback(SCNetworkReachabilityCallBack callback, const SCNetworkReachabilityContext* context);
    bool schedule(NSRunLoop& runLoop, const std::string& mode);
    bool unschedule(NSRunLoop& runLoop, const std::string& mode);
    // The routing tables or the test answer may have changed: tells the
    // callback when the flags differ from the last ones it was told.
    void flagsMayHaveChanged();
    // Looks a host name up on a thread of its own, so that a slow name
    // server never holds the run loop, and hands the flags back to it.
    void resolveAway(NSRunLoop& runLoop, const std::string& mode);
    // Tells the callback of flags that differ from the last ones told.
    void deliver(std::optional<SCNetworkReachabilityFlags> flags);
    // Wakes the run loops of the target, which then look at its flags.
    void signalChange();
    // Every target scheduled on a run loop looks at its flags again.
    static void signalScheduledTargets();

    struct Schedule {
        WeakPtr<NSRunLoop> runLoop;
        std::string mode;
    };

    const std::string m_targetName;
    const std::optional<sockaddr_storage> m_address; // absent for a host name

    mutable std::mutex m_lock;
    SCNetworkReachabilityCallBack m_callback = nullptr;
    SCNetworkReachabilityContext m_context;
    std::vector<Schedule> m_schedules;
    RefPtr<RunLoopSource> m_source;
    int m_changeSocket = -1;
    std::optional<SCNetworkReachabilityFlags> m_lastFlags;
    bool m_resolving = false;      // a look-up of the host name is under way
    bool m_resolveAgain = false;   // and something changed while it ran
};

// A target for a host name (resolved when its flags are asked for), or
// null for a name no host can have (empty, too long, or with characters
// outside a host name or numeric address).
RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithName(const char* nodename);
// A target for an IPv4 or IPv6 socket address, or null for any other.
// The address 0.0.0.0 (or ::) stands for the networks beyond this machine:
// it is reachable while there is a default route.
RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithAddress(const sockaddr* address);
// The target's flags now; false when the routing tables cannot be read.
bool SCNetworkReachabilityGetFlags(SCNetworkReachability& target, SCNetworkReachabilityFlags* flags);
// Sets or, with no callback, clears what is called on changes.
bool SCNetworkReachabilitySetCallback(SCNetworkReachability& target, SCNetworkReachabilityCallBack callback,
    const SCNetworkReachabilityContext* context);
// Watches for changes on the run loop in the mode; the callback runs there.
// The flags at scheduling are those later changes are measured against
// (reading them resolves a host name once, on the caller's thread); after
// a change of the routing tables a host name is resolved again on a thread
// of its own, so that a slow name server never holds the loop. False when
// changes cannot be watched or the target is already scheduled there.
bool SCNetworkReachabilityScheduleWithRunLoop(SCNetworkReachability& target, NSRunLoop& runLoop, const std::string& mode);
bool SCNetworkReachabilityUnscheduleFromRunLoop(SCNetworkReachability& target, NSRunLoop& runLoop, const std::string& mode);

} // namespace qv
