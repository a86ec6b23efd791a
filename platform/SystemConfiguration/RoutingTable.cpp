#include "RoutingTable.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qv {

namespace {

// How long the kernel may take to answer one question; it answers at once
// in practice, so this only guards against a wedged socket.
constexpr int answerTimeoutMilliseconds = 2000;
constexpr size_t receiveBufferSize = 64 * 1024;

class NetlinkSocket {
public:
    explicit NetlinkSocket(unsigned groups = 0)
    {
        m_descriptor = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (m_descriptor < 0)
            return;
        sockaddr_nl local {};
        local.nl_family = AF_NETLINK;
        local.nl_groups = groups;
        if (bind(m_descriptor, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close(m_descriptor);
            m_descriptor = -1;
        }
    }
    ~NetlinkSocket()
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    bool isOpen() const { return m_descriptor >= 0; }
    int release() { return std::exchange(m_descriptor, -1); }

    bool send(const void* message, size_t length)
    {
        sockaddr_nl kernel {};
        kernel.nl_family = AF_NETLINK;
        return sendto(m_descriptor, message, length, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel)
            == static_cast<ssize_t>(length);
    }

    // Hands every message of the answer to `visit` until the kernel says
    // it is done (or, for a single answer, after it). Answers false when
    // the kernel could not be heard or reported an error other than "no
    // route", which `noRoute` is set for.
    bool receive(uint32_t sequence, const std::function<void(const nlmsghdr&)>& visit, bool& noRoute)
    {
        std::vector<char> buffer(receiveBufferSize);
        for (;;) {
            pollfd waiting { m_descriptor, POLLIN, 0 };
            if (poll(&waiting, 1, answerTimeoutMilliseconds) <= 0)
                return false;
            ssize_t length = recv(m_descriptor, buffer.data(), buffer.size(), 0);
            if (length < 0 && errno == EINTR)
                continue;
            if (length <= 0)
                return false;
            bool multipart = false;
            for (auto* header = reinterpret_cast<nlmsghdr*>(buffer.data()); NLMSG_OK(header, static_cast<unsigned>(length));
                 header = NLMSG_NEXT(header, length)) {
                if (header->nlmsg_seq != sequence)
                    continue;
                if (header->nlmsg_type == NLMSG_DONE)
                    return true;
                if (header->nlmsg_type == NLMSG_ERROR) {
                    auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
                    int code = -error->error;
                    noRoute = code == ENETUNREACH || code == EHOSTUNREACH || code == EACCES;
                    return code == 0 || noRoute;
                }
                multipart |= (header->nlmsg_flags & NLM_F_MULTI) != 0;
                visit(*header);
            }
            if (!multipart)
                return true;
        }
    }

private:
    int m_descriptor = -1;
};

uint32_t nextSequence()
{
    static std::atomic<uint32_t> sequence { 1 };
    return sequence.fetch_add(1);
}

struct RouteRequest {
    nlmsghdr header;
    rtmsg route;
    char attributes[64];
};

void appendAttribute(RouteRequest& request, unsigned short type, const void* data, size_t length)
{
    auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = RTA_LENGTH(length);
    memcpy(RTA_DATA(attribute), data, length);
    request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

struct ParsedRoute {
    const rtmsg* route;
    uint32_t table;
    bool hasGateway = false;
    int interfaceIndex = 0;
};

ParsedRoute parseRoute(const nlmsghdr& header)
{
    auto* route = static_cast<const rtmsg*>(NLMSG_DATA(&header));
    ParsedRoute parsed { route, route->rtm_table };
    int length = RTM_PAYLOAD(&header);
    for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type == RTA_GATEWAY || attribute->rta_type == RTA_VIA)
            parsed.hasGateway = true;
        else if (attribute->rta_type == RTA_OIF)
            parsed.interfaceIndex = *static_cast<const int*>(RTA_DATA(attribute));
        else if (attribute->rta_type == RTA_TABLE)
            parsed.table = *static_cast<const uint32_t*>(RTA_DATA(attribute));
        else if (attribute->rta_type == RTA_MULTIPATH)
            parsed.hasGateway = true; // several next hops are always routers
    }
    return parsed;
}

std::string interfaceName(int index)
{
    char name[IF_NAMESIZE] = {};
    return index > 0 && if_indextoname(index, name) ? name : "";
}

// A route that exists but cannot carry anything counts as none.
std::optional<RouteAnswer> answerFor(const ParsedRoute& parsed)
{
    unsigned char type = parsed.route->rtm_type;
    if (type != RTN_UNICAST && type != RTN_LOCAL)
        return std::nullopt;
    if (parsed.route->rtm_flags & RTNH_F_LINKDOWN)
        return std::nullopt;
    RouteAnswer answer;
    answer.local = type == RTN_LOCAL;
    answer.viaGateway = parsed.hasGateway;
    answer.interfaceName = interfaceName(parsed.interfaceIndex);
    return answer;
}

RouteLookup ask(RouteRequest& request, const std::function<void(const ParsedRoute&, RouteLookup&)>& consider)
{
    RouteLookup lookup;
    NetlinkSocket netlink;
    if (!netlink.isOpen())
        return lookup;
    request.header.nlmsg_seq = nextSequence();
    if (!netlink.send(&request, request.header.nlmsg_len))
        return lookup;
    bool noRoute = false;
    bool heard = netlink.receive(request.header.nlmsg_seq, [&](const nlmsghdr& header) {
        if (header.nlmsg_type == RTM_NEWROUTE)
            consider(parseRoute(header), lookup);
    }, noRoute);
    lookup.answered = heard;
    if (noRoute)
        lookup.route.reset();
    return lookup;
}

RouteRequest emptyRequest(int family, uint16_t flags)
{
    RouteRequest request {};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | flags;
    request.route.rtm_family = family;
    return request;
}

} // namespace

