#include "ChildProcess.h"

#include "Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <algorithm>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
{
    int input[2], output[2];
    if (pipe2(input, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        throw std::runtime_error("pipe failed");
    }
    signal(SIGPIPE, SIG_IGN);
    std::vector<char*> arguments = execArguments(argv);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(input[0], 0);
        dup2(output[1], 1);
        execOrExit(arguments);
    }
    close(input[0]);
    close(output[1]);
    if (m_pid < 0) {
        close(input[1]);
        close(output[0]);
        throw std::runtime_error("fork failed");
    }
    m_input = input[1];
    m_output = output[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && finish(std::chrono::seconds(10)) < 0)
        kill();
    if (m_output >= 0)
        close(m_output);
}

bool ChildProcess::send(const std::string& line)
{
    std::string data = line + "\n";
    size_t written = 0;
    while (m_input >= 0 && written < data.size()) {
        ssize_t count = write(m_input, data.data() + written, data.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<size_t>(count);
    }
    return written == data.size();
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeLimit)
{
    auto deadline = std::chrono::steady_clock::now() + timeLimit;
    while (true) {
        size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_output < 0)
            return std::nullopt;
        pollfd descriptor { m_output, POLLIN, 0 };
        int ready = poll(&descriptor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[4096];
        ssize_t count = read(m_output, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return std::nullopt;
        m_buffer.append(buffer, static_cast<size_t>(count));
    }
}

bool ChildProcess::waitForLine(const std::string& line, std::vector<std::string>* before, std::chrono::milliseconds timeLimit)
{
    auto deadline = std::chrono::steady_clock::now() + timeLimit;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        std::optional<std::string> next = readLine(std::max(left, std::chrono::milliseconds(0)));
        if (!next)
            return false;
        if (*next == line)
            return true;
        if (before)
            before->push_back(*next);
    }
}

void ChildProcess::closeInput()
{
    if (m_input >= 0)
        close(m_input);
    m_input = -1;
}

int ChildProcess::finish(std::chrono::milliseconds timeLimit)
{
    closeInput();
    auto deadline = std::chrono::steady_clock::now() + timeLimit;
    while (m_pid > 0) {
        pid_t done = waitpid(m_pid, &m_status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            break;
        }
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        usleep(1000);
    }
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

void ChildProcess::kill()
{
    // Killed before its input closes: a program that ends at the end of its
    // input must not get to end normally first, as a killed one never does.
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
    closeInput();
    if (m_pid <= 0)
        return;
    while (waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) { }
    m_pid = -1;
}

} // namespace qv::testing
