#pragma once

// The core's test seams: what tests may change in the process that the
// system itself never does. Only tests include this header.

#include "platform/core/Log.h"

#include <string>
#include <vector>

namespace qv {

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
