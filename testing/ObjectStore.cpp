#include "ObjectStore.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qv::testing {

namespace {

// The supervisor bounds its own start-up; this is for a supervisor that
// hangs before it can say so.
constexpr auto startTimeLimit = std::chrono::seconds(120);
constexpr auto stopTimeLimit = std::chrono::seconds(30);

} // namespace

ObjectStore::ObjectStore()
{
    // Swift's modules are Debian's, for Debian's Python, whatever python3
    // comes first on the path.
    m_supervisor.emplace(std::vector<std::string> { pythonInterpreter(), sourceDirectory() + "/testing/object-store.py",
        m_folder.string() });
    std::optional<std::string> line = m_supervisor->readLine(startTimeLimit);
    if (!line || line->rfind("READY ", 0) != 0) {
        ADD_FAILURE() << "the object store did not start: " << line.value_or("(no answer)") << "\n" << logs();
        stop();
        return;
    }
    m_port = std::stoi(line->substr(6));
}

ObjectStore::~ObjectStore()
{
    stop();
}

std::string ObjectStore::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::string ObjectStore::storageURL() const
{
    return url("/v1/") + account;
}

std::string ObjectStore::s3Host(std::string_view bucket, std::string_view domain) const
{
    std::string host = std::string(domain) + ":" + std::to_string(m_port);
    return bucket.empty() ? host : std::string(bucket) + "." + host;
}

std::string ObjectStore::logs() const
{
    std::ostringstream text;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path() / "log", error)) {
        text << "--- " << entry.path().filename().string() << "\n";
        text << std::ifstream(entry.path()).rdbuf();
    }
    return text.str();
}

bool ObjectStore::stop()
{
    if (!m_supervisor)
        return false;
    m_port = 0;
    bool finished = m_supervisor->finish(stopTimeLimit) == 0;
    std::optional<std::string> last = m_supervisor->readLine(std::chrono::seconds(1));
    if (!finished)
        m_supervisor->kill();
    m_supervisor.reset();
    return finished && last == "STOPPED";
}

} // namespace qv::testing
