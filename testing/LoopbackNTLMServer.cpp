#include "LoopbackNTLMServer.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv::testing {

LoopbackNTLMServer::LoopbackNTLMServer(Kind kind)
    : m_process({ "/usr/bin/python3", sourceDirectory() + "/testing/ntlm-server.py", kind == Kind::Proxy ? "proxy" : "server" })
{
    auto line = m_process.readLine();
    if (!line || line->rfind("READY ", 0) != 0) {
        ADD_FAILURE() << "the NTLM server did not start";
        return;
    }
    m_port = std::stoi(line->substr(6));
}

std::string LoopbackNTLMServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::optional<LoopbackNTLMServer::Request> LoopbackNTLMServer::nextRequest()
{
    auto line = m_process.readLine(std::chrono::seconds(10));
    if (!line)
        return std::nullopt;
    std::istringstream words(*line);
    std::string tag;
    Request request;
    if (!(words >> tag >> request.connection >> request.method >> request.target >> request.message >> request.verdict) || tag != "REQUEST")
        return std::nullopt;
    return request;
}

} // namespace qv::testing