RouteLookup RoutingTable::routeTo(const sockaddr& destination)
{
    RouteRequest request = emptyRequest(destination.sa_family, 0);
    if (destination.sa_family == AF_INET) {
        auto& address = reinterpret_cast<const sockaddr_in&>(destination).sin_addr;
        request.route.rtm_dst_len = 32;
        appendAttribute(request, RTA_DST, &address, sizeof address);
    } else if (destination.sa_family == AF_INET6) {
        auto& address = reinterpret_cast<const sockaddr_in6&>(destination);
        request.route.rtm_dst_len = 128;
        appendAttribute(request, RTA_DST, &address.sin6_addr, sizeof address.sin6_addr);
        if (address.sin6_scope_id) {
            int interfaceIndex = static_cast<int>(address.sin6_scope_id);
            appendAttribute(request, RTA_OIF, &interfaceIndex, sizeof interfaceIndex);
        }
    } else {
        return {};
    }
    return ask(request, [](const ParsedRoute& parsed, RouteLookup& lookup) { lookup.route = answerFor(parsed); });
}

RouteLookup RoutingTable::defaultRoute(int family)
{
    RouteRequest request = emptyRequest(family, NLM_F_DUMP);
    return ask(request, [](const ParsedRoute& parsed, RouteLookup& lookup) {
        if (lookup.route || parsed.route->rtm_dst_len != 0 || parsed.table != RT_TABLE_MAIN)
            return;
        lookup.route = answerFor(parsed);
    });
}

int RoutingTable::openChangeSocket()
{
    NetlinkSocket netlink(RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE);
    return netlink.isOpen() ? netlink.release() : -1;
}

void RoutingTable::drainChangeSocket(int socketDescriptor)
{
    char buffer[8192];
    // A full socket buffer drops messages (ENOBUFS); that only means
    // "something changed", which the caller learns either way.
    for (;;) {
        ssize_t length = recv(socketDescriptor, buffer, sizeof buffer, MSG_DONTWAIT);
        if (length < 0 && errno != ENOBUFS && errno != EINTR)
            return;
        if (length == 0)
            return;
    }
}

} // namespace qv
