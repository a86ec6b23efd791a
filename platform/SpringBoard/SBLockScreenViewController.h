#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIView.h"
#include "platform/core/WeakPtr.h"
#include "platform/objc/objc.h"

namespace qv {

// The lock screen: while the device is locked its view covers the window
// it was given, and unlocking finishes with finishUIUnlockFromSource:.
class SBLockScreenViewController : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBLockScreenViewController> create();


    // Message, sent through the runtime: the lock screen goes away and the
    // home screen is back.
    void finishUIUnlockFromSource(int32_t source);

    bool isLocked() const { return m_locked; }
    void lock();
    // Where the lock screen shows; weak.
    void setContainer(UIView* container);
    RefPtr<UIView> view() const { return m_view; }

private:
    SBLockScreenViewController();
    ~SBLockScreenViewController() override = default;

    void stockFinishUIUnlock(int32_t source);

    Ref<UIView> m_view;
    WeakPtr<UIView> m_container;
    bool m_locked = false;
};

struct SBLockScreenViewControllerMessages {
    static inline const ObjCMessage<SBLockScreenViewController, void(int32_t)> finishUIUnlockFromSource { "finishUIUnlockFromSource:" };
};

} // namespace qv
