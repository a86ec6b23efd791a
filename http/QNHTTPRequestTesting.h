#pragma once

// The request's test seams: what tests may change in the process that the
// system itself never does. Only tests include this header.
#include "http/QNHTTPRequestClassState.h"

namespace qv {

// While alive, an answer kept in memory may hold at most the given bytes,
// raw or inflated, in place of QNHTTPRequest::maximumResponseSizeInMemory:
// a test of the limit then moves megabytes, not hundreds of them.
class ScopedResponseSizeLimitInMemory {
public:
    explicit ScopedResponseSizeLimitInMemory(unsigned long long bytes)
        : m_previous(QNHTTPRequestClassState::shared().maximumResponseSizeInMemory.exchange(bytes))
    {
    }
    ~ScopedResponseSizeLimitInMemory() { QNHTTPRequestClassState::shared().maximumResponseSizeInMemory = m_previous; }
    ScopedResponseSizeLimitInMemory(const ScopedResponseSizeLimitInMemory&) = delete;
    ScopedResponseSizeLimitInMemory& operator=(const ScopedResponseSizeLimitInMemory&) = delete;

private:
    unsigned long long m_previous;
};

// Forgets the proxy logins the session keeps: the process keeps them to its
// end, and a loopback proxy may be given the port of an earlier test's
// proxy, whose logins would then be presented to it before any challenge.
inline void forgetSessionProxyCredentials()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCredentialsLock);
    state.sessionProxyCredentials.clear();
}

} // namespace qv
