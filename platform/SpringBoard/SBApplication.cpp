#include "SBApplication.h"

#include "SBIcon.h"
#include "SBIconAnimator.h"
#include "SBIconController.h"
#include "SBIconView.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSString.h"
#include "platform/core/Log.h"

namespace qv {

void SBApplication::registerClass()
{
    SBDefineClass<SBApplication>("NSObject", "SBApplication", [](Class cls) {
        SBAddMethod(cls, "displayName", [](SBApplication* self) { return RefPtr<NSString>(NSString::create(self->m_displayName)); });
        SBAddMethod(cls, "bundleIdentifier", [](SBApplication* self) { return RefPtr<NSString>(NSString::create(self->m_bundleIdentifier)); });
        SBAddMethod(cls, "icon:launchFromLocation:", [](SBApplication* self, SBIcon* icon, int32_t location) {
            return self->stockLaunch(icon, static_cast<SBIconLocation>(location));
        });
    });
}

Ref<SBApplication> SBApplication::create(std::string displayName, std::string bundleIdentifier)
{
    return makeRef<SBApplication>(std::move(displayName), std::move(bundleIdentifier));
}

SBApplication::SBApplication(std::string displayName, std::string bundleIdentifier)
    : m_displayName(std::move(displayName))
    , m_bundleIdentifier(std::move(bundleIdentifier))
{
}

RefPtr<NSString> SBApplication::displayName()
{
    return msgSend<RefPtr<NSString>>(this, "displayName");
}

RefPtr<NSString> SBApplication::bundleIdentifier()
{
    return msgSend<RefPtr<NSString>>(this, "bundleIdentifier");
}

bool SBApplication::icon(SBIcon* icon, SBIconLocation launchFromLocation)
{
    return msgSend<bool>(this, "icon:launchFromLocation:", icon, static_cast<int32_t>(launchFromLocation));
}

bool SBApplication::stockLaunch(SBIcon* icon, SBIconLocation location)
{
    if (!icon)
        return false;
    logLine("SpringBoard: launching " + m_bundleIdentifier + " from location " + std::to_string(location));
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (controller)
        controller->noteApplicationLaunched(*this);
    // The icon's view on screen opens into the application; an icon that is
    // not on screen launches the application without an animation.
    RefPtr<SBIconView> view = controller ? controller->visibleViewForIcon(icon) : nullptr;
    if (view)
        SBIconAnimator::create(*view)->animateLaunch();
    return true;
}

} // namespace qv
