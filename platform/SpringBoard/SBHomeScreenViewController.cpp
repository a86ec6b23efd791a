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

void SBHomeScreenViewController::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    m_touches->touchesBegan(touches);
}

void SBHomeScreenViewController::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    m_touches->touchesMoved(touches);
}

void SBHomeScreenViewController::touchesEnded(const UITouchSet& touches, UIEvent*)
{
    m_touches->touchesEnded(touches);
}

void SBHomeScreenViewController::touchesCancelled(const UITouchSet& touches, UIEvent*)
{
    m_touches->touchesCancelled(touches);
}

} // namespace qv
