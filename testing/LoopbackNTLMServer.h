#pragma once

#include "testing/ChildProcess.h"

#include <optional>
#include <string>

namespace qv::testing {

// A loopback server or HTTP proxy (testing/ntlm-server.py, Python's
// standard library) that asks for NTLM and checks the NTLMv2 answer with a
// computation of its own; the negotiate, challenge and authenticate
// messages must come on one kept-alive connection. The one account is user
// "user", password "secret", domain "QUILT". Logged in, the server answers
// with the request line, "account DOMAIN\user", the header lines and the
// body; the proxy forwards the request (without its proxy fields). It
// stops when the object goes.
class LoopbackNTLMServer {
public:
    enum class Kind { Server, Proxy };
    explicit LoopbackNTLMServer(Kind kind);

    // 0 when it did not start (a failure is recorded).
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by the path.
    std::string url(const std::string& path) const;

    struct Request {
        int connection = 0;  // the connection's number, from 1 in order
        std::string method;
        std::string target;  // as sent: a path, or an absolute URL at the proxy
        std::string message; // "none", "negotiate", "authenticate" or "other"
        std::string verdict; // "challenge", "ok" or "refused"
    };
    // The next request it answered; none when none came within the bound.
    std::optional<Request> nextRequest();

private:
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace qv::testing
