#pragma once

#include "testing/ChildProcess.h"
#include "testing/ScopedEnvironment.h"

#include <memory>
#include <string>

namespace qv::testing {

// A program of the build (a host, the application) running beside the test
// on a device profile, driven through its standard input: each command line
// is answered with one line of JSON.
class DrivenProgram {
public:
    // The program of the build's "bin" folder of that name, on the device
    // profile named (QV_DEVICE), with its driver on its standard input.
    DrivenProgram(const std::string& programName, const std::string& device);

    // The answer line of a command.
    std::string command(const std::string& line);
    // Runs a command that must succeed.
    void expectOk(const std::string& line);
    // The error a command fails with, or "ok".
    std::string errorOf(const std::string& line);
    // What a Python script (json and sys imported) prints when given the
    // answer of a command on its standard input, without the last line break.
    std::string answerThroughPython(const std::string& script, const std::string& line);

    // Ends the program through its driver; its exit status.
    int quit();

    ChildProcess& process() { return *m_process; }

private:
    ScopedEnvironment m_device;
    ScopedEnvironment m_driver;
    std::unique_ptr<ChildProcess> m_process;
};

} // namespace qv::testing
