#pragma once

#include "model/QVDeviceType.h"
#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIFont.h"
#include "platform/core/Geometry.h"

#include <string>

namespace qv {

// The application's device model: the device class of the running device
// and every constant that depends on it. Nothing is stored: each answer is
// worked out from the screen and the device at the moment of the call.
class QVDevice : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The process-wide instance, made on the first call.
    static Ref<QVDevice> currentDevice();

    QVDeviceType deviceType() const;
    bool iPhone3_5Inch() const { return deviceType() == QVDeviceTypeiPhone3_5Inch; }
    bool iPhone4Inch() const { return deviceType() == QVDeviceTypeiPhone4Inch; }
    bool iPhone4_7Inch() const { return deviceType() == QVDeviceTypeiPhone4_7Inch; }
    bool iPhone5_5Inch() const { return deviceType() == QVDeviceTypeiPhone5_5Inch; }
    bool iPad() const { return deviceType() == QVDeviceTypeiPad; }

    // The system font of the editor's button titles: 18 points on an iPad,
    // 14 elsewhere.
    Ref<UIFont> buttonTitleFont() const;
    CGSize defaultIconSize() const;
    CGSize iconPopoverSize() const;
    // "Origins" and the device suffix, and that with "-Landscape": where a
    // layout file keeps this device's icons.
    std::string originsKey() const;
    std::string originsLandscapeKey() const;
    // Columns by rows.
    CGSize defaultNumberOfGridLines() const;
    CGSize gridLinePopoverSize() const;
    CGSize iconPositionPopoverSize() const;
    NSInteger dockPadding() const;
    // What turns an image's base name into this device's file name
    // ("-568h@2x.png" on a 4-inch phone); an iPad's follows the screen's
    // scale at the moment of the call.
    std::string defaultExtensionForImageName() const;

    std::string className() const override { return "QVDevice"; }

private:
    QVDevice() = default;
};

} // namespace qv
