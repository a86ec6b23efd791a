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
// Each request is reported on a pipe as it is taken, its body written out
// in hexadecimal: a test whose bodies add up to tens of kilobytes reads
// them (nextRequest) before the server can go on. It stops when the
// object goes.
class ScriptedHTTPServer {
public:
    struct Reply {
        // How the reply goes out: with a Content-Length the server works
        // out; exactly as given (the test's own framing fields, the body
        // as it is, for answers no sound server gives); or not at all (the
        // request is taken and the connection left waiting until the
        // client closes it).
        enum class Delivery { Framed, AsGiven, Never };

        Reply(int status = 200, std::vector<std::pair<std::string, std::string>> headers = {}, std::string body = {})
            : status(status), headers(std::move(headers)), body(std::move(body)) {}
        static Reply asGiven(int status, std::vector<std::pair<std::string, std::string>> headers, std::string body = {})
        {
            Reply reply(status, std::move(headers), std::move(body));
            reply.delivery = Delivery::AsGiven;
            return reply;
        }
        static Reply never()
        {
            Reply reply;
            reply.delivery = Delivery::Never;
            return reply;
        }
        int status;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        Delivery delivery = Delivery::Framed;
    };
    struct Request {
        std::string method;
        std::string path; // as sent, with its query
        std::map<std::string, std::string> headers; // names in lower case
        std::string body;
        // The client's port: requests with the same one came over the
        // same connection.
        int connection = 0;
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
