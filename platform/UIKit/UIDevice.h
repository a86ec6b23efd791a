#pragma once

#include "DeviceProfile.h"
#include "UIInterfaceOrientation.h"
#include "platform/core/Ref.h"

#include <mutex>
#include <string>

namespace qv {

extern const std::string UIDeviceOrientationDidChangeNotification;

class UIDevice : public Object {
public:
    // The one device, set up from QV_DEVICE on first use.
    static UIDevice& currentDevice();

    // Whether the device can report its idiom at all.
    bool respondsToUserInterfaceIdiom() const;
    // UIUserInterfaceIdiomUnspecified where it cannot.
    int64_t userInterfaceIdiom() const;
    std::string systemVersion() const;

    void applyProfile(const DeviceProfile& profile);

    bool isMultitaskingSupported() const { return true; }

    // How the device is held. As on the device it reads unknown unless
    // someone asked for the orientation notifications; the asks nest.
    UIDeviceOrientation orientation() const;
    void beginGeneratingDeviceOrientationNotifications();
    void endGeneratingDeviceOrientationNotifications();
    bool isGeneratingDeviceOrientationNotifications() const;
    // The device turned (the rotation driver's call): posts
    // UIDeviceOrientationDidChangeNotification on the process's notification
    // center when the orientation changed and notifications are generated.
    void setOrientation(UIDeviceOrientation orientation);

private:
    QV_MAKE_REF_FRIEND;
    UIDevice();
    ~UIDevice() override = default;

    mutable std::mutex m_lock;
    std::optional<int64_t> m_idiom;
    std::string m_systemVersion;
    UIDeviceOrientation m_orientation = UIDeviceOrientationPortrait;
    int m_orientationNotificationRequests = 0;
};

} // namespace qv
