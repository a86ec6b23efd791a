// Transfers through the library against the curl program in the same run,
// against nginx on loopback: 1,000 kept-alive GETs of 1 KiB (ratio of wall
// times, target at most 1.1) and a 1 GiB download to a file (ratio of
// throughputs, target at least 0.9), each with its memory peak. Each side
// runs in a process of its own, so that each peak is its own. Arguments:
// download size in MiB, GET count, rounds.
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/DeviceRoot.h"

#include "testing/LoopbackNginx.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace qv;

namespace {

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user and system, all threads
    long peakKilobytes = 0;
    bool ok = false;
};

// Runs the work in a child process: its wall time and memory peak.
Run inChild(const std::function<bool()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0)
        _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

bool runCurl(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp("curl", argv.data());
    return false;
}

// Several rounds of both sides, taken in turns (library first in odd
// rounds, curl first in even ones) so that a change of the machine's load
// weighs on both alike; the medians are reported.
struct Comparison {
    std::vector<Run> library, curl;

    void add(const std::function<Run()>& runLibrary, const std::function<Run()>& runCurl)
    {
        if (library.size() % 2 == 0) {
            library.push_back(runLibrary());
            curl.push_back(runCurl());
        } else {
            curl.push_back(runCurl());
            library.push_back(runLibrary());
        }
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Each round, then the medians. The ratio is library over curl for times
// and curl over library (of times, so of throughputs inverted) when
// `throughput` is set, taken per round so both sides of a ratio share
// their moment.
void report(const std::string& what, const Comparison& comparison, bool throughput, const char* target)
{
    std::vector<double> librarySeconds, curlSeconds, ratios, libraryCPU, curlCPU;
    long libraryPeak = 0, curlPeak = 0;
    bool ok = true;
    for (size_t round = 0; round < comparison.library.size(); ++round) {
        const Run& library = comparison.library[round];
        const Run& curl = comparison.curl[round];
        const double ratio = throughput ? curl.seconds / library.seconds : library.seconds / curl.seconds;
        std::printf("  %s, round %zu: library %.3f s (cpu %.3f s)%s, curl %.3f s (cpu %.3f s)%s, ratio %.3f\n", what.c_str(), round + 1,
            library.seconds, library.cpuSeconds, library.ok ? "" : " FAILED", curl.seconds, curl.cpuSeconds, curl.ok ? "" : " FAILED", ratio);
        libraryCPU.push_back(library.cpuSeconds);
        curlCPU.push_back(curl.cpuSeconds);
        librarySeconds.push_back(library.seconds);
        curlSeconds.push_back(curl.seconds);
        ratios.push_back(ratio);
        libraryPeak = std::max(libraryPeak, library.peakKilobytes);
        curlPeak = std::max(curlPeak, curl.peakKilobytes);
        ok = ok && library.ok && curl.ok;
    }
    std::printf("%s: median library %.3f s (cpu %.3f s, peak %ld KiB), curl %.3f s (cpu %.3f s, peak %ld KiB), median ratio %.3f (%s)%s\n",
        what.c_str(), median(librarySeconds), median(libraryCPU), libraryPeak, median(curlSeconds), median(curlCPU), curlPeak, median(ratios),
        target, ok ? "" : ", FAILED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned long long downloadSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024) << 20;
    const int requests = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 5);
    qv::testing::LoopbackNginx nginx;
    if (!nginx.running())
        return 1;
    nginx.addFile("/small.bin", std::string(1024, 's'));
    // A sparse file: nginx reads zeros, the disk holds nothing.
    nginx.addFile("/huge.bin", "");
    std::filesystem::resize_file(nginx.documentRoot() / "huge.bin", downloadSize);

    const auto folder = std::filesystem::temp_directory_path() / ("qv-transfer-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "var/mobile");
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(false);

    std::printf("load average at the start: %s\n", loadAverage().c_str());
    const std::string small = nginx.url("/small.bin");
    const auto config = folder / "curl.config";
    {
        std::ofstream file(config);
        for (int i = 0; i < requests; ++i)
            file << "url = \"" << small << "\"\noutput = \"/dev/null\"\n";
    }
    Comparison gets;
    for (int round = 0; round < rounds; ++round)
        gets.add(
            [&] {
                return inChild([&] {
                    for (int i = 0; i < requests; ++i) {
                        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(small));
                        request->startSynchronous();
                        if (request->error() || request->rawResponseData().size() != 1024)
                            return false;
                    }
                    return true;
                });
            },
            [&] { return inChild([&] { return runCurl({ "curl", "-s", "-K", config.string() }); }); });
    report(std::to_string(requests) + " kept-alive GETs of 1 KiB", gets, false, "library time over curl's, target <= 1.1");

    const std::string huge = nginx.url("/huge.bin");
    Comparison downloads;
    for (int round = 0; round < rounds; ++round)
        downloads.add(
            [&] {
                Run run = inChild([&] {
                    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(huge));
                    request->setDownloadDestinationPath("/var/mobile/library.bin");
                    request->setTimeOutSeconds(60);
                    request->startSynchronous();
                    return !request->error() && std::filesystem::file_size(folder / "var/mobile/library.bin") == downloadSize;
                });
                std::filesystem::remove(folder / "var/mobile/library.bin");
                return run;
            },
            [&] {
                Run run = inChild([&] { return runCurl({ "curl", "-s", "-o", (folder / "curl.bin").string(), huge }); });
                std::filesystem::remove(folder / "curl.bin");
                return run;
            });
    report(std::to_string(downloadSize >> 20) + " MiB download to a file", downloads, true,
        "library throughput over curl's, target >= 0.9");
    std::printf("load average at the end: %s\n", loadAverage().c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
