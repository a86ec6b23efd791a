#include "SBLockScreenViewController.h"

#include "SpringBoardRuntime.h"
#include "platform/core/Log.h"

namespace qv {

void SBLockScreenViewController::registerClass()
{
    SBDefineClass<SBLockScreenViewController>("NSObject", "SBLockScreenViewController", [](Class cls) {
        SBLockScreenViewControllerMessages::finishUIUnlockFromSource.addMethod(cls, [](SBLockScreenViewController* self, int32_t source) { self->stockFinishUIUnlock(source); });
    });
}

Ref<SBLockScreenViewController> SBLockScreenViewController::create()
{
    return makeRef<SBLockScreenViewController>();
}

SBLockScreenViewController::SBLockScreenViewController()
    : m_view(makeRef<UIView>())
{
}

void SBLockScreenViewController::setContainer(UIView* container)
{
    m_container = container;
}

void SBLockScreenViewController::lock()
{
    m_locked = true;
    if (RefPtr<UIView> container = m_container.lock()) {
        m_view->setFrame(container->bounds());
        container->addSubview(RefPtr<UIView>(m_view));
    }
    logLine("SpringBoard: locked");
}

void SBLockScreenViewController::finishUIUnlockFromSource(int32_t source)
{
    SBLockScreenViewControllerMessages::finishUIUnlockFromSource(this, source);
}

void SBLockScreenViewController::stockFinishUIUnlock(int32_t source)
{
    m_locked = false;
    m_view->removeFromSuperview();
    logLine("SpringBoard: unlocked from source " + std::to_string(source));
}

} // namespace qv
