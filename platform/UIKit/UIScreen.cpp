#include "UIScreen.h"

#include <algorithm>

namespace qv {

UIScreen& UIScreen::mainScreen()
{
    static UIScreen* screen = makeRef<UIScreen>().leak(); // lives as long as the process
    return *screen;
}

UIScreen::UIScreen()
    : m_profile(DeviceProfile::fromEnvironment())
{
}

CGRect UIScreen::bounds() const
{
    std::lock_guard guard(m_lock);
    return m_profile.bounds;
}

CGRect UIScreen::applicationFrame() const
{
    const CGRect screen = bounds();
    return CGRectMake(0, statusBarHeight, screen.size.width, std::max<CGFloat>(0, screen.size.height - statusBarHeight));
}

CGFloat UIScreen::scale() const
{
    std::lock_guard guard(m_lock);
    return m_profile.scale;
}

bool UIScreen::respondsToNativeBounds() const
{
    std::lock_guard guard(m_lock);
    return m_profile.nativeBounds.has_value();
}

CGRect UIScreen::nativeBounds() const
{
    std::lock_guard guard(m_lock);
    return m_profile.nativeBounds.value_or(CGRectZero);
}

CGFloat UIScreen::nativeScale() const
{
    std::lock_guard guard(m_lock);
    return m_profile.nativeBounds ? m_profile.nativeScale : 0;
}

std::string UIScreen::deviceName() const
{
    std::lock_guard guard(m_lock);
    return m_profile.name;
}

void UIScreen::setBounds(CGRect bounds)
{
    std::lock_guard guard(m_lock);
    m_profile.bounds = bounds;
}

void UIScreen::applyProfile(const DeviceProfile& profile)
{
    std::lock_guard guard(m_lock);
    m_profile = profile;
}

} // namespace qv
