#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct sockaddr_un;

namespace qv::darwinnotify {

// The device's notify folder holds, for every process that observes Darwin
// notifications, a datagram socket named by the process's listener token
// ("<pid>-<random>", never used twice, so a stale entry can never be taken
// for a live one) and a folder "<token>.pending" of names posted while its
// queue was full: one file per name, so posts of one name coalesce and the
// folder holds at most one entry for each name posted.

// Longer names are refused when posted; a datagram of this size always fits.
constexpr size_t maximumNameLength = 4096;
inline constexpr const char* folderDevicePath = "/var/run/notify";

// The notify folder on this machine; none without a usable device root.
std::optional<std::string> hostFolder();

std::string newListenerToken();
std::string pendingFolderName(const std::string& token);
// A socket entry of the folder (as opposed to a pending folder or a
// temporary file).
bool isListenerEntry(const std::string& entry);

// The address of a socket in the folder. A path too long for a socket
// address is reached through the folder's open descriptor instead.
bool socketAddress(int folderFd, const std::string& folder, const std::string& entry, sockaddr_un& address);

// Records the name as pending for the listener; true when it is (also
// when it was already). False when the listener's pending folder is gone.
bool recordPending(int folderFd, const std::string& token, const std::string& name);

// Takes up to `limit` pending names of the listener out of its folder;
// `more` tells whether names were left for later. Temporary files of
// posters that were killed while recording are removed.
std::vector<std::string> takePending(int folderFd, const std::string& token, size_t limit, bool& more);

// Removes a listener's socket and pending folder.
void removeListener(int folderFd, const std::string& token);

// Removes pending folders whose listener socket is gone and whose process
// has ended (a process killed between making the one and the other).
void removeOrphanedPendingFolders(int folderFd);

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release();
    void reset(int fd);

private:
    int m_fd;
};

} // namespace qv::darwinnotify
