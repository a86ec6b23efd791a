#pragma once

#include "testing/ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv::testing {

// A small HTTP server (Python's http.server) on a free loopback port, for
// tests of code that loads over HTTP. It serves the files of a folder,
// read anew at every request, and these paths of its own:
//   /_/hang              accepts the request and never answers
//   /_/html              a web page
//   /_/big/N             N bytes, with their length announced
//   /_/stream/N          N bytes without a length, up to the closing
//   /_/redirect/N/PATH   N redirects in a row, then PATH
//   /_/location/URL      a redirect to the URL (percent-encoded)
//   /_/status/CODE       that status, with a property list as its body
//   /_/echo (any method) the request line, header lines and body received
//   /_/truncated/N       announces N bytes, sends half and closes
//   /_/gzip/N[/cut]      N bytes gzip-compressed (cut to half its length)
//   /_/redirect-status/CODE/LOCATION  that status towards the location
//                        (percent-encoded), setting a cookie (also for POST)
//   /_/digest...         the echo behind Digest credentials (user "user",
//                        password "secret"), else a 401 challenge
//   /_/form (POST)       the fields of a form body as the standard library's
//                        parsers read them, a line each: name, file name,
//                        type and value in hexadecimal ("-" for none)
//   /_/trickle-headers   a header line every tenth of a second, for ever
//   /_/endless-headers   header lines as fast as they go, for ever
// It stops when the object goes.
class LoopbackHTTPServer {
public:
    explicit LoopbackHTTPServer(std::filesystem::path folder);

    // 0 when the server did not start (a failure is recorded).
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT/path".
    std::string url(std::string_view path) const;
    // The next request the server took, as "GET /path".
    std::optional<std::string> nextRequest(std::chrono::milliseconds timeLimit = std::chrono::seconds(10));

    // A loopback port nothing listens on.
    static int closedPort();
    // Whether something on 127.0.0.1 takes connections on the port.
    static bool acceptsConnections(int port);

private:
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace qv::testing
