#pragma once

#include "testing/ChildProcess.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

// A loopback HTTP server (Python's http.server) that answers from a script:
// the replies given, one per request in order, the last one again for every
// later request. It records each request it gets, for the test to read.
// For peers whose answers no real server on this machine gives on demand.
// It stops when the object goes.
class ScriptedHTTPServer {
public:
    struct Reply {
        Reply(int status = 200, std::vector<std::pair<std::string, std::string>> headers = {}, std::string body = {})
            : status(status), headers(std::move(headers)), body(std::move(body)) {}
        int status;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
    };
    struct Request {
        std::string method;
        std::string path; // as sent, with its query
        std::map<std::string, std::string> headers; // names in lower case
        std::string body;
    };

    explicit ScriptedHTTPServer(const std::vector<Reply>& replies);
    // 0 when the server did not start (a failure is recorded).
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by the path.
    std::string url(const std::string& path) const;
    // The next request the server answered, in order; none when no request
    // came within the bound.
    std::optional<Request> nextRequest();

private:
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace qv::testing
