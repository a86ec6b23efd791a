#include "FileSizeLimit.h"

namespace qv::testing {

FileSizeLimit::FileSizeLimit(size_t bytes)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_oldLimit);
    rlimit small = m_oldLimit;
    small.rlim_cur = bytes;
    m_applied = setrlimit(RLIMIT_FSIZE, &small) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_oldLimit);
    std::signal(SIGXFSZ, m_oldHandler);
}

} // namespace qv::testing
