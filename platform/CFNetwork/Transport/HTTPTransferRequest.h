#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// The head of a response as the transport read it.
struct HTTPResponseHead {
    std::string httpVersion;  // "HTTP/1.1"
    int statusCode = 0;
    std::string statusLine;   // "HTTP/1.1 200 OK"
    std::vector<std::pair<std::string, std::string>> headers;
};

// What a transfer sends: everything is taken as given, nothing is added but
// the Host field and the body's framing (its length, or chunks when the
// length is unknown). User information in the URL is never sent: answering
// a challenge with it is the client's business.
struct HTTPTransferRequest {
    // Absolute http or https URL; the request target is sent exactly as the
    // text has it (no dot segments removed, nothing re-encoded).
    std::string url;
    std::string method = "GET";
    bool useHTTPVersionOne = false;
    // Header fields in order, names as given; repeated names are sent
    // repeatedly.
    std::vector<std::pair<std::string, std::string>> headers;

    // The body, pulled on the transport thread: fills the buffer and
    // answers the count, 0 at the end, or -1 when the body cannot be read
    // (the transfer then fails). No reader, no body.
    std::function<long(char* buffer, size_t capacity)> bodyReader;
    std::optional<uint64_t> bodyLength;

    // TLS: whether the server's certificate chain and name are checked, and
    // the client identity presented when the server asks for one (PEM).
    bool validatesCertificateChain = true;
    std::string clientCertificatePEM;
    std::string clientKeyPEM;
    // Further certificates trusted as anchors (PEM), besides the system's.
    std::string trustedAnchorsPEM;

    // Whether an idle kept-alive connection to the same server may carry
    // this transfer, and whether its connection may be kept afterwards.
    bool attemptPersistentConnection = true;
    // Asked on the transport's thread once the final response head is in:
    // how many seconds the connection may wait idle for a later transfer
    // once this one has ended. None, or no time at all, closes it when the
    // transfer ends, whatever the head says of keeping it; past its time an
    // idle connection carries no later transfer. No function keeps what
    // HTTP allows, for the transport's own time.
    std::function<std::optional<double>(const HTTPResponseHead&)> connectionReuseWindow;
    // The clock that window runs on, in seconds; the steady clock when
    // none.
    std::function<double()> clock;
    // A group of connections of its own (HTTPTransport::openConnectionGroup)
    // in place of the shared pool: transfers of one group, one after the
    // other, go over the same kept-alive connection and no other transfer
    // takes it. 0 for the shared pool.
    uint64_t connectionGroup = 0;

    // Proxy, empty for a direct connection: "http://host:port",
    // "socks5://host:port", ...; with its credentials when given.
    std::string proxy;
    std::string proxyUserPassword;
    // An NTLM login at an HTTP proxy that tunnels (https): NTLM holds for
    // one connection, so the transport carries it out on the CONNECT. The
    // user is "DOMAIN\user" or a bare name; no login when empty.
    std::string proxyNTLMUser;
    std::string proxyNTLMPassword;

    // Bounds the connection's set-up only; idle time-outs are the client's.
    long connectTimeoutMilliseconds = 60000;

    // https through an HTTP proxy: the connection is a tunnel that a
    // CONNECT opens.
    bool goesThroughHTTPTunnel() const
    {
        if (proxy.empty() || url.rfind("https:", 0) != 0)
            return false;
        return proxy.find("://") == std::string::npos || proxy.rfind("http://", 0) == 0 || proxy.rfind("https://", 0) == 0;
    }
};

// A failure of a transfer in the device's terms: the error domain, code and
// a text saying what happened.
struct HTTPTransferError {
    std::string domain;
    long code = 0;
    std::string message;
};

inline constexpr const char* TransferPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* TransferCFNetworkErrorDomain = "kCFErrorDomainCFNetwork";
inline constexpr const char* TransferOSStatusErrorDomain = "NSOSStatusErrorDomain";

// Codes of the device's CFNetwork error domain that transfers report.
enum : long {
    TransferHostNotFoundError = 2,          // the name did not resolve
    TransferHTTPParseFailureError = -1001,  // the answer was no HTTP
    TransferConnectionLostError = -1005,    // the connection closed mid-exchange
    TransferSecureConnectionFailedError = -9800,  // TLS failed (OSStatus)
    TransferCertificateChainInvalidError = -9807, // the certificate was refused (OSStatus)
};

} // namespace qv
