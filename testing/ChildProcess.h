#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qv::testing {

// Another program running beside the test, talked to line by line: the
// test writes to its standard input and reads its standard output, while
// its standard error goes to the test's own. Ended (killed if need be) and
// reaped when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool send(const std::string& line);
    // The next line of output, or none at its end or when the time is up.
    std::optional<std::string> readLine(std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    // Reads until the given line; the lines before it are added to `before`.
    bool waitForLine(const std::string& line, std::vector<std::string>* before = nullptr,
        std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    // Closes the input and waits for the end: the exit code, or -1.
    int finish(std::chrono::milliseconds timeLimit = std::chrono::seconds(30));
    void kill();

private:
    void closeInput();

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffer;
    int m_status = -1;
};

} // namespace qv::testing
