// Writers contending for one preference domain: each of N processes sets a
// key of its own and synchronises, M times over, all at once. Prints, for
// each number of writers, the slowest synchronisation any writer saw, how
// many failed, and the synchronisations per second over the whole run.
// The slowest wait is the figure to watch: waiters are served in turn, so
// it grows with the number of writers ahead. A synchronisation fails only
// when the lock's queue stands still for its bound (5 s), however long the
// wait: any failure here is a fault.
//
//   qv_preferences_contention_benchmark [SETS [WRITERS...]]
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSString.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string domain = "com.example.contention";

struct WriterResult {
    double slowestSeconds = 0;
    int failures = 0;
};

// In a child process: its sets and synchronisations.
WriterResult write(int writer, int sets)
{
    WriterResult result;
    for (int set = 0; set < sets; ++set) {
        qv::CFPreferencesSetAppValue("w" + std::to_string(writer) + "-" + std::to_string(set), qv::NSString::create("value"), domain);
        auto start = std::chrono::steady_clock::now();
        if (!qv::CFPreferencesAppSynchronize(domain))
            ++result.failures;
        result.slowestSeconds = std::max(result.slowestSeconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return result;
}

void runRound(int writers, int sets)
{
    std::filesystem::path root = std::filesystem::temp_directory_path() / ("qv-contention-" + std::to_string(getpid()) + "-" + std::to_string(writers));
    std::filesystem::create_directories(root);
    setenv("QV_ROOT", root.c_str(), 1);
    std::vector<std::pair<pid_t, int>> children;
    auto start = std::chrono::steady_clock::now();
    for (int writer = 0; writer < writers; ++writer) {
        int channel[2];
        if (pipe(channel) != 0)
            std::exit(1);
        pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            WriterResult result = write(writer, sets);
            ssize_t written = ::write(channel[1], &result, sizeof result);
            _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
        }
        close(channel[1]);
        children.emplace_back(child, channel[0]);
    }
    WriterResult total;
    for (auto [child, channel] : children) {
        WriterResult result;
        if (read(channel, &result, sizeof result) == static_cast<ssize_t>(sizeof result)) {
            total.slowestSeconds = std::max(total.slowestSeconds, result.slowestSeconds);
            total.failures += result.failures;
        } else {
            total.failures += sets;
        }
        close(channel);
        waitpid(child, nullptr, 0);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%3d writers x %d sets: slowest synchronise %.3f s, %d failed, %.0f synchronises/s\n", writers, sets,
        total.slowestSeconds, total.failures, writers * sets / seconds);
    std::filesystem::remove_all(root);
}

} // namespace

int main(int argc, char** argv)
{
    int sets = argc > 1 ? std::atoi(argv[1]) : 40;
    std::vector<int> writers;
    for (int i = 2; i < argc; ++i)
        writers.push_back(std::atoi(argv[i]));
    if (writers.empty())
        writers = { 8, 32, 64 };
    for (int count : writers)
        runRound(count, sets);
    return 0;
}
