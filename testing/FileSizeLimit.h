#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstddef>

namespace qv::testing {

// While alive, this process may write no file beyond `bytes`: a write past
// it fails as on a full disk (the signal it would raise is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(size_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool applied() const { return m_applied; }

private:
    rlimit m_oldLimit {};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_applied = false;
};

} // namespace qv::testing
