#include "UIDevice.h"

#include "platform/Foundation/NSNotificationCenter.h"

namespace qv {

const std::string UIDeviceOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";

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

UIDeviceOrientation UIDevice::orientation() const
{
    std::lock_guard guard(m_lock);
    return m_orientationNotificationRequests > 0 ? m_orientation : UIDeviceOrientationUnknown;
}

void UIDevice::beginGeneratingDeviceOrientationNotifications()
{
    std::lock_guard guard(m_lock);
    ++m_orientationNotificationRequests;
}

void UIDevice::endGeneratingDeviceOrientationNotifications()
{
    std::lock_guard guard(m_lock);
    if (m_orientationNotificationRequests > 0)
        --m_orientationNotificationRequests;
}

bool UIDevice::isGeneratingDeviceOrientationNotifications() const
{
    std::lock_guard guard(m_lock);
    return m_orientationNotificationRequests > 0;
}

void UIDevice::setOrientation(UIDeviceOrientation orientation)
{
    bool notify = false;
    {
        std::lock_guard guard(m_lock);
        notify = orientation != m_orientation && m_orientationNotificationRequests > 0;
        m_orientation = orientation;
    }
    if (notify)
        NSNotificationCenter::defaultCenter()->postNotificationName(UIDeviceOrientationDidChangeNotification, nullptr);
}

} // namespace qv
