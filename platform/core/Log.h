#pragma once

#include <string>
#include <vector>

namespace qv {

// Writes one line to the process's log (standard error), or to the capture
// a test has installed. Safe from any thread; lines are never interleaved.
void logLine(const std::string& line);

// While alive, log lines are collected here instead of going to standard
// error. Captures nest: the newest one gets the lines.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(const std::string& fragment) const;
    void clear();

private:
    friend void logLine(const std::string&);
    LogCapture* m_previous;
    std::vector<std::string> m_lines;
};

} // namespace qv
