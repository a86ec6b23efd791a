#pragma once

#include <optional>

namespace qv {

class CFHTTPMessage;

// What a response says of keeping its connection for later requests: an
// HTTP/1.0 answer only with "Connection: keep-alive", never one with
// "Connection: close", and, when it has a "Keep-Alive" field, only when
// that allows more than five further requests ("max="), for its
// "timeout=" seconds.
struct QNConnectionReuse {
    bool reusable = false;
    // The idle time the response gives the connection; none leaves the
    // request's own.
    std::optional<double> timeoutSeconds;

    static QNConnectionReuse forResponse(const CFHTTPMessage& response);

    // How long the connection may wait idle for the next request: the
    // response's time, else the request's own; none when it may not be
    // kept.
    std::optional<double> windowSeconds(double requestsOwnSeconds) const
    {
        if (!reusable)
            return std::nullopt;
        return timeoutSeconds.value_or(requestsOwnSeconds);
    }
};

} // namespace qv
