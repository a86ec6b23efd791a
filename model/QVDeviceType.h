#pragma once

#include "platform/Foundation/FoundationTypes.h"
#include "platform/core/Geometry.h"

#include <cstdint>

#include <string>
#include <string_view>

namespace qv {

// The kind of device the system runs on. Every size, grid, image name and
// layout-file key depends on it, and all three deliverables must sort a
// device the same way, so the rule lives here once.
enum QVDeviceType : NSInteger {
    QVDeviceTypeUnknown = -1,
    QVDeviceTypeiPhone3_5Inch = 0,
    QVDeviceTypeiPhone4Inch = 1,
    QVDeviceTypeiPhone4_7Inch = 2,
    QVDeviceTypeiPhone5_5Inch = 3,
    QVDeviceTypeiPad = 4,
};

// The rule itself, for a screen height in points and an interface idiom
// (0 phone, 1 pad). Comparisons are exact: a phone a fraction of a point
// off a known height is no known phone.
QVDeviceType deviceTypeForScreen(CGFloat screenHeight, int64_t interfaceIdiom);

// The running device, asked of the main screen and the current device at
// every call: the native height in points where the screen offers native
// bounds (they stay portrait when the interface turns), else the bounds'
// height; a device that cannot tell its idiom counts as a phone.
QVDeviceType currentDeviceType();

// "-3_5Inch", "-4Inch", "-4_7Inch", "-5_5Inch", "-iPad"; empty for a device
// of no known class.
std::string deviceSuffix(QVDeviceType type);

// A layout-file key of the running device: the stem ("Origins" or
// "GridSize"), the device suffix and, for landscape, "-Landscape".
std::string currentDeviceKey(std::string_view stem, bool landscape);

} // namespace qv
