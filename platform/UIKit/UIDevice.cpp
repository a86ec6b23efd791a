#include "UIDevice.h"

namespace qv {

UIDevice& UIDevice::currentDevice()
{
    static UIDevice* device = makeRef<UIDevice>().leak(); // lives as long as the process
    return *device;
}

UIDevice::UIDevice()
{
    applyProfile(DeviceProfile::fromEnvironment());
}

bool UIDevice::respondsToUserInterfaceIdiom() const
{
    std::lock_guard guard(m_lock);
    return m_idiom.has_value();
}

int64_t UIDevice::userInterfaceIdiom() const
{
    std::lock_guard guard(m_lock);
    return m_idiom.value_or(UIUserInterfaceIdiomUnspecified);
}

std::string UIDevice::systemVersion() const
{
    std::lock_guard guard(m_lock);
    return m_systemVersion;
}

void UIDevice::applyProfile(const DeviceProfile& profile)
{
    std::lock_guard guard(m_lock);
    m_idiom = profile.idiom;
    m_systemVersion = profile.systemVersion;
}

} // namespace qv
