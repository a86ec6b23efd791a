#pragma once

#include "DeviceProfile.h"
#include "platform/core/Ref.h"

#include <mutex>
#include <string>

namespace qv {

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

private:
    QV_MAKE_REF_FRIEND;
    UIDevice();
    ~UIDevice() override = default;

    mutable std::mutex m_lock;
    std::optional<int64_t> m_idiom;
    std::string m_systemVersion;
};

} // namespace qv
