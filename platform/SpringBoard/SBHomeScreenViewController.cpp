#include "SBHomeScreenViewController.h"

#include "SBIconController.h"
#include "SpringBoard.h"

namespace qv {

Ref<SBHomeScreenViewController> SBHomeScreenViewController::create(SpringBoard& springBoard)
{
    return makeRef<SBHomeScreenViewController>(springBoard);
}

void SBHomeScreenViewController::loadView()
{
    if (RefPtr<SBIconController> controller = SBIconController::sharedInstance())
        setView(RefPtr<UIView>(controller->contentViewObject()));
    else
        UIViewController::loadView();
}

uint64_t SBHomeScreenViewController::supportedInterfaceOrientations()
{
    return UIInterfaceOrientationMaskAll;
}

void SBHomeScreenViewController::willAnimateRotationToInterfaceOrientation(UIInterfaceOrientation orientation, double)
{
    if (RefPtr<SpringBoard> springBoard = m_springBoard.lock())
        springBoard->layOutForInterfaceOrientation(orientation);
}

} // namespace qv
