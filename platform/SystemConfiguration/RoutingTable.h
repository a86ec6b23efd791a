#pragma once

#include <optional>
#include <string>
#include <sys/socket.h>

namespace qv {

// What the kernel's routing tables say about one destination.
struct RouteAnswer {
    bool local = false;      // the destination is an address of this machine
    bool viaGateway = false; // packets go through a router, not straight to it
    std::string interfaceName;
};

// The outcome of asking: a route, no route, or no answer at all (the
// routing tables could not be read).
struct RouteLookup {
    bool answered = false;
    std::optional<RouteAnswer> route;
};

// Questions to the kernel's routing tables over a netlink socket. Asking
// sends nothing onto any network.
class RoutingTable {
public:
    // The route packets to the address would take.
    static RouteLookup routeTo(const sockaddr& destination);
    // The default route of the address family (AF_INET or AF_INET6), the
    // way to everything beyond the local networks.
    static RouteLookup defaultRoute(int family);

    // A netlink socket that becomes readable whenever links, addresses or
    // routes change; -1 when it cannot be opened. The caller closes it.
    static int openChangeSocket();
    // Reads every pending change message without waiting.
    static void drainChangeSocket(int socketDescriptor);
};

} // namespace qv
