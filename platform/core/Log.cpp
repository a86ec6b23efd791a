#include "Log.h"

#include "CoreTesting.h"

#include <cstdio>
#include <mutex>

namespace qv {

namespace {
std::mutex& logLock()
{
    static std::mutex lock;
    return lock;
}
LogCapture* currentCapture = nullptr;
}

void logLine(const std::string& line)
{
    std::lock_guard guard(logLock());
    if (currentCapture) {
        currentCapture->m_lines.push_back(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

LogCapture::LogCapture()
{
    std::lock_guard guard(logLock());
    m_previous = currentCapture;
    currentCapture = this;
}

LogCapture::~LogCapture()
{
    std::lock_guard guard(logLock());
    // Usually the newest capture ends first; one that ends earlier is taken
    // out of the middle, so that no link is left to it once it is gone.
    for (LogCapture** link = &currentCapture; *link; link = &(*link)->m_previous) {
        if (*link == this) {
            *link = m_previous;
            return;
        }
    }
}

std::vector<std::string> LogCapture::lines() const
{
    std::lock_guard guard(logLock());
    return m_lines;
}

bool LogCapture::contains(const std::string& fragment) const
{
    std::lock_guard guard(logLock());
    for (const std::string& line : m_lines) {
        if (line.find(fragment) != std::string::npos)
            return true;
    }
    return false;
}

void LogCapture::clear()
{
    std::lock_guard guard(logLock());
    m_lines.clear();
}

} // namespace qv
