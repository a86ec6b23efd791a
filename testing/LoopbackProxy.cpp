#include "LoopbackProxy.h"

#include "testing/LoopbackHTTPServer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace qv::testing {

LoopbackProxy::LoopbackProxy(Kind kind, const std::string& user, const std::string& password)
{
    // A port picked free may be taken before the proxy binds it: a few tries.
    for (int attempt = 0; attempt < 5 && !m_port; ++attempt)
        if (!start(kind, user, password))
            m_port = 0;
    if (!m_port)
        ADD_FAILURE() << "the proxy did not start";
}

LoopbackProxy::~LoopbackProxy()
{
    // Neither proxy ends with its input: it is stopped.
    if (m_process)
        m_process->kill();
}

bool LoopbackProxy::start(Kind kind, const std::string& user, const std::string& password)
{
    m_port = LoopbackHTTPServer::closedPort();
    std::vector<std::string> argv;
    if (kind == Kind::HTTP) {
        const auto config = m_folder.path() / "tinyproxy.conf";
        std::ofstream file(config);
        file << "Port " << m_port << "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 30\nMaxClients 20\nLogLevel Info\n"
             << "LogFile \"" << (m_folder.path() / "tinyproxy.log").string() << "\"\n"
             << "PidFile \"" << (m_folder.path() / "tinyproxy.pid").string() << "\"\n";
        if (!user.empty())
            file << "BasicAuth " << user << " " << password << "\n";
        file.close();
        argv = { "tinyproxy", "-d", "-c", config.string() };
    } else {
        argv = { "microsocks", "-i", "127.0.0.1", "-p", std::to_string(m_port) };
        if (!user.empty())
            argv.insert(argv.end(), { "-u", user, "-P", password });
    }
    m_process = std::make_unique<ChildProcess>(argv);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (LoopbackHTTPServer::acceptsConnections(m_port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_process.reset();
    return false;
}

std::string LoopbackProxy::log() const
{
    std::ifstream file(m_folder.path() / "tinyproxy.log");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace qv::testing
