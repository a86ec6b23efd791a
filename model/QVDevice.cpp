#include "QVDevice.h"

#include "model/QVLayoutKeys.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFURLEscaping.h"
#include "platform/UIKit/UIScreen.h"

#include <algorithm>

namespace qv {

Ref<QVDevice> QVDevice::currentDevice()
{
    static QVDevice* instance = makeRef<QVDevice>().leak(); // lives as long as the process
    return *instance;
}

QVDeviceType QVDevice::deviceType() const
{
    return currentDeviceType();
}

Ref<UIFont> QVDevice::buttonTitleFont() const
{
    return UIFont::systemFontOfSize(iPad() ? 18 : 14);
}

CGSize QVDevice::defaultIconSize() const
{
    return iPad() ? CGSizeMake(79, 80) : CGSizeMake(59, 60);
}

CGSize QVDevice::iconPopoverSize() const
{
    CGSize size = CGSizeMake(60, 60);
    if (iPad())
        size.width = 100;
    return size;
}

std::string QVDevice::originsKey() const
{
    return currentDeviceKey(QVOriginsStem, false);
}

std::string QVDevice::originsLandscapeKey() const
{
    return currentDeviceKey(QVOriginsStem, true);
}

CGSize QVDevice::defaultNumberOfGridLines() const
{
    switch (deviceType()) {
    case QVDeviceTypeiPhone4Inch:
        return CGSizeMake(5, 6);
    case QVDeviceTypeiPhone4_7Inch:
        return CGSizeMake(5, 7);
    case QVDeviceTypeiPhone5_5Inch:
        return CGSizeMake(6, 7);
    case QVDeviceTypeiPad:
        return CGSizeMake(8, 8);
    case QVDeviceTypeiPhone3_5Inch:
    case QVDeviceTypeUnknown:
        break;
    }
    return CGSizeMake(5, 5);
}

CGSize QVDevice::gridLinePopoverSize() const
{
    return CGSizeMake(200, 195);
}

CGSize QVDevice::iconPositionPopoverSize() const
{
    return CGSizeMake(180, 140);
}

NSInteger QVDevice::dockPadding() const
{
    return 44;
}

std::string QVDevice::defaultExtensionForImageName() const
{
    switch (deviceType()) {
    case QVDeviceTypeiPhone4Inch:
        return "-568h@2x.png";
    case QVDeviceTypeiPhone5_5Inch:
        return "@3x.png";
    case QVDeviceTypeiPad:
        return UIScreen::mainScreen().scale() == 2.0 ? "-iPad@2x.png" : "-iPad.png";
    case QVDeviceTypeiPhone3_5Inch:
    case QVDeviceTypeiPhone4_7Inch:
    case QVDeviceTypeUnknown:
        break;
    }
    return "@2x.png";
}

std::string QVDevice::layoutServerHost() const
{
    // A host holds no white space, control character or URL delimiter; a
    // setting with any would make every address unusable, so it is passed
    // over as though it were not there.
    std::optional<std::string> host = QVSharedPreferences::stringForKey(layoutServerHostKey);
    const bool usable = host && !host->empty() && std::all_of(host->begin(), host->end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7f && c != '/' && c != '?' && c != '#' && c != '\\' && c != '@';
    });
    return usable ? *host : std::string(defaultLayoutServerHost);
}

std::string QVDevice::serverFolderName() const
{
    switch (deviceType()) {
    case QVDeviceTypeiPhone4Inch:
        return "iPhone4Inch";
    case QVDeviceTypeiPhone4_7Inch:
        return "iPhone4_7Inch";
    case QVDeviceTypeiPhone5_5Inch:
        return "iPhone5_5Inch";
    case QVDeviceTypeiPad:
        return "iPad";
    case QVDeviceTypeiPhone3_5Inch:
    case QVDeviceTypeUnknown:
        break;
    }
    return "iPhone3_5Inch";
}

std::string QVDevice::urlBasePath() const
{
    return "http://" + layoutServerHost() + "/Apps/Quiltvane/Layouts/" + serverFolderName();
}

RefPtr<NSURL> QVDevice::urlForListOfUploadedLayoutsForSortingControlState(NSInteger state) const
{
    return NSURL::URLWithString(urlBasePath() + "/" + (state == 0 ? "DownloadCounter.asp" : "SortedDownloadCounter.asp"));
}

RefPtr<NSURL> QVDevice::urlForLayoutWithName(const std::string& name) const
{
    return NSURL::URLWithString(urlBasePath() + "/GetLayout.asp?filename=" + CFURLCreateStringByAddingPercentEscapes(name, "", ""));
}

RefPtr<NSURL> QVDevice::urlForUploadLayout() const
{
    return NSURL::URLWithString(urlBasePath() + "/upload.asp");
}

} // namespace qv
