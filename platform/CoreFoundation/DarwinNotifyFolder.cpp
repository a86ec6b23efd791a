#include "DarwinNotifyFolder.h"

#include "platform/Foundation/DeviceRoot.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace qv::darwinnotify {

namespace {

const std::string pendingSuffix = ".pending";
const std::string temporaryPrefix = ".tmp-";
const std::string removedPrefix = ".removed-";

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// FNV-1a: the same in every process, so every poster finds the file of a name.
uint64_t nameHash(const std::string& name)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : name) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hex(uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The process a token, or a temporary file named after its writer, belongs to.
pid_t processOf(const std::string& text)
{
    return static_cast<pid_t>(std::atol(text.c_str()));
}

bool processHasEnded(pid_t process)
{
    return process > 0 && ::kill(process, 0) != 0 && errno == ESRCH;
}

std::optional<std::string> readEntry(int folderFd, const std::string& entry)
{
    Descriptor file(openat(folderFd, entry.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    std::string contents(maximumNameLength + 1, '\0');
    size_t filled = 0;
    while (filled < contents.size()) {
        ssize_t count = read(file.get(), contents.data() + filled, contents.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        filled += static_cast<size_t>(count);
    }
    contents.resize(filled);
    return contents;
}

// Writes the name in full under a temporary name, then links it in place,
// so that a reader never sees part of a name. False when the entry exists.
bool createEntry(int pendingFd, const std::string& entry, const std::string& name, bool& failed)
{
    static std::atomic<uint64_t> counter { 0 };
    const std::string temporary = temporaryPrefix + std::to_string(getpid()) + "-" + std::to_string(++counter);
    Descriptor file(openat(pendingFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    failed = file.get() < 0 || write(file.get(), name.data(), name.size()) != static_cast<ssize_t>(name.size());
    bool linked = false;
    if (!failed) {
        linked = linkat(pendingFd, temporary.c_str(), pendingFd, entry.c_str(), 0) == 0;
        failed = !linked && errno != EEXIST;
    }
    if (file.get() >= 0)
        unlinkat(pendingFd, temporary.c_str(), 0);
    return linked;
}

void removeFolderContents(int parentFd, const std::string& folder)
{
    Descriptor folderFd(openat(parentFd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folderFd.get() < 0)
        return;
    DIR* listing = fdopendir(dup(folderFd.get()));
    if (!listing)
        return;
    while (dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            unlinkat(folderFd.get(), entry->d_name, 0);
    }
    closedir(listing);
}

// Takes the folder out of posters' sight first, then empties and removes
// it; a poster that opened it just before may still add a file, so the
// emptying is tried again.
void removePendingFolder(int folderFd, const std::string& folder)
{
    std::string removed = folder;
    if (!startsWith(folder, removedPrefix)) {
        removed = removedPrefix + folder + "-" + hex(std::random_device {}());
        if (renameat(folderFd, folder.c_str(), folderFd, removed.c_str()) != 0)
            return;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        removeFolderContents(folderFd, removed);
        if (unlinkat(folderFd, removed.c_str(), AT_REMOVEDIR) == 0 || errno != ENOTEMPTY)
            return;
    }
}

} // namespace

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        close(m_fd);
}

void Descriptor::reset(int fd)
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = fd;
}

int Descriptor::release()
{
    return std::exchange(m_fd, -1);
}

std::optional<std::string> hostFolder()
{
    std::optional<std::filesystem::path> folder = DeviceRoot::resolve(folderDevicePath);
    if (!folder)
        return std::nullopt;
    return folder->string();
}

std::string newListenerToken()
{
    std::random_device random;
    uint64_t value = (static_cast<uint64_t>(random()) << 32) ^ random();
    return std::to_string(getpid()) + "-" + hex(value);
}

std::string pendingFolderName(const std::string& token)
{
    return token + pendingSuffix;
}

bool isListenerEntry(const std::string& entry)
{
    return !entry.empty() && entry.front() != '.' && !endsWith(entry, pendingSuffix);
}

bool socketAddress(int folderFd, const std::string& folder, const std::string& entry, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::string path = folder + "/" + entry;
    if (path.size() >= sizeof address.sun_path)
        path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + entry;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool recordPending(int folderFd, const std::string& token, const std::string& name)
{
    Descriptor pendingFd(openat(folderFd, pendingFolderName(token).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (pendingFd.get() < 0)
        return false;
    // Names whose hashes collide take the next free entry of the hash.
    const std::string stem = hex(nameHash(name)) + "-";
    for (int index = 0, tries = 0; index < 8 && tries < 32; ++tries) {
        const std::string entry = stem + std::to_string(index);
        if (std::optional<std::string> existing = readEntry(pendingFd.get(), entry)) {
            if (*existing == name)
                return true; // coalesced with the post still pending
            ++index;
            continue;
        }
        bool failed = false;
        if (createEntry(pendingFd.get(), entry, name, failed))
            return true;
        if (failed)
            return false;
        // Made by another poster meanwhile: look at it again.
    }
    return false;
}

std::vector<std::string> takePending(int folderFd, const std::string& token, size_t limit, bool& more)
{
    more = false;
    std::vector<std::string> names;
    Descriptor pendingFd(openat(folderFd, pendingFolderName(token).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    DIR* listing = pendingFd.get() < 0 ? nullptr : fdopendir(dup(pendingFd.get()));
    if (!listing)
        return names;
    while (dirent* entry = readdir(listing)) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..")
            continue;
        if (startsWith(entryName, temporaryPrefix)) {
            if (processHasEnded(processOf(entryName.substr(temporaryPrefix.size()))))
                unlinkat(pendingFd.get(), entryName.c_str(), 0);
            continue;
        }
        if (names.size() >= limit) {
            more = true;
            break;
        }
        // Read before it is removed: a post of the name that finds the entry
        // still there counts on the delivery that follows the removal.
        std::optional<std::string> name = readEntry(pendingFd.get(), entryName);
        unlinkat(pendingFd.get(), entryName.c_str(), 0);
        if (name && !name->empty() && name->size() <= maximumNameLength)
            names.push_back(std::move(*name));
    }
    closedir(listing);
    return names;
}

void removeListener(int folderFd, const std::string& token)
{
    unlinkat(folderFd, token.c_str(), 0);
    removePendingFolder(folderFd, pendingFolderName(token));
}

void removeOrphanedPendingFolders(int folderFd)
{
    DIR* listing = fdopendir(dup(folderFd));
    if (!listing)
        return;
    std::vector<std::string> orphans;
    while (dirent* entry = readdir(listing)) {
        const std::string entryName = entry->d_name;
        if (startsWith(entryName, removedPrefix)) {
            orphans.push_back(entryName);
            continue;
        }
        if (!endsWith(entryName, pendingSuffix))
            continue;
        const std::string token = entryName.substr(0, entryName.size() - pendingSuffix.size());
        struct stat socketFile;
        if (fstatat(folderFd, token.c_str(), &socketFile, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT
            && processHasEnded(processOf(token)))
            orphans.push_back(entryName);
    }
    closedir(listing);
    for (const std::string& orphan : orphans)
        removePendingFolder(folderFd, orphan);
}

} // namespace qv::darwinnotify
