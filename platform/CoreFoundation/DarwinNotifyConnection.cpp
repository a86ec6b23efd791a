#include "DarwinNotifyConnection.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"

#include "platform/core/Log.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qv {

using namespace darwinnotify;

namespace {

// What one pass of the run loop reads at most, so that a flood of posts
// cannot keep the loop from its timers; the rest waits for the next pass.
constexpr int datagramsPerPass = 64;
constexpr size_t pendingNamesPerPass = 256;

} // namespace

DarwinNotifyConnection::DarwinNotifyConnection(CFNotificationCenter& center)
    : m_center(center)
{
}

DarwinNotifyConnection::~DarwinNotifyConnection()
{
    if (m_source)
        m_source->invalidate();
    removeFiles();
}

void DarwinNotifyConnection::removeFiles()
{
    std::lock_guard guard(m_lock);
    if (m_socket.get() >= 0 && m_owner == getpid())
        removeListener(m_folderFd.get(), m_token);
}

void DarwinNotifyConnection::addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name)
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

void DarwinNotifyConnection::removeObserver(const void* observer, const std::optional<std::string>& name)
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

bool DarwinNotifyConnection::startListening()
{
    if (m_socket.get() >= 0)
        return true;
    std::optional<std::string> folder = hostFolder();
    if (!folder) {
        logLine("CFNotificationCenter: the notify folder of the device cannot be reached; Darwin notifications cannot be observed");
        return false;
    }
    NSFileManager::defaultManager()->createDirectoryAtPath(folderDevicePath, true);
    Descriptor folderFd(open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Descriptor socketFd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const std::string token = newListenerToken();
    sockaddr_un address;
    if (folderFd.get() < 0 || socketFd.get() < 0 || !socketAddress(folderFd.get(), *folder, token, address)) {
        logLine("CFNotificationCenter: cannot open a notify socket in " + *folder);
        return false;
    }
    removeOrphanedPendingFolders(folderFd.get());
    // The pending folder comes first: a poster that sees the socket can
    // always record what does not fit.
    if (mkdirat(folderFd.get(), pendingFolderName(token).c_str(), 0755) != 0
        || bind(socketFd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        logLine("CFNotificationCenter: cannot listen in " + *folder + ": " + std::strerror(errno));
        unlinkat(folderFd.get(), pendingFolderName(token).c_str(), AT_REMOVEDIR);
        return false;
    }
    m_folderFd.reset(folderFd.release());
    m_folder = *folder;
    m_socket.reset(socketFd.release());
    m_token = token;
    m_owner = getpid();
    std::weak_ptr<DarwinNotifyConnection> weakThis = weak_from_this();
    m_source = RunLoopSource::create(m_socket.get(), [weakThis] {
        if (std::shared_ptr<DarwinNotifyConnection> connection = weakThis.lock())
            connection->receive();
    });
    NSRunLoop::mainRunLoop()->addSource(*m_source, NSRunLoopCommonModes);
    return true;
}

void DarwinNotifyConnection::receive()
{
    char buffer[maximumNameLength];
    bool readAny = false;
    for (int count = 0; count < datagramsPerPass; ++count) {
        ssize_t length = recv(m_socket.get(), buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0)
            break;
        readAny = true;
        if (length == 0)
            continue; // a wake-up: names are pending
        if (static_cast<size_t>(length) > sizeof buffer) {
            logLine("CFNotificationCenter: a notification name too long was dropped");
            continue;
        }
        deliver(std::string(buffer, static_cast<size_t>(length)));
    }
    // A poster records a pending name before it tries to wake this process,
    // and tries only when the queue is full; so reading after every pass
    // that took something from the queue finds every pending name.
    if (readAny)
        takePendingNames();
}

void DarwinNotifyConnection::takePendingNames()
{
    bool more = false;
    for (const std::string& name : takePending(m_folderFd.get(), m_token, pendingNamesPerPass, more))
        deliver(name);
    if (!more)
        return;
    std::weak_ptr<DarwinNotifyConnection> weakThis = weak_from_this();
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [weakThis] {
        if (std::shared_ptr<DarwinNotifyConnection> connection = weakThis.lock())
            connection->takePendingNames();
    });
}

void DarwinNotifyConnection::deliver(const std::string& name)
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
            observation->callback(&m_center, const_cast<void*>(observation->observer), name, nullptr, nullptr);
    }
}

