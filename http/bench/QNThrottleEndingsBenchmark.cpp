// Throttled downloads that must end: many downloads from nginx on loopback
// under the library-wide limit, each in a process of its own, a few at a
// time. A download whose last bytes fill the window's budget exactly (16 MiB
// at 4 MiB/s: four whole windows) has been seen to receive everything and
// then wait for its time-out. Prints how many ended how, with the time each
// failure took; exits 1 when any did not succeed.
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/DeviceRoot.h"

#include "testing/LoopbackNginx.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace qv;

namespace {

enum Outcome : int { Succeeded = 0, TimedOutWithEverything = 2, TimedOutShort = 3, OtherFailure = 4 };

const char* outcomeName(int outcome)
{
    switch (outcome) {
    case Succeeded: return "succeeded";
    case TimedOutWithEverything: return "timed out after receiving every byte";
    case TimedOutShort: return "timed out short of the end";
    default: return "failed otherwise";
    }
}

// One download in this (child) process: its outcome as the exit status.
[[noreturn]] void download(const std::string& url, unsigned long long size, unsigned long long limit, double timeOut)
{
    QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(false);
    QNHTTPRequest::setMaxBandwidthPerSecond(limit);
    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
    request->setTimeOutSeconds(timeOut);
    request->startSynchronous();
    const auto error = request->error();
    const bool everything = request->totalBytesRead() == size;
    if (!error)
        _exit(everything && request->rawResponseData().size() == size ? Succeeded : OtherFailure);
    if (error->code() == QNRequestTimedOutErrorType)
        _exit(everything ? TimedOutWithEverything : TimedOutShort);
    _exit(OtherFailure);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 40;
    const unsigned long long size = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 16) << 20;
    const unsigned long long limit = (argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 4096) << 10;
    const double timeOut = argc > 4 ? std::atof(argv[4]) : 8;
    const int parallel = argc > 5 ? std::atoi(argv[5]) : 4;
    if (runs <= 0 || size == 0 || limit == 0 || parallel <= 0)
        return 2;
    qv::testing::LoopbackNginx nginx;
    if (!nginx.running())
        return 1;
    // A sparse file: nginx reads zeros, the disk holds nothing.
    nginx.addFile("/endings.bin", "");
    std::filesystem::resize_file(nginx.documentRoot() / "endings.bin", size);
    const auto folder = std::filesystem::temp_directory_path() / ("qv-throttle-endings-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "var/mobile");
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    const std::string url = nginx.url("/endings.bin");

    using Clock = std::chrono::steady_clock;
    std::map<pid_t, Clock::time_point> running;
    std::map<int, int> counts;
    std::vector<std::pair<int, double>> failures;
    int started = 0;
    while (started < runs || !running.empty()) {
        while (started < runs && static_cast<int>(running.size()) < parallel) {
            const pid_t child = fork();
            if (child == 0)
                download(url, size, limit, timeOut);
            running.emplace(child, Clock::now());
            ++started;
        }
        int status = 0;
        const pid_t ended = wait(&status);
        if (ended < 0)
            break;
        const double seconds = std::chrono::duration<double>(Clock::now() - running[ended]).count();
        running.erase(ended);
        const int outcome = WIFEXITED(status) ? WEXITSTATUS(status) : OtherFailure;
        ++counts[outcome];
        if (outcome != Succeeded)
            failures.emplace_back(outcome, seconds);
    }
    std::filesystem::remove_all(folder);

    std::printf("%d throttled downloads of %llu MiB at %llu KiB/s, time-out %.0f s, %d at a time:\n", runs, size >> 20, limit >> 10,
        timeOut, parallel);
    for (const auto& [outcome, count] : counts)
        std::printf("  %d %s\n", count, outcomeName(outcome));
    for (const auto& [outcome, seconds] : failures)
        std::printf("  one %s after %.1f s\n", outcomeName(outcome), seconds);
    return failures.empty() ? 0 : 1;
}
