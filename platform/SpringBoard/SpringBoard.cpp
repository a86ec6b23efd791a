#include "SpringBoard.h"

#include "SBHomeScreenViewController.h"
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
        SpringBoardMessages::applicationDidFinishLaunching.addMethod(cls, [](SpringBoard* self, objc_object*) { self->stockApplicationDidFinishLaunching(); });
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
    SpringBoardMessages::applicationDidFinishLaunching(this, application);
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
    m_homeScreenViewController = SBHomeScreenViewController::create(*this);
    m_window->setRootViewController(m_homeScreenViewController);
    if (controller)
        controller->finishLaunching();
    m_lockScreenViewController->setContainer(m_window.get());
    m_window->makeKeyAndVisible();
    logLine("SpringBoard: finished launching");
}

bool SpringBoard::rotateToInterfaceOrientation(int64_t orientation)
{
    return UIInterfaceOrientationIsValid(orientation)
        && UIInterfaceRotation::rotateToInterfaceOrientation(static_cast<UIInterfaceOrientation>(orientation));
}

void SpringBoard::layOutForInterfaceOrientation(int64_t orientation)
{
    CGRect screen = UIScreen::mainScreen().bounds();
    if (m_window)
        m_window->setFrame(screen);
    if (RefPtr<UIView> lockView = m_lockScreenViewController->view(); lockView && lockView->superview())
        lockView->setFrame(screen);
    if (RefPtr<SBIconController> controller = SBIconController::sharedInstance())
        controller->rotateToInterfaceOrientation(orientation);
}

} // namespace qv
