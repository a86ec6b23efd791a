#include "QVRootViewController.h"

namespace qv {

bool QVRootViewController::shouldAutorotate()
{
    RefPtr<UIViewController> selected = selectedViewController();
    return selected ? selected->shouldAutorotate() : UITabBarController::shouldAutorotate();
}

uint64_t QVRootViewController::supportedInterfaceOrientations()
{
    RefPtr<UIViewController> selected = selectedViewController();
    return selected ? selected->supportedInterfaceOrientations() : UITabBarController::supportedInterfaceOrientations();
}

} // namespace qv
