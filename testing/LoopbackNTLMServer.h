#pragma once

#include "testing/ChildProcess.h"
#include "testing/TemporaryDirectory.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

// A loopback server or HTTP proxy (testing/ntlm-server.py, Python's
// standard library) that asks for NTLM and checks the NTLMv2 answer with a
// computation of its own; the negotiate, challenge and authenticate
// messages must come on one kept-alive connection. The one account is user
// "user", password "secret", domain "QUILT". Logged in, the server answers
// with the request line, "account DOMAIN\user", the header lines and the
// body ("/open/" paths without login, "account -\-"); the secure server
// does the same over TLS, with a certificate made for 127.0.0.1 when it
// starts. The proxy forwards the request (without its proxy fields) or
// opens the tunnel of a CONNECT; the requests of one client connection
// reach the server over one connection. It stops when the object goes.
class LoopbackNTLMServer {
public:
    enum class Kind { Server, SecureServer, Proxy };
    explicit LoopbackNTLMServer(Kind kind);

    // 0 when it did not start (a failure is recorded).
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" (https for the secure server) followed by the
    // path.
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
    static std::vector<std::string> command(Kind kind, const TemporaryDirectory& folder);

    TemporaryDirectory m_folder;
    bool m_secure;
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace qv::testing
