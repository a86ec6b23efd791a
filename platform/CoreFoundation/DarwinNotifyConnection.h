#pragma once

#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/DarwinNotifyFolder.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unordered_set>
#include <vector>

namespace qv {

class RunLoopSource;

// This process's part in the Darwin notify center of one device root: its
// observers, its listener socket in the device's notify folder and its
// pending names. Made anew when the device root changes; the old one stops
// listening and removes its files when it goes.
//
// Delivery: a post sends the name to every listener socket without ever
// waiting. Where a listener's queue is full (it is busy or stopped), the
// name is recorded in its pending folder instead, one entry per name, and an
// empty datagram wakes it; the listener reads its pending names after every
// pass that read its socket. So a post never blocks, and a listener gets
// every name at least once after it catches up, coalesced per name. Posts
// to this process itself wait in a set of names for its main run loop.
class DarwinNotifyConnection : public std::enable_shared_from_this<DarwinNotifyConnection> {
public:
    explicit DarwinNotifyConnection(CFNotificationCenter& center);
    ~DarwinNotifyConnection();
    DarwinNotifyConnection(const DarwinNotifyConnection&) = delete;
    DarwinNotifyConnection& operator=(const DarwinNotifyConnection&) = delete;

    void addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name);
    void removeObserver(const void* observer, const std::optional<std::string>& name);
    void post(const std::string& name);
    // Removes the socket and pending folder at the end of the process that
    // made them (a child forked without exec does not own them).
    void removeFiles();

private:
    struct Observation {
        const void* observer;
        CFNotificationCallback callback;
        std::string name;
        std::atomic<bool> removed { false };
    };

    bool startListening();
    // One pass's share of what is waiting: a bounded number of datagrams,
    // then pending names.
    void receive();
    void takePendingNames();
    void postToSelf(const std::string& name);
    void deliverOwnPosts();
    void deliver(const std::string& name);
    void sendTo(int socketFd, int folderFd, const std::string& folder, const std::string& token, const std::string& name);
    std::string ownToken();

    CFNotificationCenter& m_center;
    std::mutex m_lock;
    std::vector<std::shared_ptr<Observation>> m_observations;
    darwinnotify::Descriptor m_folderFd;
    std::string m_folder;
    darwinnotify::Descriptor m_socket;
    std::string m_token;
    pid_t m_owner = 0;
    RefPtr<RunLoopSource> m_source;
    // Names this process posted to itself, in the order first posted, not
    // yet delivered.
    std::vector<std::string> m_ownPosts;
    std::unordered_set<std::string> m_ownPostNames;
};

} // namespace qv
