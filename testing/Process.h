#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qv::testing {

struct ProcessResult {
    int exitCode = -1;       // -1 when the program was killed or did not start
    std::string output;      // standard output
    std::string errors;      // standard error
    bool timedOut = false;
};

// How long a program of the device may take to start and do its first
// piece of work (answer its first command, lay out a device root): under
// the sanitizers, on a machine busy with other tests, that can take more
// than a minute of wall time for seconds of work.
constexpr std::chrono::seconds programStartTimeLimit { 120 };

// Runs a program to its end with the given standard input, killing it when
// it outlives the time limit. The environment is this process's.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = {},
    std::chrono::milliseconds timeLimit = std::chrono::seconds(60));

// The argument list for execOrExit, pointing into `argv`. Made before
// fork: a child forked from a process with other threads may only call
// async-signal-safe functions until it execs, so it must not allocate (a
// lock another thread held inside malloc at the fork stays held for ever).
std::vector<char*> execArguments(const std::vector<std::string>& argv);

// In a forked child: becomes the program, or exits with 127 when it cannot.
[[noreturn]] void execOrExit(const std::vector<char*>& arguments);

// Debian's Python 3 (scripts/packages.txt installs it, with the modules the
// tests use). The python3 first on the PATH may be a version manager's shim,
// which costs seconds a start on a busy machine, and the tests start Python
// for nearly every look at a program's answer.
const char* pythonInterpreter();

// Runs a Python 3 script given as text, with arguments.
ProcessResult runPython(const std::string& script, const std::vector<std::string>& arguments = {},
    const std::string& input = {});

// The lines of a program's output, without their line ends.
std::vector<std::string> outputLines(const std::string& output);

// The build's folders, as CTest passes them to every test.
std::string buildDirectory();
std::string sourceDirectory();

} // namespace qv::testing
