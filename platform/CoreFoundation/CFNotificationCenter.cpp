#include "CFNotificationCenter.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"

#include "platform/core/Log.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <poll.h>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qv {

namespace {

// Longer names are refused when posted; a datagram of this size always fits.
constexpr size_t maximumNameLength = 4096;

const std::string notifyFolder = "/var/run/notify";

// The device's folder of notify sockets on this machine; none when no
// device root is set, so that nothing here ever touches this machine's /var.
std::optional<std::string> darwinNotifyDirectory()
{
    std::optional<std::filesystem::path> folder = DeviceRoot::resolve(notifyFolder);
    if (!folder)
        return std::nullopt;
    return folder->string();
}

// The address of a socket file in the notify folder. A path too long for a
// socket address is reached through the folder's open descriptor instead.
bool socketAddress(int directoryFd, const std::string& directory, const std::string& name, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::string path = directory + "/" + name;
    if (path.size() >= sizeof address.sun_path)
        path = "/proc/self/fd/" + std::to_string(directoryFd) + "/" + name;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// How long a post waits for room in a busy peer's queue. The kernel queues
// only a handful of datagrams per socket, so a burst of posts to a process
// that is busy for a moment must wait for it rather than lose notifications;
// a peer that stays full (stopped, or hung) is given up on, and for a while
// later posts to it drop at once instead of waiting again.
constexpr auto roomWaitBudget = std::chrono::milliseconds(500);
constexpr auto congestedPeerGrace = std::chrono::seconds(2);

std::mutex congestedPeersLock;
std::map<std::string, std::chrono::steady_clock::time_point> congestedPeers;

bool recentlyCongested(const std::string& entry)
{
    std::lock_guard guard(congestedPeersLock);
    auto found = congestedPeers.find(entry);
    if (found == congestedPeers.end())
        return false;
    if (std::chrono::steady_clock::now() - found->second < congestedPeerGrace)
        return true;
    congestedPeers.erase(found);
    return false;
}

void markCongested(const std::string& entry)
{
    std::lock_guard guard(congestedPeersLock);
    congestedPeers[entry] = std::chrono::steady_clock::now();
}

// Waits for room in the peer's queue, then sends. A socket connected to the
// peer polls writable exactly when the peer's queue has room.
bool sendWhenRoom(const sockaddr_un& address, const std::string& name)
{
    Descriptor connected(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (connected.get() < 0 || connect(connected.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    auto deadline = std::chrono::steady_clock::now() + roomWaitBudget;
    while (true) {
        if (send(connected.get(), name.data(), name.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
            return true;
        if (errno != EAGAIN && errno != EINTR)
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd room { connected.get(), POLLOUT, 0 };
        poll(&room, 1, static_cast<int>(left.count()));
    }
}

void sendName(int socketFd, int directoryFd, const std::string& directory, const std::string& entry, const std::string& name)
{
    sockaddr_un address;
    if (!socketAddress(directoryFd, directory, entry, address))
        return;
    if (sendto(socketFd, name.data(), name.size(), MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), sizeof address) >= 0)
        return;
    switch (errno) {
    case ECONNREFUSED:
        // The process that listened here has ended: its file must not slow
        // or fail later posts.
        unlinkat(directoryFd, entry.c_str(), 0);
        break;
    case ENOENT:
        break; // it went away meanwhile
    case EAGAIN:
        if (!recentlyCongested(entry) && sendWhenRoom(address, name))
            break;
        markCongested(entry);
        logLine("CFNotificationCenter: the notification queue of process " + entry + " is full; \"" + name + "\" is dropped for it");
        break;
    default:
        logLine("CFNotificationCenter: cannot notify process " + entry + ": " + std::strerror(errno));
    }
}

} // namespace

CFNotificationCenter& CFNotificationCenter::darwinNotifyCenter()
{
    // Lives as long as the process: its socket does too.
    static CFNotificationCenter* center = makeRef<CFNotificationCenter>().leak();
    return *center;
}

void CFNotificationCenter::addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name)
{
    auto observation = std::make_shared<Observation>();
    observation->observer = observer;
    observation->callback = std::move(callBack);
    observation->name = name;
    std::lock_guard guard(m_lock);
    if (!startListening())
        return;
    m_observations.push_back(std::move(observation));
}

void CFNotificationCenter::removeObserver(const void* observer, const std::optional<std::string>& name)
{
    std::vector<std::shared_ptr<Observation>> removed;
    std::lock_guard guard(m_lock);
    std::erase_if(m_observations, [&](const std::shared_ptr<Observation>& observation) {
        if (observation->observer != observer || (name && observation->name != *name))
            return false;
        observation->removed = true;
        removed.push_back(observation);
        return true;
    });
}

bool CFNotificationCenter::startListening()
{
    if (m_socket >= 0)
        return true;
    std::optional<std::string> directory = darwinNotifyDirectory();
    if (!directory) {
        logLine("CFNotificationCenter: the notify folder of the device cannot be reached; Darwin notifications cannot be observed");
        return false;
    }
    NSFileManager::defaultManager()->createDirectoryAtPath(notifyFolder, true);
    Descriptor directoryFd(open(directory->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Descriptor socketFd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    std::string name = std::to_string(getpid());
    sockaddr_un address;
    if (directoryFd.get() < 0 || socketFd.get() < 0 || !socketAddress(directoryFd.get(), *directory, name, address)) {
        logLine("CFNotificationCenter: cannot open a notify socket in " + *directory);
        return false;
    }
    // A file of an earlier process that had this id is stale by now.
    unlinkat(directoryFd.get(), name.c_str(), 0);
    if (bind(socketFd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        logLine("CFNotificationCenter: cannot listen in " + *directory + ": " + std::strerror(errno));
        return false;
    }
    m_socket = socketFd.release();
    m_socketPath = *directory + "/" + name;
    m_socketOwner = getpid();
    m_source = RunLoopSource::create(m_socket, [this] { receivePending(); });
    NSRunLoop::mainRunLoop()->addSource(*m_source, NSRunLoopCommonModes);
    std::atexit(removeSocketAtExit);
    return true;
}

void CFNotificationCenter::removeSocketAtExit()
{
    CFNotificationCenter& center = darwinNotifyCenter();
    // A child forked without exec runs this too, but the socket is not its own.
    if (center.m_socketOwner == getpid())
        unlink(center.m_socketPath.c_str());
}

void CFNotificationCenter::receivePending()
{
    char buffer[maximumNameLength];
    while (true) {
        ssize_t length = recv(m_socket, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0)
            return;
        if (static_cast<size_t>(length) > sizeof buffer) {
            logLine("CFNotificationCenter: a notification name too long was dropped");
            continue;
        }
        deliver(std::string(buffer, static_cast<size_t>(length)));
    }
}

void CFNotificationCenter::deliver(const std::string& name)
{
    std::vector<std::shared_ptr<Observation>> matching;
    {
        std::lock_guard guard(m_lock);
        for (const std::shared_ptr<Observation>& observation : m_observations) {
            if (observation->name == name)
                matching.push_back(observation);
        }
    }
    for (const std::shared_ptr<Observation>& observation : matching) {
        // An earlier callback may have removed this observer.
        if (!observation->removed && observation->callback)
            observation->callback(this, const_cast<void*>(observation->observer), name, nullptr, nullptr);
    }
}

std::string CFNotificationCenter::ownSocketEntry()
{
    std::lock_guard guard(m_lock);
    if (m_socket < 0 || m_socketOwner != getpid())
        return {};
    return std::to_string(m_socketOwner);
}

void CFNotificationCenter::postNotification(const std::string& name)
{
    if (name.empty() || name.size() > maximumNameLength) {
        logLine("CFNotificationCenter: a notification name must have 1 to 4096 bytes; not posted");
        return;
    }
    std::optional<std::string> directory = darwinNotifyDirectory();
    if (!directory) {
        logLine("CFNotificationCenter: the notify folder of the device cannot be reached; \"" + name + "\" is not posted");
        return;
    }
    Descriptor directoryFd(open(directory->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directoryFd.get() < 0)
        return; // no process has ever observed anything on this device
    Descriptor socketFd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    DIR* listing = fdopendir(dup(directoryFd.get()));
    if (socketFd.get() < 0 || !listing) {
        logLine("CFNotificationCenter: cannot post \"" + name + "\": " + std::strerror(errno));
        if (listing)
            closedir(listing);
        return;
    }
    std::string ownEntry = ownSocketEntry();
    while (dirent* entry = readdir(listing)) {
        std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..")
            continue;
        if (entryName == ownEntry) {
            // Our own queue drains only on our main run loop, which may be
            // the very thread posting: hand the post to that loop directly.
            NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [this, name] { deliver(name); });
            continue;
        }
        sendName(socketFd.get(), directoryFd.get(), *directory, entryName, name);
    }
    closedir(listing);
}

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter()
{
    return &CFNotificationCenter::darwinNotifyCenter();
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callBack,
    const std::string& name, const void*, CFNotificationSuspensionBehavior)
{
    if (center)
        center->addObserver(observer, std::move(callBack), name);
}

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::optional<std::string>& name,
    const void*)
{
    if (center)
        center->removeObserver(observer, name);
}

void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer)
{
    if (center)
        center->removeObserver(observer, std::nullopt);
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void*, const void*, bool)
{
    if (center)
        center->postNotification(name);
}

} // namespace qv
