// Another process of the device taking a preference domain's lock as a
// synchronisation does, for the tests:
//
//   qv_preferences_lock_holder LOCK_FILE LONGEST_WAIT HOLD LOG NAME
//
// It takes the lock of LOCK_FILE, waiting until the queue has stood still
// for LONGEST_WAIT seconds at the most. Holding it, it adds the line
// "NAME in" to the file LOG, waits HOLD seconds, adds "NAME out" and lets
// go by ending; so the log shows in what order the holders had the lock,
// and whether any two had it at once. It prints "locked" once it lets go,
// or "failed REASON" (and ends with 1) when it did not get the lock.

#include "platform/CoreFoundation/PreferencesFileLock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void appendLine(const char* log, const std::string& line)
{
    int file = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0)
        return;
    const std::string text = line + "\n";
    [[maybe_unused]] ssize_t written = write(file, text.data(), text.size());
    close(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s LOCK_FILE LONGEST_WAIT HOLD LOG NAME\n", argv[0]);
        return 2;
    }
    const std::string name = argv[5];
    {
        qv::PreferencesFileLock lock(argv[1], std::chrono::duration<double>(std::stod(argv[2])));
        if (!lock.isLocked()) {
            std::printf("failed %s\n", lock.timedOut() ? "the queue stood still" : std::strerror(lock.error()));
            return 1;
        }
        appendLine(argv[4], name + " in");
        std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(argv[3])));
        appendLine(argv[4], name + " out");
    }
    std::printf("locked\n");
    return 0;
}
