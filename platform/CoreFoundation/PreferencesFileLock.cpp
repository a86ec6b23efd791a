#include "PreferencesFileLock.h"

#include "LockWaitAlarm.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr uint64_t countSize = 8;
constexpr off_t ticketCounterOffset = 0;
constexpr off_t handOverCounterOffset = countSize;
constexpr uint64_t firstTicketByte = 8;
// Beyond any count reached; a higher one is bytes someone else wrote there.
constexpr uint64_t ticketLimit = uint64_t(1) << 62;

uint64_t byteOfTicket(uint64_t ticket)
{
    return firstTicketByte + ticket;
}

uint64_t decodeCount(const unsigned char* bytes)
{
    uint64_t count = 0;
    for (size_t i = 0; i < countSize; ++i)
        count |= uint64_t(bytes[i]) << (8 * i);
    return count;
}

void encodeCount(uint64_t count, unsigned char* bytes)
{
    for (size_t i = 0; i < countSize; ++i)
        bytes[i] = static_cast<unsigned char>(count >> (8 * i));
}

} // namespace

PreferencesFileLock::PreferencesFileLock(const std::filesystem::path& path, std::chrono::duration<double> longestWait)
    : m_fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    , m_progress(std::chrono::duration_cast<std::chrono::steady_clock::duration>(longestWait))
{
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    LockWaitAlarm alarm(m_progress.lookInterval());
    if (!alarm.isArmed()) {
        m_error = errno;
        fail();
        return;
    }
    if (takeTicket() && waitForEarlierTickets(m_ticket) && lockWholeFile())
        countHandOver();
}

PreferencesFileLock::~PreferencesFileLock()
{
    if (m_fd >= 0)
        close(m_fd); // closing lets go of every lock held through the file
}

bool PreferencesFileLock::takeTicket()
{
    if (!waitFor([&] { return setLock(F_OFD_SETLKW, F_WRLCK, 0, 1); }, std::nullopt))
        return false;
    // A file that is new, or made by an earlier version, starts at 0.
    m_ticket = readCount(ticketCounterOffset).value_or(0);
    if (m_ticket >= ticketLimit)
        m_ticket = 0;
    // Ticket 0 waits, before anyone can take a ticket after it, for the
    // tickets given out before the count went round: they are served first
    // and its byte is none they are waiting over.
    if (m_ticket == 0 && !waitForEarlierTickets(ticketLimit))
        return false;
    // Taken before the count is let go, so that whoever comes next finds it
    // held; waited for like any lock, in case a waiter still covers it.
    if (!waitFor([&] { return setLock(F_OFD_SETLKW, F_WRLCK, byteOfTicket(m_ticket), 1); }, std::nullopt))
        return false;
    if (m_ticket == 0 && setLock(F_OFD_SETLK, F_UNLCK, byteOfTicket(1), ticketLimit - 1) != 0)
        return fail();
    unsigned char counter[countSize];
    encodeCount(m_ticket + 1, counter);
    if (pwrite(m_fd, counter, sizeof counter, ticketCounterOffset) != static_cast<ssize_t>(sizeof counter))
        return fail();
    return setLock(F_OFD_SETLK, F_UNLCK, 0, 1) == 0 || fail();
}

// A read lock over the earlier tickets' bytes is granted once none of them
// is held any more, but those passed over.
bool PreferencesFileLock::waitForEarlierTickets(uint64_t end)
{
    m_firstWaitedFor = 0;
    return waitFor(
        [&] { return m_firstWaitedFor >= end ? 0 : setLock(F_OFD_SETLKW, F_RDLCK, byteOfTicket(m_firstWaitedFor), end - m_firstWaitedFor); },
        end);
}

bool PreferencesFileLock::lockWholeFile()
{
    return waitFor([&] { return flock(m_fd, LOCK_EX); }, std::nullopt);
}

void PreferencesFileLock::countHandOver()
{
    // Only the holder writes the count. Where it cannot (a full disk), the
    // waiters see no move and give up in time, as behind a stuck holder;
    // the lock is held all the same.
    unsigned char counter[countSize];
    encodeCount(readCount(handOverCounterOffset).value_or(0) + 1, counter);
    [[maybe_unused]] ssize_t written = pwrite(m_fd, counter, sizeof counter, handOverCounterOffset);
}

bool PreferencesFileLock::waitFor(const std::function<int()>& blockingCall, std::optional<uint64_t> ticketsBefore)
{
    while (blockingCall() != 0) {
        if (errno != EINTR)
            return fail();
        lookAtQueue(ticketsBefore);
        if (m_progress.hasStoodStillTooLong()) {
            m_timedOut = true;
            return fail();
        }
    }
    return true;
}

void PreferencesFileLock::lookAtQueue(std::optional<uint64_t> ticketsBefore)
{
    std::optional<uint64_t> firstAhead = ticketsBefore ? firstTicketInLine(m_firstWaitedFor, *ticketsBefore) : std::nullopt;
    m_progress.observe(readCount(handOverCounterOffset).value_or(0), firstAhead);
    // First in line, with nobody holding the lock, and yet it does not
    // take it: its process does not run.
    if (firstAhead && m_progress.firstAheadHasStalled() && wholeFileIsFree())
        m_firstWaitedFor = *firstAhead + 1;
}

// The first ticket from `from` on and before `end` whose byte another
// waiter holds.
std::optional<uint64_t> PreferencesFileLock::firstTicketInLine(uint64_t from, uint64_t end) const
{
    std::optional<uint64_t> first;
    while (from < end) {
        struct flock probe {};
        probe.l_type = F_RDLCK; // only the tickets' write locks stand in its way
        probe.l_whence = SEEK_SET;
        probe.l_start = static_cast<off_t>(byteOfTicket(from));
        probe.l_len = static_cast<off_t>(end - from);
        if (fcntl(m_fd, F_OFD_GETLK, &probe) != 0 || probe.l_type == F_UNLCK)
            break;
        // One of them; there may be an earlier one still.
        end = std::max(static_cast<uint64_t>(probe.l_start), byteOfTicket(from)) - firstTicketByte;
        first = end;
    }
    return first;
}

// Taken and let go at once when free: a lock cannot be looked at otherwise.
bool PreferencesFileLock::wholeFileIsFree() const
{
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    flock(m_fd, LOCK_UN);
    return true;
}

// The count at the offset; none when the file ends before it.
std::optional<uint64_t> PreferencesFileLock::readCount(off_t offset) const
{
    unsigned char bytes[countSize] = {};
    if (pread(m_fd, bytes, sizeof bytes, offset) != static_cast<ssize_t>(sizeof bytes))
        return std::nullopt;
    return decodeCount(bytes);
}

int PreferencesFileLock::setLock(int command, short type, uint64_t start, uint64_t length) const
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(start);
    range.l_len = static_cast<off_t>(length);
    return fcntl(m_fd, command, &range);
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
