#pragma once

#include "SBHomeScreenViewController.h"
#include "SBLockScreenViewController.h"
#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIApplicationDelegate.h"
#include "platform/UIKit/UIWindow.h"
#include "platform/objc/objc.h"

namespace qv {

// The SpringBoard application: it puts the home screen in its window when
// it finishes launching, turns it with the interface and locks it. It is
// its own application delegate: the application's launch reaches it as
// applicationDidFinishLaunching:.
class SpringBoard : public RuntimeInstance<NSObject>, public UIApplicationDelegate {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SpringBoard> create();


    // Message, sent through the runtime once at launch: the window comes
    // up with the icon controller's content view, every list is laid out
    // and the lock screen is ready.
    void applicationDidFinishLaunching(objc_object* application);

    // UIApplicationDelegate: sends applicationDidFinishLaunching: to itself.
    bool applicationDidFinishLaunchingWithOptions(UIApplication*, NSDictionary* launchOptions) override;

    bool hasFinishedLaunching() const { return m_finishedLaunching; }
    RefPtr<UIWindow> window() const { return m_window; }
    Ref<SBLockScreenViewController> lockScreenViewController() const { return m_lockScreenViewController; }
    // The device turns, and the interface with it (UIKit's rotation): NO
    // when it faces that way already or the value is no orientation.
    bool rotateToInterfaceOrientation(int64_t orientation);
    // The interface turned: the window, the lock screen and the home screen
    // take the screen's new shape.
    void layOutForInterfaceOrientation(int64_t orientation);

private:
    SpringBoard();
    ~SpringBoard() override = default;

    void stockApplicationDidFinishLaunching();

    RefPtr<UIWindow> m_window;
    RefPtr<SBHomeScreenViewController> m_homeScreenViewController;
    Ref<SBLockScreenViewController> m_lockScreenViewController;
    bool m_finishedLaunching = false;
};

struct SpringBoardMessages {
    static inline const ObjCMessage<SpringBoard, void(objc_object*)> applicationDidFinishLaunching { "applicationDidFinishLaunching:" };
};

} // namespace qv
