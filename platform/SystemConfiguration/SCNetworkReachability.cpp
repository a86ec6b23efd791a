#include "SCNetworkReachability.h"

#include "RoutingTable.h"
#include "SCNetworkReachabilityTesting.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/Foundation/StringFormat.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <thread>
#include <unistd.h>

namespace qv {

namespace {

constexpr size_t maximumHostNameLength = 253;

// Every target scheduled on a run loop, for the test answers to wake.
// Never destroyed: targets may go while the process exits.
struct ScheduledTargets {
    std::mutex lock;
    std::vector<WeakPtr<SCNetworkReachability>> targets;
};
ScheduledTargets& scheduledTargets()
{
    static ScheduledTargets* instance = new ScheduledTargets;
    return *instance;
}

void addScheduledTarget(SCNetworkReachability& target)
{
    std::lock_guard guard(scheduledTargets().lock);
    auto& targets = scheduledTargets().targets;
    std::erase_if(targets, [](const WeakPtr<SCNetworkReachability>& known) { return !known; });
    targets.emplace_back(target);
}

bool isUsableHostName(std::string_view name)
{
    if (name.empty() || name.size() > maximumHostNameLength)
        return false;
    // Letters, digits, hyphens, dots and underscores make host names and
    // IPv4 addresses; colons make IPv6 addresses.
    return std::all_of(name.begin(), name.end(), [](char character) {
        return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z')
            || (character >= '0' && character <= '9') || character == '-' || character == '.' || character == '_'
            || character == ':';
    });
}

std::string addressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = address.ss_family == AF_INET
        ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(address).sin_addr)
        : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
    return inet_ntop(address.ss_family, bytes, text, sizeof text) ? text : "";
}

bool isUnspecifiedAddress(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr == htonl(INADDR_ANY);
    return IN6_IS_ADDR_UNSPECIFIED(&reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
}

// Interface names that cellular modems get on Linux.
bool isCellularInterface(const std::string& name)
{
    for (const char* prefix : { "wwan", "wwp", "rmnet" }) {
        if (name.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

std::optional<SCNetworkReachabilityFlags> flagsForRoute(const RouteLookup& lookup)
{
    if (!lookup.answered)
        return std::nullopt;
    if (!lookup.route)
        return 0;
    SCNetworkReachabilityFlags flags = kSCNetworkReachabilityFlagsReachable;
    if (lookup.route->local)
        flags |= kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect;
    else if (!lookup.route->viaGateway)
        flags |= kSCNetworkReachabilityFlagsIsDirect;
    if (isCellularInterface(lookup.route->interfaceName))
        flags |= kSCNetworkReachabilityFlagsIsWWAN;
    return flags;
}

std::optional<SCNetworkReachabilityFlags> flagsForAddress(const sockaddr_storage& address)
{
    if (isUnspecifiedAddress(address))
        return flagsForRoute(RoutingTable::defaultRoute(address.ss_family));
    return flagsForRoute(RoutingTable::routeTo(reinterpret_cast<const sockaddr&>(address)));
}

// A name that does not resolve names no reachable host.
std::optional<SCNetworkReachabilityFlags> flagsForHostName(const std::string& name)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &results) != 0)
        return 0;
    std::optional<SCNetworkReachabilityFlags> flags = 0;
    for (addrinfo* result = results; result; result = result->ai_next) {
        if (result->ai_family != AF_INET && result->ai_family != AF_INET6)
            continue;
        sockaddr_storage address {};
        memcpy(&address, result->ai_addr, std::min<size_t>(result->ai_addrlen, sizeof address));
        flags = flagsForAddress(address);
        if (!flags || *flags != 0)
            break;
    }
    freeaddrinfo(results);
    return flags;
}

} // namespace

SCNetworkReachability::SCNetworkReachability(std::string targetName, std::optional<sockaddr_storage> address)
    : m_targetName(std::move(targetName))
    , m_address(address)
{
}

