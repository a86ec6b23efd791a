#pragma once

#include "testing/ChildProcess.h"
#include "testing/TemporaryDirectory.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qv::testing {

// The layout server (hosts/layoutserver/layout-server.py) on a free port of
// 127.0.0.1, keeping its layouts in a temporary folder, in its fixture
// mode: strict about the bytes of every request (a request the application
// would not send gets 400), each request it answered reported to the test,
// and its answers switched by commands (slow, nonsense, a listing of the
// test's own bytes). Every wait is bounded; it stops when the object goes.
class LoopbackLayoutServer {
public:
    struct Request {
        int status = 0;
        std::string method;
        std::string target; // path and query, as sent
        std::string version;
        std::vector<std::pair<std::string, std::string>> headers; // as sent, in order
        std::string body;
        std::vector<std::string> problems; // how it differs from the application's bytes
        // The value of a header, named without regard to case.
        std::optional<std::string> header(std::string_view name) const;
    };

    // Records a failure when the server does not start.
    LoopbackLayoutServer();
    ~LoopbackLayoutServer();
    LoopbackLayoutServer(const LoopbackLayoutServer&) = delete;
    LoopbackLayoutServer& operator=(const LoopbackLayoutServer&) = delete;

    // 0 when the server is not running.
    int port() const { return m_port; }
    // "127.0.0.1:PORT": the application's setting "LayoutServerHost".
    std::string host() const;
    // "http://127.0.0.1:PORT" and the path.
    std::string url(std::string_view path) const;
    const std::filesystem::path& folder() const { return m_folder.path(); }

    // Sends a command and waits until the server took it: "delay SECONDS"
    // (every answer waits), "delay SECONDS ADDRESS" (answers of that
    // address, such as "DownloadManager.asp"), "garbage" (nonsense of each
    // kind), "listing HEX" (listings answer those bytes), "fetch STATUS HEX"
    // (layout fetches answer that status and those bytes), "gzip" (answers
    // come compressed to requests that accept it), "normal".
    bool command(const std::string& line);
    // The next request the server answered, in order; none when none came
    // within the bound.
    std::optional<Request> nextRequest(std::chrono::milliseconds timeLimit = std::chrono::seconds(20));

    // A layout put into a collection ("iPhone4Inch", "iPad", ...) as though
    // it had been uploaded, with its download count.
    void addLayout(const std::string& collection, const std::string& name, const std::string& bytes, int downloads = 0) const;
    // The stored count of a layout; none when it has no count.
    std::optional<int> downloads(const std::string& collection, const std::string& name) const;
    // The stored file of a layout; none when there is none.
    std::optional<std::string> layoutFile(const std::string& collection, const std::string& name) const;

    // Stops the server now: its address refuses connections afterwards.
    void stop();

private:
    // The server's output is read all the time, so that it never waits on a
    // full pipe while the test does something else.
    void readOutput();
    std::optional<std::string> takeLine(std::deque<std::string>& lines, std::chrono::milliseconds timeLimit);

    TemporaryDirectory m_folder;
    std::optional<ChildProcess> m_process;
    std::thread m_reader;
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<std::string> m_requests;
    std::deque<std::string> m_answers;
    bool m_ended = false;
    int m_port = 0;
};

} // namespace qv::testing
