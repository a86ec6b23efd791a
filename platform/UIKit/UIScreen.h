#pragma once

#include "DeviceProfile.h"
#include "platform/core/Ref.h"

#include <mutex>

namespace qv {

class UIScreen : public Object {
public:
    // The one screen, set up from QV_DEVICE on first use.
    static UIScreen& mainScreen();

    // The status bar's height, across the top of the screen in every
    // orientation; it is always shown.
    static constexpr CGFloat statusBarHeight = 20;

    // In points, following the interface orientation.
    CGRect bounds() const;
    // The bounds less the status bar.
    CGRect applicationFrame() const;
    CGFloat scale() const;
    // Whether the screen offers native bounds and native scale at all.
    bool respondsToNativeBounds() const;
    // In pixels, always for the portrait-up orientation.
    CGRect nativeBounds() const;
    CGFloat nativeScale() const;
    // The name of the device profile the screen belongs to ("iphone-4").
    std::string deviceName() const;

    // The rotation driver swaps the bounds when the interface turns.
    void setBounds(CGRect bounds);
    void applyProfile(const DeviceProfile& profile);

private:
    QV_MAKE_REF_FRIEND;
    UIScreen();
    ~UIScreen() override = default;

    mutable std::mutex m_lock;
    DeviceProfile m_profile;
};

} // namespace qv
