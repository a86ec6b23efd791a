#include "Reachability.h"

#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/core/Log.h"

#include <arpa/inet.h>

namespace qv {

const std::string kInternetConnection = "InternetConnection";
const std::string kLocalWiFiConnection = "LocalWiFiConnection";
const std::string kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

RefPtr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName)
{
    auto reference = SCNetworkReachabilityCreateWithName(hostName.c_str());
    if (!reference)
        return nullptr;
    auto reachability = makeRef<Reachability>(reference.toRef());
    reachability->setKey(hostName);
    return reachability;
}

RefPtr<Reachability> Reachability::reachabilityWithAddress(const sockaddr_in& address)
{
    auto reference = SCNetworkReachabilityCreateWithAddress(reinterpret_cast<const sockaddr*>(&address));
    if (!reference)
        return nullptr;
    auto reachability = makeRef<Reachability>(reference.toRef());
    reachability->setKey(makeAddressKey(address.sin_addr.s_addr));
    return reachability;
}

RefPtr<Reachability> Reachability::reachabilityForInternetConnection()
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    auto reachability = reachabilityWithAddress(address);
    if (reachability)
        reachability->setKey(kInternetConnection);
    return reachability;
}

RefPtr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0xA9FE0000); // 169.254.0.0, the link-local network
    auto reachability = reachabilityWithAddress(address);
    if (reachability) {
        reachability->setKey(kLocalWiFiConnection);
        reachability->m_isLocalWiFi = true;
    }
    return reachability;
}

std::string Reachability::makeAddressKey(in_addr_t address)
{
    const uint32_t host = ntohl(address);
    return stringWithFormat("%d.%d.%d.%d", (host >> 24) & 0xff, (host >> 16) & 0xff, (host >> 8) & 0xff, host & 0xff);
}

Reachability::~Reachability()
{
    SCNetworkReachabilitySetCallback(m_reference, nullptr, nullptr);
    if (m_notifierRunLoop)
        SCNetworkReachabilityUnscheduleFromRunLoop(m_reference, *m_notifierRunLoop, NSDefaultRunLoopMode);
}

void Reachability::callback(SCNetworkReachability&, SCNetworkReachabilityFlags, void* info)
{
    // The object, not the flags: observers ask it.
    auto* reachability = static_cast<Reachability*>(info);
    if (auto alive = protect(reachability))
        NSNotificationCenter::defaultCenter()->postNotificationName(kReachabilityChangedNotification, alive);
}

bool Reachability::startNotifier()
{
    SCNetworkReachabilityContext context;
    context.info = this;
    if (!SCNetworkReachabilitySetCallback(m_reference, &Reachability::callback, &context))
        return false;
    auto runLoop = NSRunLoop::currentRunLoop();
    if (!SCNetworkReachabilityScheduleWithRunLoop(m_reference, runLoop, NSDefaultRunLoopMode))
        return false;
    m_notifierRunLoop = runLoop;
    return true;
}

