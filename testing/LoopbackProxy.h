#pragma once

#include "testing/ChildProcess.h"
#include "testing/TemporaryDirectory.h"

#include <memory>
#include <string>

namespace qv::testing {

// A proxy on a free loopback port: tinyproxy (HTTP, with CONNECT tunnels)
// or microsocks (SOCKS 5), each optionally asking for a user name and
// password. It stops when the object goes.
class LoopbackProxy {
public:
    enum class Kind { HTTP, SOCKS };
    explicit LoopbackProxy(Kind kind, const std::string& user = {}, const std::string& password = {});
    ~LoopbackProxy();

    // 0 when the proxy did not start (a failure is recorded).
    int port() const { return m_port; }
    // What tinyproxy logged so far (the requests it passed on).
    std::string log() const;

private:
    bool start(Kind kind, const std::string& user, const std::string& password);

    TemporaryDirectory m_folder;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_process;
};

} // namespace qv::testing
