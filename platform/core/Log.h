#pragma once

#include <string>

namespace qv {

// Writes one line to the process's log (standard error), or to the capture
// a test has installed (CoreTesting.h). Safe from any thread; lines are never interleaved.
void logLine(const std::string& line);

} // namespace qv
