#include "SBFolderIconZoomAnimator.h"

#include "SBFolderBackgroundView.h"
#include "SBFolderController.h"
#include "SBIconController.h"
#include "SBRootFolderController.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBFolderIconZoomAnimator::registerClass()
{
    SBDefineClass<SBFolderIconZoomAnimator>("SBIconAnimator", "SBFolderIconZoomAnimator", [](Class) { });
}

Ref<SBFolderIconZoomAnimator> SBFolderIconZoomAnimator::create(SBFolderController& folderController, bool opening)
{
    return makeRef<SBFolderIconZoomAnimator>(folderController, opening);
}

SBFolderIconZoomAnimator::SBFolderIconZoomAnimator(SBFolderController& folderController, bool opening)
    : SBIconAnimator(nullptr)
    , m_folderController(folderController)
    , m_opening(opening)
{
}

void SBFolderIconZoomAnimator::animateZoom(std::function<void(bool finished)> completion)
{
    Ref<SBFolderIconZoomAnimator> self(*this);
    RefPtr<SBFolderBackgroundView> background = m_folderController->backgroundView();
    if (background && m_opening)
        background->setAlpha(0);
    UIView::animateWithDuration(zoomDuration, [self, background] {
        if (background)
            background->setAlpha(self->m_opening ? 1 : 0);
    }, [self, completion = std::move(completion)](bool finished) {
        if (!self->m_opening)
            self->removeClosedBackground();
        self->_cleanupAnimation();
        if (completion)
            completion(finished);
    });
}

void SBFolderIconZoomAnimator::removeClosedBackground()
{
    RefPtr<SBIconController> iconController = SBIconController::sharedInstance();
    RefPtr<SBFolderController> open = iconController ? iconController->rootFolderControllerObject()->innerFolderController() : nullptr;
    RefPtr<SBFolderBackgroundView> background = m_folderController->backgroundView();
    if (background && open.get() != m_folderController.ptr())
        background->removeFromSuperview();
}

} // namespace qv
