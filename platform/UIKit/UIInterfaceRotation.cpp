#include "UIInterfaceRotation.h"

#include "UIApplication.h"
#include "UIDevice.h"
#include "UIScreen.h"
#include "UIViewController.h"
#include "UIWindow.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

// The controller whose answers decide: the root, or what is presented over
// the whole screen on top of it.
Ref<UIViewController> decidingController(Ref<UIViewController> root)
{
    Ref<UIViewController> decider = root;
    while (RefPtr<UIViewController> presented = decider->presentedViewController()) {
        RefPtr<UIWindow> window = presented->isViewLoaded() ? presented->view()->window() : nullptr;
        if (!window || presented->view()->frame() != window->bounds())
            break;
        decider = presented.toRef();
    }
    return decider;
}

void turnScreen(UIInterfaceOrientation orientation)
{
    const CGRect bounds = UIScreen::mainScreen().bounds();
    const CGFloat shorter = std::min(bounds.size.width, bounds.size.height);
    const CGFloat longer = std::max(bounds.size.width, bounds.size.height);
    if (UIInterfaceOrientationIsPortrait(orientation))
        UIScreen::mainScreen().setBounds(CGRectMake(0, 0, shorter, longer));
    else
        UIScreen::mainScreen().setBounds(CGRectMake(0, 0, longer, shorter));
}

} // namespace

bool UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration)
{
    if (!UIInterfaceOrientationIsValid(orientation)) {
        logLine("UIInterfaceRotation: refused an orientation that is none of the four");
        return false;
    }
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationForInterface(orientation));
    Ref<UIApplication> application = UIApplication::sharedApplication();
    const UIInterfaceOrientation old = application->statusBarOrientation();
    if (old == orientation)
        return false;
    RefPtr<UIWindow> window = UIWindow::keyWindow();
    RefPtr<UIViewController> root = window ? window->rootViewController() : nullptr;
    if (!root) {
        application->setStatusBarOrientation(orientation);
        turnScreen(orientation);
        return true;
    }
    Ref<UIViewController> decider = decidingController(root.toRef());
    if (!decider->shouldAutorotate() || !(decider->supportedInterfaceOrientations() & UIInterfaceOrientationMaskFor(orientation)))
        return false;
    root->forEachControllerForRotation([&](UIViewController& controller) {
        controller.willRotateToInterfaceOrientation(orientation, duration);
    });
    application->setStatusBarOrientation(orientation);
    turnScreen(orientation);
    root->forEachControllerForRotation([&](UIViewController& controller) {
        controller.willAnimateRotationToInterfaceOrientation(orientation, duration);
    });
    root->forEachControllerForRotation([&](UIViewController& controller) {
        controller.didRotateFromInterfaceOrientation(old);
    });
    return true;
}

} // namespace qv
