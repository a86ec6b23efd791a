#include "QVDeviceType.h"

#include "model/QVLayoutKeys.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIScreen.h"

namespace qv {

QVDeviceType deviceTypeForScreen(CGFloat screenHeight, int64_t interfaceIdiom)
{
    const bool phone = interfaceIdiom == UIUserInterfaceIdiomPhone;
    if (phone && screenHeight < 568.0)
        return QVDeviceTypeiPhone3_5Inch;
    if (phone && screenHeight == 568.0)
        return QVDeviceTypeiPhone4Inch;
    if (phone && screenHeight == 667.0)
        return QVDeviceTypeiPhone4_7Inch;
    if (phone && screenHeight == 736.0)
        return QVDeviceTypeiPhone5_5Inch;
    if (interfaceIdiom == UIUserInterfaceIdiomPad)
        return QVDeviceTypeiPad;
    return QVDeviceTypeUnknown;
}

static CGFloat mainScreenHeight()
{
    const UIScreen& screen = UIScreen::mainScreen();
    if (screen.respondsToNativeBounds())
        return screen.nativeBounds().size.height / screen.nativeScale();
    return screen.bounds().size.height;
}

static int64_t currentInterfaceIdiom()
{
    const UIDevice& device = UIDevice::currentDevice();
    return device.respondsToUserInterfaceIdiom() ? device.userInterfaceIdiom() : UIUserInterfaceIdiomPhone;
}

QVDeviceType currentDeviceType()
{
    return deviceTypeForScreen(mainScreenHeight(), currentInterfaceIdiom());
}

std::string deviceSuffix(QVDeviceType type)
{
    switch (type) {
    case QVDeviceTypeiPhone3_5Inch:
        return "-3_5Inch";
    case QVDeviceTypeiPhone4Inch:
        return "-4Inch";
    case QVDeviceTypeiPhone4_7Inch:
        return "-4_7Inch";
    case QVDeviceTypeiPhone5_5Inch:
        return "-5_5Inch";
    case QVDeviceTypeiPad:
        return "-iPad";
    case QVDeviceTypeUnknown:
        break;
    }
    return {};
}

std::string currentDeviceKey(std::string_view stem, bool landscape)
{
    std::string key(stem);
    key += deviceSuffix(currentDeviceType());
    if (landscape)
        key += QVLandscapeSuffix;
    return key;
}

} // namespace qv
