#pragma once

#include "platform/core/Ref.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class CFNotificationCenter;
class RunLoopSource;

using CFNotificationCenterRef = CFNotificationCenter*;

enum CFNotificationSuspensionBehavior {
    CFNotificationSuspensionBehaviorDrop = 1,
    CFNotificationSuspensionBehaviorCoalesce = 2,
    CFNotificationSuspensionBehaviorHold = 3,
    CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

// Called on the main run loop with the center, the observer token given
// when registering, the name, and (for Darwin notifications, always) no
// object and no user information.
using CFNotificationCallback = std::function<void(CFNotificationCenterRef center, void* observer, const std::string& name,
    const void* object, const void* userInfo)>;

// The Darwin notify center: names posted in any process of the device reach
// every process that observes them, the poster included. Each observing
// process listens on a datagram socket of its own, named by its process id,
// in the device's notify folder; a post sends the name to every socket
// there, waiting a moment for a peer whose queue is full and giving up on
// one that stays full. Notifications carry a name only
// and are delivered on the main run loop, in the order they were posted.
class CFNotificationCenter : public Object {
public:
    static CFNotificationCenter& darwinNotifyCenter();

    void addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name);
    // No name removes every registration of the observer.
    void removeObserver(const void* observer, const std::optional<std::string>& name);
    void postNotification(const std::string& name);

private:
    QV_MAKE_REF_FRIEND;
    CFNotificationCenter() = default;

    struct Observation {
        const void* observer;
        CFNotificationCallback callback;
        std::string name;
        std::atomic<bool> removed { false };
    };

    // Opens this process's socket on first need; it then stays for the life
    // of the process, removed from the folder when the process exits.
    bool startListening();
    void receivePending();
    void deliver(const std::string& name);
    // The name of this process's socket in the notify folder, or empty when
    // it does not listen.
    std::string ownSocketEntry();
    static void removeSocketAtExit();

    std::mutex m_lock;
    std::vector<std::shared_ptr<Observation>> m_observations;
    int m_socket = -1;
    std::string m_socketPath;
    int m_socketOwner = 0;
    RefPtr<RunLoopSource> m_source;
};

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();
// Object and suspension behaviour are accepted and ignored, as the Darwin
// center does.
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callBack,
    const std::string& name, const void* object, CFNotificationSuspensionBehavior suspensionBehavior);
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::optional<std::string>& name,
    const void* object);
void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer);
// Object, user information and the immediate-delivery flag are accepted and
// ignored: a Darwin notification carries its name alone.
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void* object,
    const void* userInfo, bool deliverImmediately);

} // namespace qv
