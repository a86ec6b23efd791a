// Bandwidth throttling against its limit: a 256 MiB download from nginx on
// loopback, to a file, with the library-wide limit at 4 MiB/s. Prints the
// achieved rate over the limit (target 1 +- 0.03) and the memory peak.
// Within each one-second window the bytes come as fast as loopback allows
// and the connection then waits for the next window; the last window does
// not wait, so over N windows the ratio sits about 1/N above 1 (64 windows
// by default).
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/DeviceRoot.h"

#include "testing/LoopbackNginx.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace qv;

int main(int argc, char** argv)
{
    const unsigned long long downloadSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256) << 20;
    const unsigned long long limit = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 4096) << 10;
    if (downloadSize == 0 || limit == 0)
        return 2;
    qv::testing::LoopbackNginx nginx;
    if (!nginx.running())
        return 1;
    // A sparse file: nginx reads zeros, the disk holds nothing.
    nginx.addFile("/huge.bin", "");
    std::filesystem::resize_file(nginx.documentRoot() / "huge.bin", downloadSize);
    const auto folder = std::filesystem::temp_directory_path() / ("qv-throttle-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "var/mobile");
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    const std::string url = nginx.url("/huge.bin");

    // The download runs in a process of its own, so that the peak is its own.
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(false);
        QNHTTPRequest::setMaxBandwidthPerSecond(limit);
        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
        request->setDownloadDestinationPath("/var/mobile/throttled.bin");
        request->setTimeOutSeconds(60);
        request->startSynchronous();
        _exit(!request->error() && std::filesystem::file_size(folder / "var/mobile/throttled.bin") == downloadSize ? 0 : 1);
    }
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;

    const double achieved = static_cast<double>(downloadSize) / seconds;
    const double ratio = achieved / static_cast<double>(limit);
    const double windows = std::ceil(static_cast<double>(downloadSize) / static_cast<double>(limit));
    std::printf("%llu MiB download at a limit of %llu KiB/s: %.3f s over %.0f windows, %.0f KiB/s achieved (peak %ld KiB%s), "
                "ratio %.4f (achieved over limit, target 1 +- 0.03: %s)\n",
        downloadSize >> 20, limit >> 10, seconds, windows, achieved / 1024, usage.ru_maxrss, ok ? "" : ", FAILED", ratio,
        std::fabs(ratio - 1) <= 0.03 ? "met" : "missed");
    return ok ? 0 : 1;
}
