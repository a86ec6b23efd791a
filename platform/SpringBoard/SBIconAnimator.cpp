#include "SBIconAnimator.h"

#include "SBIconView.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBIconAnimator::registerClass()
{
    SBDefineClass<SBIconAnimator>("NSObject", "SBIconAnimator", [](Class cls) {
        SBIconAnimatorMessages::_cleanupAnimation.addMethod(cls, [](SBIconAnimator* self) { self->stockCleanupAnimation(); });
    });
}

Ref<SBIconAnimator> SBIconAnimator::create(SBIconView& iconView)
{
    return makeRef<SBIconAnimator>(RefPtr<SBIconView>(iconView));
}

SBIconAnimator::SBIconAnimator(RefPtr<SBIconView> iconView)
    : m_iconView(std::move(iconView))
{
}

void SBIconAnimator::animateLaunch()
{
    Ref<SBIconAnimator> self(*this);
    UIView::animateWithDuration(launchDuration, [self] {
        if (self->m_iconView)
            self->m_iconView->setAlpha(0);
    }, [self](bool) { self->_cleanupAnimation(); });
}

void SBIconAnimator::_cleanupAnimation()
{
    SBIconAnimatorMessages::_cleanupAnimation(this);
}

void SBIconAnimator::stockCleanupAnimation()
{
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    if (m_iconView)
        m_iconView->setAlpha(1);
}

} // namespace qv
