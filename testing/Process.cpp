#include "Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::testing {

namespace {

struct Pipe {
    int fds[2] { -1, -1 };
    Pipe()
    {
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead() { if (fds[0] >= 0) close(fds[0]); fds[0] = -1; }
    void closeWrite() { if (fds[1] >= 0) close(fds[1]); fds[1] = -1; }
};

bool drain(int fd, std::string& into)
{
    char buffer[65536];
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count > 0) {
        into.append(buffer, static_cast<size_t>(count));
        return true;
    }
    return count < 0 && errno == EINTR;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input, std::chrono::milliseconds timeLimit)
{
    ProcessResult result;
    Pipe in, out, err;
    std::vector<char*> arguments = execArguments(argv);
    pid_t pid = fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        dup2(in.fds[0], 0);
        dup2(out.fds[1], 1);
        dup2(err.fds[1], 2);
        execOrExit(arguments);
    }
    in.closeRead();
    out.closeWrite();
    err.closeWrite();

    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (input.empty())
        in.closeWrite();
    else
        fcntl(in.fds[1], F_SETFL, O_NONBLOCK);

    auto deadline = std::chrono::steady_clock::now() + timeLimit;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3];
        nfds_t count = 0;
        if (outOpen)
            fds[count++] = { out.fds[0], POLLIN, 0 };
        if (errOpen)
            fds[count++] = { err.fds[0], POLLIN, 0 };
        if (in.fds[1] >= 0)
            fds[count++] = { in.fds[1], POLLOUT, 0 };
        if (poll(fds, count, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (nfds_t i = 0; i < count; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == out.fds[0])
                outOpen = drain(out.fds[0], result.output);
            else if (fds[i].fd == err.fds[0])
                errOpen = drain(err.fds[0], result.errors);
            else {
                ssize_t sent = write(in.fds[1], input.data() + written, input.size() - written);
                if (sent > 0)
                    written += static_cast<size_t>(sent);
                if (sent < 0 && errno != EAGAIN && errno != EINTR)
                    in.closeWrite();
                if (written == input.size())
                    in.closeWrite();
            }
        }
    }
    in.closeWrite();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::vector<char*> execArguments(const std::vector<std::string>& argv)
{
    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    return arguments;
}

void execOrExit(const std::vector<char*>& arguments)
{
    if (arguments.front())
        execvp(arguments.front(), arguments.data());
    _exit(127);
}

const char* pythonInterpreter()
{
    return "/usr/bin/python3";
}

ProcessResult runPython(const std::string& script, const std::vector<std::string>& arguments, const std::string& input)
{
    std::vector<std::string> argv { pythonInterpreter(), "-c", script };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProcess(argv, input);
}

std::vector<std::string> outputLines(const std::string& output)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

static std::string environmentOr(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

// CTest passes both folders to every test; a test program run by hand, or
// a test whose properties lost one of them, falls back on the folders it was
// built from.
std::string buildDirectory() { return environmentOr("QV_BUILD_DIR", QV_TESTING_BUILD_DIR); }
std::string sourceDirectory() { return environmentOr("QV_SOURCE_DIR", QV_TESTING_SOURCE_DIR); }

} // namespace qv::testing
