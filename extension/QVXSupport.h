#pragma once

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSObject.h"
#include "platform/SpringBoard/SBIcon.h"
#include "platform/objc/objc.h"

#include <cstdint>

namespace qv {

// The directions of iconsToMoveFromIcon:isFolder:inDirection:.
enum QVXDirection : int32_t {
    QVXDirectionUp = 0,
    QVXDirectionDown = 1,
    QVXDirectionLeft = 2,
    QVXDirectionRight = 3,
};

// The query the extension offers other extensions in SpringBoard: which
// icons of the page on screen (or of the open folder) lie in a direction
// from an icon, measured on the positions the applied layouts give. Other
// extensions find it through the runtime by its class name, "QVXSupport",
// and +sharedInstance; its selectors and their types are the interface.
class QVXSupport : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static RefPtr<QVXSupport> sharedInstance();

    // The extension's master switch.
    bool enabled();
    // The icons to move from the icon in the direction, in slot order; nil
    // while the extension is off or when the icon is not on that list.
    RefPtr<NSArray> iconsToMoveFromIcon(SBIcon* icon, bool isFolder, int32_t inDirection);

private:
    QVXSupport() = default;
    ~QVXSupport() override = default;
};

struct QVXSupportMessages {
    static inline const ObjCClassMessage<RefPtr<QVXSupport>()> sharedInstance { "sharedInstance" };
    static inline const ObjCMessage<QVXSupport, bool()> enabled { "enabled" };
    static inline const ObjCMessage<QVXSupport, RefPtr<NSArray>(SBIcon*, bool, int32_t)> iconsToMoveFromIcon {
        "iconsToMoveFromIcon:isFolder:inDirection:"
    };
};

} // namespace qv
