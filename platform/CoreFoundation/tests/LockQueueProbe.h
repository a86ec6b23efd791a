#pragma once

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace qv::testing {

// What a test sees of a preference domain's lock queue from outside.

// The next ticket, as the lock file holds it.
inline uint64_t nextLockTicket(const std::filesystem::path& lockFile)
{
    std::ifstream file(lockFile, std::ios::binary);
    std::string counter((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    uint64_t ticket = 0;
    for (size_t i = 0; i < 8 && i < counter.size(); ++i)
        ticket |= uint64_t(static_cast<unsigned char>(counter[i])) << (8 * i);
    return ticket;
}

// Whether a process holds the ticket count (byte 0) to take a ticket.
inline bool ticketCountIsHeld(const std::filesystem::path& lockFile)
{
    int fd = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 1;
    bool held = fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    close(fd);
    return held;
}

inline bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(30))
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Until the count shows `next` and nobody is taking a ticket: the process
// that took the one before is in line, holding nothing but its ticket.
inline bool waitForNextLockTicket(const std::filesystem::path& lockFile, uint64_t next)
{
    return waitUntil([&] { return nextLockTicket(lockFile) == next && !ticketCountIsHeld(lockFile); });
}

} // namespace qv::testing