SCNetworkReachability::~SCNetworkReachability()
{
    if (m_source)
        m_source->invalidate();
    if (m_changeSocket >= 0)
        close(m_changeSocket);
    if (m_callback && m_context.release)
        m_context.release(m_context.info);
}

std::string SCNetworkReachability::description() const
{
    return stringWithFormat("<SCNetworkReachability %p> {%@}", static_cast<const void*>(this), m_targetName);
}

std::optional<SCNetworkReachabilityFlags> SCNetworkReachability::currentFlags() const
{
    if (auto answer = SCNetworkReachabilityTesting::answerFor(m_targetName))
        return *answer;
    return m_address ? flagsForAddress(*m_address) : flagsForHostName(m_targetName);
}

void SCNetworkReachability::setCallback(SCNetworkReachabilityCallBack callback, const SCNetworkReachabilityContext* context)
{
    SCNetworkReachabilityContext replaced;
    bool releaseReplaced = false;
    {
        std::lock_guard guard(m_lock);
        releaseReplaced = m_callback && m_context.release;
        replaced = m_context;
        m_callback = callback;
        m_context = callback && context ? *context : SCNetworkReachabilityContext {};
        if (m_callback && m_context.retain)
            m_context.retain(m_context.info);
    }
    if (releaseReplaced)
        replaced.release(replaced.info);
}

bool SCNetworkReachability::schedule(NSRunLoop& runLoop, const std::string& mode)
{
    RefPtr<RunLoopSource> source;
    {
        std::lock_guard guard(m_lock);
        for (const Schedule& known : m_schedules) {
            if (known.runLoop.unsafeGet() == &runLoop && known.runLoop && known.mode == mode)
                return false;
        }
        if (!m_source) {
            m_changeSocket = RoutingTable::openChangeSocket();
            if (m_changeSocket < 0)
                return false;
            WeakPtr<SCNetworkReachability> weakThis(*this);
            m_source = RunLoopSource::create(m_changeSocket, [weakThis] {
                if (RefPtr<SCNetworkReachability> target = weakThis.lock())
                    target->flagsMayHaveChanged();
            });
        }
        m_schedules.push_back({ WeakPtr<NSRunLoop>(runLoop), mode });
        source = m_source;
    }
    // The flags the first change is measured against.
    std::optional<SCNetworkReachabilityFlags> flags = currentFlags();
    {
        std::lock_guard guard(m_lock);
        if (!m_lastFlags)
            m_lastFlags = flags;
    }
    addScheduledTarget(*this);
    runLoop.addSource(*source, mode);
    return true;
}

bool SCNetworkReachability::unschedule(NSRunLoop& runLoop, const std::string& mode)
{
    RefPtr<RunLoopSource> source;
    RefPtr<RunLoopSource> finished;
    int finishedSocket = -1;
    {
        std::lock_guard guard(m_lock);
        auto known = std::find_if(m_schedules.begin(), m_schedules.end(), [&](const Schedule& schedule) {
            return schedule.runLoop.unsafeGet() == &runLoop && schedule.mode == mode;
        });
        if (known == m_schedules.end())
            return false;
        m_schedules.erase(known);
        source = m_source;
        if (m_schedules.empty()) {
            finished = std::exchange(m_source, nullptr);
            finishedSocket = std::exchange(m_changeSocket, -1);
            m_lastFlags.reset();
        }
    }
    runLoop.removeSource(*source, mode);
    // No run loop watches the socket once its source is invalid, so that
    // closing it cannot leave a loop polling a number reused meanwhile.
    if (finished)
        finished->invalidate();
    if (finishedSocket >= 0)
        close(finishedSocket);
    return true;
}

