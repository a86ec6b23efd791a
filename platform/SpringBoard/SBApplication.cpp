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
        SBApplicationMessages::displayName.addMethod(cls, [](SBApplication* self) { return RefPtr<NSString>(NSString::create(self->m_displayName)); });
        SBApplicationMessages::bundleIdentifier.addMethod(cls, [](SBApplication* self) { return RefPtr<NSString>(NSString::create(self->m_bundleIdentifier)); });
        SBApplicationMessages::iconLaunchFromLocation.addMethod(cls, [](SBApplication* self, SBIcon* icon, int32_t location) {
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
    return SBApplicationMessages::displayName(this);
}

RefPtr<NSString> SBApplication::bundleIdentifier()
{
    return SBApplicationMessages::bundleIdentifier(this);
}

bool SBApplication::icon(SBIcon* icon, SBIconLocation launchFromLocation)
{
    return SBApplicationMessages::iconLaunchFromLocation(this, icon, launchFromLocation);
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
