#include "LoopbackNginx.h"

#include "testing/LoopbackCertificate.h"
#include "testing/LoopbackHTTPServer.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace qv::testing {

namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

LoopbackNginx::LoopbackNginx()
    : m_root(m_folder.path() / "html")
{
    std::filesystem::create_directories(m_root);
    std::filesystem::create_directories(m_folder.path() / "temp");
    const auto certificate = m_folder.path() / "certificate.pem";
    const auto key = m_folder.path() / "key.pem";
    if (!makeLoopbackCertificate(certificate, key))
        return;
    // A port picked free may be taken in the moment before nginx binds it:
    // try a few.
    for (int attempt = 0; attempt < 5 && !m_running; ++attempt)
        m_running = start();
    if (!m_running)
        ADD_FAILURE() << "nginx did not start: " << readFile(m_folder.path() / "error.log");
}

LoopbackNginx::~LoopbackNginx()
{
    // nginx does not end with its input: it is stopped.
    if (m_process)
        m_process->kill();
}

bool LoopbackNginx::start()
{
    m_port = LoopbackHTTPServer::closedPort();
    m_securePort = LoopbackHTTPServer::closedPort();
    const std::string prefix = m_folder.string();
    std::ofstream config(m_folder.path() / "nginx.conf");
    config << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
           << "pid " << prefix << "/nginx.pid;\nerror_log " << prefix << "/error.log warn;\n"
           << "events { worker_connections 256; }\n"
           << "http {\n"
           << "  log_format connections '$connection $status \"$request_method $uri\"';\n"
           << "  access_log " << prefix << "/access.log connections;\n"
           << "  client_body_temp_path " << prefix << "/temp/body;\n  proxy_temp_path " << prefix << "/temp/proxy;\n"
           << "  fastcgi_temp_path " << prefix << "/temp/fastcgi;\n  uwsgi_temp_path " << prefix << "/temp/uwsgi;\n"
           << "  scgi_temp_path " << prefix << "/temp/scgi;\n"
           << "  types { text/plain txt; text/html html; application/xml plist; }\n  default_type application/octet-stream;\n"
           << "  keepalive_timeout 60;\n  keepalive_requests 100000;\n  client_max_body_size 0;\n"
           << "  server {\n    listen 127.0.0.1:" << m_port << ";\n    listen 127.0.0.1:" << m_securePort << " ssl;\n"
           << "    ssl_certificate " << prefix << "/certificate.pem;\n    ssl_certificate_key " << prefix << "/key.pem;\n"
           << "    root " << m_root.string() << ";\n"
           << "    error_page 405 =200 $uri;\n"
           << "    location /gzip/ { gzip on; gzip_types *; gzip_min_length 0; gzip_proxied any; }\n"
           << "    location /short/ { keepalive_timeout 1; }\n"
           << "    location /fresh/ { expires 1h; }\n"
           << "    location /nostore/ { add_header Cache-Control \"no-cache, no-store\"; }\n"
           << "    location /private/ { auth_basic \"Quilt\"; auth_basic_user_file " << prefix << "/htpasswd; }\n"
           << "  }\n}\n";
    config.close();
    // The Basic credentials of "/private/": user "user", password "secret".
    std::ofstream(m_folder.path() / "htpasswd") << "user:{PLAIN}secret\n";
    m_process = std::make_unique<ChildProcess>(std::vector<std::string> { "nginx", "-p", prefix, "-c", prefix + "/nginx.conf", "-e", prefix + "/error.log" });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (LoopbackHTTPServer::acceptsConnections(m_port) && LoopbackHTTPServer::acceptsConnections(m_securePort))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_process.reset();
    return false;
}

void LoopbackNginx::addFile(const std::string& path, std::string_view bytes) const
{
    const auto file = m_root / path.substr(path.find_first_not_of('/'));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string LoopbackNginx::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::string LoopbackNginx::secureURL(std::string_view path) const
{
    return "https://127.0.0.1:" + std::to_string(m_securePort) + std::string(path);
}

std::string LoopbackNginx::certificatePEM() const
{
    return readFile(m_folder.path() / "certificate.pem");
}

std::vector<LoopbackNginx::LoggedRequest> LoopbackNginx::loggedRequests(size_t count) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto requests = loggedRequests();
    while (requests.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        requests = loggedRequests();
    }
    return requests;
}

std::vector<LoopbackNginx::LoggedRequest> LoopbackNginx::loggedRequests() const
{
    std::vector<LoggedRequest> requests;
    std::istringstream lines(readFile(m_folder.path() / "access.log"));
    std::string line;
    while (std::getline(lines, line)) {
        LoggedRequest request {};
        std::istringstream fields(line);
        fields >> request.connection >> request.status;
        const auto quote = line.find('"');
        if (quote != std::string::npos)
            request.request = line.substr(quote + 1, line.rfind('"') - quote - 1);
        requests.push_back(request);
    }
    return requests;
}

} // namespace qv::testing
