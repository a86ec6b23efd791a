#include "LoopbackNTLMServer.h"

#include "testing/LoopbackCertificate.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv::testing {

std::vector<std::string> LoopbackNTLMServer::command(Kind kind, const TemporaryDirectory& folder)
{
    std::vector<std::string> command { pythonInterpreter(), sourceDirectory() + "/testing/ntlm-server.py", kind == Kind::Proxy ? "proxy" : "server" };
    if (kind != Kind::SecureServer)
        return command;
    const std::string certificate = (folder.path() / "certificate.pem").string();
    const std::string key = (folder.path() / "key.pem").string();
    makeLoopbackCertificate(certificate, key);
    command.push_back(certificate);
    command.push_back(key);
    return command;
}

LoopbackNTLMServer::LoopbackNTLMServer(Kind kind)
    : m_secure(kind == Kind::SecureServer)
    , m_process(command(kind, m_folder))
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
    return (m_secure ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + path;
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
