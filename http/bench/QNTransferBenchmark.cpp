// Transfers through the library against the curl program in the same run,
// against nginx on loopback: 1,000 kept-alive GETs of 1 KiB (ratio of wall
// times, target at most 1.1) and a 1 GiB download to a file (ratio of
// throughputs, target at least 0.9), each with its memory peak. Each side
// runs in a process of its own, so that each peak is its own.
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/DeviceRoot.h"

#include "testing/LoopbackNginx.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

using namespace qv;

namespace {

struct Run {
    double seconds = 0;
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

void report(const char* what, const Run& library, const Run& curl, double ratio, const char* target)
{
    std::printf("%s: library %.3f s (peak %ld KiB%s), curl %.3f s (peak %ld KiB%s), ratio %.3f (%s)\n", what, library.seconds, library.peakKilobytes,
        library.ok ? "" : ", FAILED", curl.seconds, curl.peakKilobytes, curl.ok ? "" : ", FAILED", ratio, target);
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned long long downloadSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024) << 20;
    const int requests = argc > 2 ? std::atoi(argv[2]) : 1000;
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

    const std::string small = nginx.url("/small.bin");
    Run library = inChild([&] {
        for (int i = 0; i < requests; ++i) {
            auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(small));
            request->startSynchronous();
            if (request->error() || request->rawResponseData().size() != 1024)
                return false;
        }
        return true;
    });
    const auto config = folder / "curl.config";
    {
        std::ofstream file(config);
        for (int i = 0; i < requests; ++i)
            file << "url = \"" << small << "\"\noutput = \"/dev/null\"\n";
    }
    Run curl = inChild([&] { return runCurl({ "curl", "-s", "-K", config.string() }); });
    report((std::to_string(requests) + " kept-alive GETs of 1 KiB").c_str(), library, curl, library.seconds / curl.seconds,
        "library time over curl's, target <= 1.1");

    const std::string huge = nginx.url("/huge.bin");
    library = inChild([&] {
        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(huge));
        request->setDownloadDestinationPath("/var/mobile/library.bin");
        request->setTimeOutSeconds(60);
        request->startSynchronous();
        return !request->error() && std::filesystem::file_size(folder / "var/mobile/library.bin") == downloadSize;
    });
    std::filesystem::remove(folder / "var/mobile/library.bin");
    curl = inChild([&] { return runCurl({ "curl", "-s", "-o", (folder / "curl.bin").string(), huge }); });
    std::filesystem::remove(folder / "curl.bin");
    report((std::to_string(downloadSize >> 20) + " MiB download to a file").c_str(), library, curl, curl.seconds / library.seconds,
        "library throughput over curl's, target >= 0.9");
    std::filesystem::remove_all(folder);
    return 0;
}
