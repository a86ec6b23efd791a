#pragma once

#include "model/QVDeviceType.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSURL.h"
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

    // The layout server. Its host (a name or address, with ":port" where
    // it needs one) is the application's setting "LayoutServerHost" of the
    // preference domain, so that a device can be pointed at a server of its
    // own; without a usable setting it is defaultLayoutServerHost. Every
    // address is worked out afresh at each call.
    std::string layoutServerHost() const;
    // The collection of this device class on the server: "iPhone3_5Inch",
    // "iPhone4Inch", "iPhone4_7Inch", "iPhone5_5Inch" or "iPad" (an unknown
    // device reads the 3.5-inch phone's).
    std::string serverFolderName() const;
    // "http://HOST/Apps/Quiltvane/Layouts/FOLDER".
    std::string urlBasePath() const;
    // The listing: "DownloadCounter.asp" for state 0 (the server's order),
    // "SortedDownloadCounter.asp" (popularity) for any other state.
    RefPtr<NSURL> urlForListOfUploadedLayoutsForSortingControlState(NSInteger state) const;
    // "GetLayout.asp?filename=" and the name, escaped for a URL in UTF-8;
    // the URL's reserved characters stay as they are.
    RefPtr<NSURL> urlForLayoutWithName(const std::string& name) const;
    RefPtr<NSURL> urlForUploadLayout() const;

    static constexpr const char* layoutServerHostKey = "LayoutServerHost";
    static constexpr const char* defaultLayoutServerHost = "127.0.0.1:8080";

    std::string className() const override { return "QVDevice"; }

private:
    QVDevice() = default;
};

} // namespace qv
