#include "LoopbackLayoutServer.h"

#include "testing/Process.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <fstream>
#include <sstream>

namespace qv::testing {

namespace {

constexpr auto startTimeLimit = std::chrono::seconds(30);
constexpr auto commandTimeLimit = std::chrono::seconds(10);

std::string unhex(std::string_view hex)
{
    if (hex == "-")
        return {};
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < text.size()) {
        const size_t next = text.find(separator, at);
        pieces.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos)
            break;
        at = next + separator.size();
    }
    return pieces;
}

// "REQUEST STATUS METHOD TARGET VERSION HEADERS BODY PROBLEMS", the parts
// after the status in hexadecimal.
std::optional<LoopbackLayoutServer::Request> parseRequest(const std::string& line)
{
    std::istringstream words(line);
    std::string word, status, method, target, version, headers, body, problems;
    if (!(words >> word >> status >> method >> target >> version >> headers >> body >> problems) || word != "REQUEST")
        return std::nullopt;
    LoopbackLayoutServer::Request request;
    request.status = std::stoi(status);
    request.method = unhex(method);
    request.target = unhex(target);
    request.version = unhex(version);
    for (const std::string& header : split(unhex(headers), "\r\n")) {
        const size_t colon = header.find(": ");
        if (colon != std::string::npos)
            request.headers.emplace_back(header.substr(0, colon), header.substr(colon + 2));
    }
    request.body = unhex(body);
    request.problems = split(unhex(problems), "\n");
    return request;
}

} // namespace

std::optional<std::string> LoopbackLayoutServer::Request::header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && strncasecmp(key.c_str(), name.data(), name.size()) == 0)
            return value;
    }
    return std::nullopt;
}

LoopbackLayoutServer::LoopbackLayoutServer()
{
    m_process.emplace(std::vector<std::string> { pythonInterpreter(), sourceDirectory() + "/hosts/layoutserver/layout-server.py", m_folder.string(),
        "--port", "0", "--fixture" });
    std::optional<std::string> line = m_process->readLine(startTimeLimit);
    if (!line || line->rfind("PORT ", 0) != 0) {
        ADD_FAILURE() << "the layout server did not start: " << line.value_or("(no answer)");
        m_process.reset();
        return;
    }
    m_port = std::stoi(line->substr(5));
    m_reader = std::thread([this] { readOutput(); });
}

LoopbackLayoutServer::~LoopbackLayoutServer()
{
    stop();
}

std::string LoopbackLayoutServer::host() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string LoopbackLayoutServer::url(std::string_view path) const
{
    return "http://" + host() + std::string(path);
}

void LoopbackLayoutServer::readOutput()
{
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_ended)
                return;
        }
        std::optional<std::string> line = m_process->readLine(std::chrono::milliseconds(100));
        if (!line) {
            // At the end of the output a read answers at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        std::lock_guard guard(m_lock);
        (line->rfind("REQUEST ", 0) == 0 ? m_requests : m_answers).push_back(*line);
        m_arrived.notify_all();
    }
}

std::optional<std::string> LoopbackLayoutServer::takeLine(std::deque<std::string>& lines, std::chrono::milliseconds timeLimit)
{
    std::unique_lock guard(m_lock);
    if (!m_arrived.wait_for(guard, timeLimit, [&] { return !lines.empty(); }))
        return std::nullopt;
    std::string line = lines.front();
    lines.pop_front();
    return line;
}

bool LoopbackLayoutServer::command(const std::string& typed)
{
    // The server answers with the command as it read it: without trailing
    // white space (a "fetch" of an empty body has no bytes after its status).
    const std::string line = typed.substr(0, typed.find_last_not_of(' ') + 1);
    if (!m_reader.joinable() || !m_process->send(line)) {
        ADD_FAILURE() << "the layout server is not running: " << line;
        return false;
    }
    std::optional<std::string> answer = takeLine(m_answers, commandTimeLimit);
    EXPECT_EQ(answer.value_or("(no answer)"), "OK " + line);
    return answer == "OK " + line;
}

std::optional<LoopbackLayoutServer::Request> LoopbackLayoutServer::nextRequest(std::chrono::milliseconds timeLimit)
{
    std::optional<std::string> line = takeLine(m_requests, timeLimit);
    return line ? parseRequest(*line) : std::nullopt;
}

void LoopbackLayoutServer::addLayout(const std::string& collection, const std::string& name, const std::string& bytes, int downloads) const
{
    ProcessResult result = runPython(
        "import json, os, sys\nfolder = os.path.join(sys.argv[1], sys.argv[2])\nos.makedirs(folder, exist_ok=True)\n"
        "open(os.path.join(folder, sys.argv[3]), 'wb').write(sys.stdin.buffer.read())\n"
        "path = os.path.join(folder, 'downloads.json')\ncounts = json.load(open(path)) if os.path.exists(path) else {}\n"
        "counts[sys.argv[3]] = int(sys.argv[4])\njson.dump(counts, open(path, 'w'))",
        { folder().string(), collection, name, std::to_string(downloads) }, bytes);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
}

std::optional<int> LoopbackLayoutServer::downloads(const std::string& collection, const std::string& name) const
{
    ProcessResult result = runPython(
        "import json, os, sys\npath = os.path.join(sys.argv[1], sys.argv[2], 'downloads.json')\n"
        "counts = json.load(open(path)) if os.path.exists(path) else {}\nprint(counts.get(sys.argv[3], 'none'))",
        { folder().string(), collection, name });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    if (result.output.rfind("none", 0) == 0 || result.output.empty())
        return std::nullopt;
    return std::stoi(result.output);
}

std::optional<std::string> LoopbackLayoutServer::layoutFile(const std::string& collection, const std::string& name) const
{
    std::ifstream file(folder() / collection / name, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void LoopbackLayoutServer::stop()
{
    if (!m_process)
        return;
    if (m_reader.joinable()) {
        {
            std::lock_guard guard(m_lock);
            m_ended = true;
        }
        m_reader.join();
    }
    // The server ends when its input does.
    m_process->finish(std::chrono::seconds(10));
    m_process.reset();
    m_port = 0;
}

} // namespace qv::testing