void Reachability::stopNotifier()
{
    SCNetworkReachabilityUnscheduleFromRunLoop(m_reference, NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    m_notifierRunLoop = nullptr;
}

std::optional<SCNetworkReachabilityFlags> Reachability::readFlags(const char* query, int site) const
{
    SCNetworkReachabilityFlags flags = 0;
    if (!SCNetworkReachabilityGetFlags(m_reference, &flags))
        return std::nullopt;
    if (query)
        logLine(stringWithFormat("%s (%d) \n\t%s", query, site, flagString(flags).c_str()));
    return flags;
}

NetworkStatus Reachability::networkStatusForFlags(SCNetworkReachabilityFlags flags) const
{
    if (!(flags & kSCNetworkReachabilityFlagsReachable))
        return NotReachable;
    if (m_isLocalWiFi)
        return (flags & kSCNetworkReachabilityFlagsIsDirect) ? ReachableViaWiFi : NotReachable;
    if (flags & kSCNetworkReachabilityFlagsIsWWAN)
        return ReachableViaWWAN;
    const SCNetworkReachabilityFlags rest = flags & ~(kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect);
    if (rest == (kSCNetworkReachabilityFlagsConnectionRequired | kSCNetworkReachabilityFlagsTransientConnection))
        return NotReachable;
    if (rest & kSCNetworkReachabilityFlagsTransientConnection)
        return ReachableViaWiFi;
    if (rest == 0)
        return ReachableViaWiFi;
    if (rest & kSCNetworkReachabilityFlagsConnectionRequired)
        return ReachableViaWiFi;
    logLine("Uncaught reachability test. Flags: " + flagString(rest));
    return NotReachable;
}

NetworkStatus Reachability::currentReachabilityStatus() const
{
    auto flags = readFlags(nullptr, 0);
    return flags ? networkStatusForFlags(*flags) : NotReachable;
}

bool Reachability::isReachable() const
{
    return currentReachabilityStatus() != NotReachable;
}

bool Reachability::isReachableViaWWAN() const
{
    auto flags = readFlags("-[Reachability isReachableViaWWAN]", __LINE__);
    return flags && networkStatusForFlags(*flags) == ReachableViaWWAN;
}

bool Reachability::isReachableViaWiFi() const
{
    auto flags = readFlags("-[Reachability isReachableViaWiFi]", __LINE__);
    return flags && networkStatusForFlags(*flags) == ReachableViaWiFi;
}

bool Reachability::isConnectionRequired() const
{
    auto flags = readFlags("-[Reachability isConnectionRequired]", __LINE__);
    return flags && (*flags & kSCNetworkReachabilityFlagsConnectionRequired);
}

bool Reachability::isConnectionOnDemand() const
{
    auto flags = readFlags("-[Reachability isConnectionOnDemand]", __LINE__);
    return flags && (*flags & kSCNetworkReachabilityFlagsConnectionRequired)
        && (*flags & (kSCNetworkReachabilityFlagsConnectionOnTraffic | kSCNetworkReachabilityFlagsConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const
{
    auto flags = readFlags("-[Reachability isInterventionRequired]", __LINE__);
    return flags && (*flags & kSCNetworkReachabilityFlagsConnectionRequired) && (*flags & kSCNetworkReachabilityFlagsInterventionRequired);
}

SCNetworkReachabilityFlags Reachability::reachabilityFlags() const
{
    return readFlags("-[Reachability reachabilityFlags]", __LINE__).value_or(0);
}

std::string Reachability::key() const
{
    std::lock_guard lock(m_lock);
    return m_key;
}

void Reachability::setKey(std::string key)
{
    std::lock_guard lock(m_lock);
    m_key = std::move(key);
}

std::string Reachability::flagString(SCNetworkReachabilityFlags flags)
{
    auto flag = [flags](SCNetworkReachabilityFlags bit, char letter) { return (flags & bit) ? letter : '-'; };
    return stringWithFormat("Reachability Flags: %c%c %c%c%c%c%c%c%c", flag(kSCNetworkReachabilityFlagsIsWWAN, 'W'),
        flag(kSCNetworkReachabilityFlagsReachable, 'R'), flag(kSCNetworkReachabilityFlagsConnectionRequired, 'c'),
        flag(kSCNetworkReachabilityFlagsTransientConnection, 't'), flag(kSCNetworkReachabilityFlagsInterventionRequired, 'i'),
        flag(kSCNetworkReachabilityFlagsConnectionOnTraffic, 'C'), flag(kSCNetworkReachabilityFlagsConnectionOnDemand, 'D'),
        flag(kSCNetworkReachabilityFlagsIsLocalAddress, 'l'), flag(kSCNetworkReachabilityFlagsIsDirect, 'd'));
}

bool Reachability::isEqual(const NSObject* other) const
{
    auto reachability = dynamic_cast<const Reachability*>(other);
    return reachability && reachability->key() == key();
}

std::string Reachability::description() const
{
    return key() + "\n\t" + flagString(readFlags(nullptr, 0).value_or(0));
}

} // namespace qv
