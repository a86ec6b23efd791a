#include "PreferencesFileLock.h"

#include "LockWaitAlarm.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr uint64_t ticketCounterSize = 8;
constexpr uint64_t firstTicketByte = ticketCounterSize;

uint64_t decodeTicket(const unsigned char* bytes)
{
    uint64_t ticket = 0;
    for (size_t i = 0; i < ticketCounterSize; ++i)
        ticket |= uint64_t(bytes[i]) << (8 * i);
    return ticket;
}

void encodeTicket(uint64_t ticket, unsigned char* bytes)
{
    for (size_t i = 0; i < ticketCounterSize; ++i)
        bytes[i] = static_cast<unsigned char>(ticket >> (8 * i));
}

} // namespace

PreferencesFileLock::PreferencesFileLock(const std::filesystem::path& path, std::chrono::duration<double> longestWait)
    : m_fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
{
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    LockWaitAlarm alarm(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(longestWait));
    if (!alarm.isArmed()) {
        m_error = errno;
        fail();
        return;
    }
    uint64_t ticket = 0;
    if (!takeTicket(alarm, ticket))
        return;
    // A read lock over the earlier tickets' bytes is granted once none of
    // them is held any more.
    if (ticket > 0 && !lockBytes(F_RDLCK, firstTicketByte, ticket, &alarm))
        return;
    lockWholeFile(alarm);
}

PreferencesFileLock::~PreferencesFileLock()
{
    if (m_fd >= 0)
        close(m_fd); // closing lets go of every lock held through the file
}

bool PreferencesFileLock::takeTicket(const LockWaitAlarm& alarm, uint64_t& ticket)
{
    if (!lockBytes(F_WRLCK, 0, 1, &alarm))
        return false;
    unsigned char counter[ticketCounterSize] = {};
    ssize_t count = pread(m_fd, counter, sizeof counter, 0);
    if (count < 0)
        return fail();
    // A file that is new, or made by an earlier version, starts at 0.
    ticket = count == static_cast<ssize_t>(sizeof counter) ? decodeTicket(counter) : 0;
    if (ticket >= (uint64_t(1) << 62))
        ticket = 0; // beyond any count reached: bytes someone else wrote there

    encodeTicket(ticket + 1, counter);
    if (pwrite(m_fd, counter, sizeof counter, 0) != static_cast<ssize_t>(sizeof counter))
        return fail();
    // Nobody else has this ticket, so its byte is free at once; it is taken
    // before the counter is let go, so that whoever comes next finds it held.
    if (!lockBytes(F_WRLCK, firstTicketByte + ticket, 1, nullptr))
        return false;
    return lockBytes(F_UNLCK, 0, 1, nullptr);
}

// Waits (in the kernel, until the alarm) when given an alarm.
bool PreferencesFileLock::lockBytes(short type, uint64_t start, uint64_t length, const LockWaitAlarm* alarm)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(start);
    range.l_len = static_cast<off_t>(length);
    if (!alarm)
        return fcntl(m_fd, F_OFD_SETLK, &range) == 0 || fail();
    return waitUntil(*alarm, [&] { return fcntl(m_fd, F_OFD_SETLKW, &range); });
}

bool PreferencesFileLock::lockWholeFile(const LockWaitAlarm& alarm)
{
    return waitUntil(alarm, [&] { return flock(m_fd, LOCK_EX); });
}

bool PreferencesFileLock::waitUntil(const LockWaitAlarm& alarm, const std::function<int()>& blockingCall)
{
    while (blockingCall() != 0) {
        if (errno != EINTR)
            return fail();
        if (alarm.deadlineHasPassed()) {
            m_timedOut = true;
            return fail();
        }
    }
    return true;
}

bool PreferencesFileLock::fail()
{
    if (!m_timedOut && m_error == 0)
        m_error = errno;
    close(m_fd);
    m_fd = -1;
    return false;
}

} // namespace qv
