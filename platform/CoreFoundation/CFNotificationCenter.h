#pragma once

#include "platform/Foundation/DeviceRootState.h"
#include "platform/core/Ref.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qv {

class CFNotificationCenter;
class DarwinNotifyConnection;

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
// every process that observes them, the poster included, on its main run
// loop. Posts of one name may coalesce, but an observer always gets at least
// one delivery of a name after the last post of it, however busy it was; a
// post never waits for an observer. Notifications carry a name only. What
// this process observes belongs to the device root it was observed on: on
// another root the center starts afresh (see DarwinNotifyConnection).
class CFNotificationCenter : public Object {
public:
    static CFNotificationCenter& darwinNotifyCenter();

    void addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name);
    // No name removes every registration of the observer.
    void removeObserver(const void* observer, const std::optional<std::string>& name);
    void postNotification(const std::string& name);

private:
    QV_MAKE_REF_FRIEND;
    CFNotificationCenter();

    std::shared_ptr<DarwinNotifyConnection> connection();
    static void removeFilesAtExit();

    RootBound<std::shared_ptr<DarwinNotifyConnection>> m_connections;
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
