#include "SpringBoard.h"

#include "SBIconContentView.h"
#include "SBIconController.h"
#include "SBLockScreenViewController.h"
#include "SpringBoardRuntime.h"
#include "SpringBoardTypes.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UIWindow.h"
#include "platform/core/Log.h"

namespace qv {

void SpringBoard::registerClass()
{
    SBDefineClass<SpringBoard>("NSObject", "SpringBoard", [](Class cls) {
        SBAddMethod(cls, "applicationDidFinishLaunching:", [](SpringBoard* self, objc_object*) { self->stockApplicationDidFinishLaunching(); });
    });
}

Ref<SpringBoard> SpringBoard::create()
{
    return makeRef<SpringBoard>();
}

SpringBoard::SpringBoard()
    : m_lockScreenViewController(SBLockScreenViewController::create())
{
}

void SpringBoard::applicationDidFinishLaunching(objc_object* application)
{
    msgSend(this, "applicationDidFinishLaunching:", application);
}

bool SpringBoard::applicationDidFinishLaunchingWithOptions(UIApplication*, NSDictionary*)
{
    applicationDidFinishLaunching(this);
    return true;
}

void SpringBoard::stockApplicationDidFinishLaunching()
{
    if (m_finishedLaunching)
        return;
    m_finishedLaunching = true;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    CGSize screen = SBCurrentGridMetrics().screenSize(SBGridOrientationFor(controller ? controller->orientation() : UIInterfaceOrientationPortrait));
    m_window = makeRef<UIWindow>(CGRect { CGPointZero, screen });
    if (controller) {
        m_window->addSubview(RefPtr<UIView>(controller->contentViewObject()));
        controller->finishLaunching();
    }
    m_lockScreenViewController->setContainer(m_window.get());
    m_window->makeKeyAndVisible();
    logLine("SpringBoard: finished launching");
}

bool SpringBoard::rotateToInterfaceOrientation(int64_t orientation)
{
    if (!UIInterfaceOrientationIsValid(orientation))
        return false;
    // The device and the status bar; nothing happens there when they face
    // that way already, and the home screen follows all the same.
    UIInterfaceRotation::rotateToInterfaceOrientation(static_cast<UIInterfaceOrientation>(orientation));
    CGSize screen = SBCurrentGridMetrics().screenSize(SBGridOrientationFor(orientation));
    UIScreen::mainScreen().setBounds(CGRect { CGPointZero, screen });
    if (m_window)
        m_window->setFrame(CGRect { CGPointZero, screen });
    if (RefPtr<UIView> lockView = m_lockScreenViewController->view(); lockView && lockView->superview())
        lockView->setFrame(CGRect { CGPointZero, screen });
    if (RefPtr<SBIconController> controller = SBIconController::sharedInstance())
        controller->rotateToInterfaceOrientation(orientation);
    return true;
}

} // namespace qv