void SCNetworkReachability::flagsMayHaveChanged()
{
    {
        std::lock_guard guard(m_lock);
        if (m_changeSocket >= 0)
            RoutingTable::drainChangeSocket(m_changeSocket);
    }
    if (m_address || SCNetworkReachabilityTesting::answerFor(m_targetName)) {
        deliver(currentFlags());
        return;
    }
    {
        std::lock_guard guard(m_lock);
        if (m_resolving) {
            m_resolveAgain = true;
            return;
        }
        m_resolving = true;
    }
    Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
    resolveAway(runLoop, runLoop->currentMode().value_or(NSDefaultRunLoopMode));
}

void SCNetworkReachability::resolveAway(NSRunLoop& runLoop, const std::string& mode)
{
    // The thread keeps the target and the loop alive until it is done; a
    // loop whose thread has ended refuses the hand-back, which is then
    // dropped.
    std::thread([target = Ref<SCNetworkReachability>(*this), runLoop = Ref<NSRunLoop>(runLoop), mode] {
        for (;;) {
            std::optional<SCNetworkReachabilityFlags> flags = target->currentFlags();
            runLoop->performInModes({ mode }, [target, flags] { target->deliver(flags); });
            std::lock_guard guard(target->m_lock);
            if (!std::exchange(target->m_resolveAgain, false)) {
                target->m_resolving = false;
                return;
            }
        }
    }).detach();
}

void SCNetworkReachability::deliver(std::optional<SCNetworkReachabilityFlags> flags)
{
    // Flags that cannot be read tell nothing new.
    if (!flags)
        return;
    SCNetworkReachabilityCallBack callback = nullptr;
    void* info = nullptr;
    {
        std::lock_guard guard(m_lock);
        if (!m_source || m_lastFlags == flags)
            return;
        m_lastFlags = flags;
        callback = m_callback;
        info = m_context.info;
    }
    if (callback)
        callback(*this, *flags, info);
}

void SCNetworkReachability::signalChange()
{
    RefPtr<RunLoopSource> source;
    {
        std::lock_guard guard(m_lock);
        source = m_source;
    }
    if (source)
        source->signal();
}

void SCNetworkReachability::signalScheduledTargets()
{
    std::vector<RefPtr<SCNetworkReachability>> targets;
    {
        std::lock_guard guard(scheduledTargets().lock);
        for (const WeakPtr<SCNetworkReachability>& known : scheduledTargets().targets) {
            if (RefPtr<SCNetworkReachability> target = known.lock())
                targets.push_back(std::move(target));
        }
    }
    for (const RefPtr<SCNetworkReachability>& target : targets)
        target->signalChange();
}

RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithName(const char* nodename)
{
    if (!nodename || !isUsableHostName(nodename))
        return nullptr;
    return makeRef<SCNetworkReachability>(nodename, std::nullopt);
}

RefPtr<SCNetworkReachability> SCNetworkReachabilityCreateWithAddress(const sockaddr* address)
{
    if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6))
        return nullptr;
    sockaddr_storage copy {};
    memcpy(&copy, address, address->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    return makeRef<SCNetworkReachability>(addressText(copy), copy);
}

bool SCNetworkReachabilityGetFlags(SCNetworkReachability& target, SCNetworkReachabilityFlags* flags)
{
    std::optional<SCNetworkReachabilityFlags> current = target.currentFlags();
    if (!current)
        return false;
    if (flags)
        *flags = *current;
    return true;
}

bool SCNetworkReachabilitySetCallback(SCNetworkReachability& target, SCNetworkReachabilityCallBack callback,
    const SCNetworkReachabilityContext* context)
{
    target.setCallback(callback, context);
    return true;
}

bool SCNetworkReachabilityScheduleWithRunLoop(SCNetworkReachability& target, NSRunLoop& runLoop, const std::string& mode)
{
    return target.schedule(runLoop, mode);
}

bool SCNetworkReachabilityUnscheduleFromRunLoop(SCNetworkReachability& target, NSRunLoop& runLoop, const std::string& mode)
{
    return target.unschedule(runLoop, mode);
}

} // namespace qv
