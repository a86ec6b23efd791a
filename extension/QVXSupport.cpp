#include "QVXSupport.h"

#include "QVPreferences.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SBIconListView.h"

#include <cmath>
#include <memory>

namespace qv {

namespace {

RefPtr<QVXSupport>& sharedSlot()
{
    static RefPtr<QVXSupport>* slot = std::make_unique<RefPtr<QVXSupport>>().release();
    return *slot;
}

// Whether a slot origin lies in the direction from the icon's origin: in
// its lane (within an icon's width or height) and on that side.
bool liesInDirection(CGPoint other, CGPoint from, CGSize iconSize, int32_t direction)
{
    switch (direction) {
    case QVXDirectionUp:
    case QVXDirectionDown:
        return std::fabs(other.x - from.x) <= iconSize.width && (direction == QVXDirectionUp ? other.y < from.y : other.y > from.y);
    case QVXDirectionLeft:
    case QVXDirectionRight:
        return std::fabs(other.y - from.y) <= iconSize.height && (direction == QVXDirectionLeft ? other.x < from.x : other.x > from.x);
    default:
        return false;
    }
}

} // namespace

void QVXSupport::registerClass()
{
    Class cls = objc_allocateClassPair<QVXSupport>(objc_getClass("NSObject"), "QVXSupport", std::function<Ref<QVXSupport>()>());
    if (!cls)
        return;
    QVXSupportMessages::sharedInstance.addMethod(cls, [](Class) { return sharedInstance(); });
    QVXSupportMessages::enabled.addMethod(cls, [](QVXSupport* self) { return self->enabled(); });
    QVXSupportMessages::iconsToMoveFromIcon.addMethod(cls, [](QVXSupport* self, SBIcon* icon, bool isFolder, int32_t direction) {
        return self->iconsToMoveFromIcon(icon, isFolder, direction);
    });
    objc_registerClassPair(cls);
}

RefPtr<QVXSupport> QVXSupport::sharedInstance()
{
    RefPtr<QVXSupport>& slot = sharedSlot();
    if (!slot)
        slot = makeRef<QVXSupport>();
    return slot;
}

bool QVXSupport::enabled()
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return preferences && preferences->enabled();
}

RefPtr<NSArray> QVXSupport::iconsToMoveFromIcon(SBIcon* icon, bool isFolder, int32_t inDirection)
{
    if (!enabled())
        return nullptr;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBIconListView> list = !controller ? nullptr : isFolder ? controller->currentFolderIconList() : controller->currentRootIconList();
    RefPtr<NSArray> icons = list ? list->icons() : nullptr;
    if (!icons || !icon || !icons->containsObject(icon))
        return nullptr;
    uint64_t own = icons->indexOfObject(icon);
    CGPoint from = list->originForIcon(icon);
    CGSize size = list->defaultIconSize();
    Ref<NSArray> result = NSArray::create();
    for (uint64_t index = 0; index < icons->count(); ++index) {
        if (index == own)
            continue;
        if (liesInDirection(list->originForIconAtIndex(index), from, size, inDirection))
            result->addObject(icons->objectAtIndex(index).toRef());
    }
    return result;
}

} // namespace qv
