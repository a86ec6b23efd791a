#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

enum UIUserInterfaceIdiom : int64_t {
    UIUserInterfaceIdiomUnspecified = -1,
    UIUserInterfaceIdiomPhone = 0,
    UIUserInterfaceIdiomPad = 1,
};

// The screen and the device of a simulated device. The programs take theirs
// from QV_DEVICE; tests apply any profile in process (UIKitTesting.h), including screens
// without native bounds, devices that cannot report an idiom and heights
// that match no device class.
struct DeviceProfile {
    std::string name;
    CGRect bounds;                      // portrait, in points
    CGFloat scale = 1;
    std::optional<CGRect> nativeBounds; // portrait, in pixels; absent where the screen lacks them
    CGFloat nativeScale = 1;
    std::optional<int64_t> idiom;       // absent where the device cannot report one
    std::string systemVersion = "8.4";

    // "iphone-3.5", "iphone-4", "iphone-4.7", "iphone-5.5" and "ipad".
    static const std::vector<DeviceProfile>& builtIn();
    static std::optional<DeviceProfile> named(const std::string& name);
    // QV_DEVICE's profile; the 4-inch phone when it is unset or unknown.
    static DeviceProfile fromEnvironment();

    // A profile of a phone or pad with these points and scale, native bounds
    // at the same scale.
    static DeviceProfile make(std::string name, CGFloat width, CGFloat height, CGFloat scale, int64_t idiom);
};

} // namespace qv