std::string DarwinNotifyConnection::ownToken()
{
    std::lock_guard guard(m_lock);
    return m_socket.get() >= 0 && m_owner == getpid() ? m_token : std::string();
}

void DarwinNotifyConnection::post(const std::string& name)
{
    if (name.empty() || name.size() > maximumNameLength) {
        logLine("CFNotificationCenter: a notification name must have 1 to 4096 bytes; not posted");
        return;
    }
    std::optional<std::string> folder = hostFolder();
    if (!folder) {
        logLine("CFNotificationCenter: the notify folder of the device cannot be reached; \"" + name + "\" is not posted");
        return;
    }
    Descriptor folderFd(open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0)
        return; // no process has ever observed anything on this device
    Descriptor socketFd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    DIR* listing = fdopendir(dup(folderFd.get()));
    if (socketFd.get() < 0 || !listing) {
        logLine("CFNotificationCenter: cannot post \"" + name + "\": " + std::strerror(errno));
        if (listing)
            closedir(listing);
        return;
    }
    const std::string own = ownToken();
    std::vector<std::string> tokens;
    while (dirent* entry = readdir(listing)) {
        if (isListenerEntry(entry->d_name))
            tokens.push_back(entry->d_name);
    }
    closedir(listing);
    for (const std::string& token : tokens) {
        if (token == own)
            postToSelf(name);
        else
            sendTo(socketFd.get(), folderFd.get(), *folder, token, name);
    }
}

void DarwinNotifyConnection::sendTo(int socketFd, int folderFd, const std::string& folder, const std::string& token, const std::string& name)
{
    sockaddr_un address;
    if (!socketAddress(folderFd, folder, token, address))
        return;
    auto send = [&](const std::string& bytes) {
        return sendto(socketFd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), sizeof address) >= 0;
    };
    if (send(name))
        return;
    switch (errno) {
    case ECONNREFUSED:
        // Nothing listens there any more, and tokens are never used again:
        // the process ended without removing its files.
        removeListener(folderFd, token);
        break;
    case ENOENT:
        break; // it went away meanwhile
    case EAGAIN:
    case ENOBUFS:
        // Busy or stopped: the name waits in its pending folder, and a wake-up
        // goes after it (when even that does not fit, the queue is full and
        // the listener reads its pending names once it has read the queue).
        if (!recordPending(folderFd, token, name))
            logLine("CFNotificationCenter: cannot keep \"" + name + "\" for the busy process " + token);
        send(std::string());
        break;
    default:
        logLine("CFNotificationCenter: cannot notify process " + token + ": " + std::strerror(errno));
    }
}

void DarwinNotifyConnection::postToSelf(const std::string& name)
{
    // Our own queue drains only on our main run loop, which may be the very
    // thread posting: the name waits for that loop, once however often it
    // is posted meanwhile.
    {
        std::lock_guard guard(m_lock);
        if (!m_ownPostNames.insert(name).second)
            return;
        m_ownPosts.push_back(name);
        if (m_ownPosts.size() > 1)
            return; // a delivery is on its way
    }
    std::weak_ptr<DarwinNotifyConnection> weakThis = weak_from_this();
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [weakThis] {
        if (std::shared_ptr<DarwinNotifyConnection> connection = weakThis.lock())
            connection->deliverOwnPosts();
    });
}

void DarwinNotifyConnection::deliverOwnPosts()
{
    std::vector<std::string> names;
    {
        std::lock_guard guard(m_lock);
        names.swap(m_ownPosts);
        m_ownPostNames.clear();
    }
    for (const std::string& name : names)
        deliver(name);
}

} // namespace qv
