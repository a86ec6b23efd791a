#pragma once

#include "testing/ChildProcess.h"
#include "testing/TemporaryDirectory.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::testing {

// nginx on free loopback ports, serving a folder of its own over plain
// HTTP and over TLS with a certificate made for 127.0.0.1 when the server
// starts. It keeps connections alive, compresses with gzip where the
// client asks ("/gzip/" paths only, so that other bodies arrive as they
// are stored), answers a POST or PUT to a file with the file, and logs each
// request with its connection's number, so that tests can count the
// connections a client opened. "/private/" asks for Basic credentials
// (user "user", password "secret"). Files carry validators ("ETag",
// "Last-Modified"); "/fresh/" ones may be kept for an hour ("Cache-Control:
// max-age=3600"), "/nostore/" ones may not be kept at all. It stops when
// the object goes.
class LoopbackNginx {
public:
    LoopbackNginx();
    ~LoopbackNginx();

    // False when nginx did not start (a failure is recorded).
    bool running() const { return m_running; }
    const std::filesystem::path& documentRoot() const { return m_root; }
    // Writes a file under the document root ("/gzip/text.txt" and the like).
    void addFile(const std::string& path, std::string_view bytes) const;
    // "http://127.0.0.1:PORT/path" and "https://127.0.0.1:PORT/path".
    std::string url(std::string_view path) const;
    std::string secureURL(std::string_view path) const;
    // The certificate clients may trust (PEM).
    std::string certificatePEM() const;

    struct LoggedRequest {
        long connection;
        std::string request; // "GET /path"
        int status;
    };
    // The requests logged so far, in order.
    std::vector<LoggedRequest> loggedRequests() const;
    // The same once at least `count` are logged (nginx logs a request just
    // after it answered it), or as they stand after a few seconds.
    std::vector<LoggedRequest> loggedRequests(size_t count) const;

private:
    bool start();

    TemporaryDirectory m_folder;
    std::filesystem::path m_root;
    int m_port = 0;
    int m_securePort = 0;
    std::unique_ptr<ChildProcess> m_process;
    bool m_running = false;
};

} // namespace qv::testing
