#include "model/QVDevice.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "testing/TemporaryDeviceRoot.h"

#include <algorithm>
#include "platform/UIKit/UIKitTesting.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/UIKit/UIScreen.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::testing::ScopedDeviceProfile;

namespace {

struct DeviceConstants {
    const char* name;
    DeviceProfile profile;
    QVDeviceType type;
    const char* suffix;
    CGSize iconSize;
    CGSize iconPopover;
    CGSize gridLines;
    const char* imageExtension;
};

std::vector<DeviceConstants> deviceConstantCases()
{
    auto named = [](const char* name) { return *DeviceProfile::named(name); };
    DeviceProfile padAtScale1 = DeviceProfile::make("ipad-1x", 768, 1024, 1, UIUserInterfaceIdiomPad);
    DeviceProfile padAtScale3 = DeviceProfile::make("ipad-3x", 768, 1024, 3, UIUserInterfaceIdiomPad);
    DeviceProfile phoneAtScale1 = DeviceProfile::make("iphone-3.5-1x", 320, 480, 1, UIUserInterfaceIdiomPhone);
    DeviceProfile unknown = qv::testing::screenProfile(600, UIUserInterfaceIdiomPhone);
    return {
        { "3.5-inch", named("iphone-3.5"), QVDeviceTypeiPhone3_5Inch, "-3_5Inch", { 59, 60 }, { 60, 60 }, { 5, 5 }, "@2x.png" },
        { "3.5-inch at scale 1", phoneAtScale1, QVDeviceTypeiPhone3_5Inch, "-3_5Inch", { 59, 60 }, { 60, 60 }, { 5, 5 }, "@2x.png" },
        { "4-inch", named("iphone-4"), QVDeviceTypeiPhone4Inch, "-4Inch", { 59, 60 }, { 60, 60 }, { 5, 6 }, "-568h@2x.png" },
        { "4.7-inch", named("iphone-4.7"), QVDeviceTypeiPhone4_7Inch, "-4_7Inch", { 59, 60 }, { 60, 60 }, { 5, 7 }, "@2x.png" },
        { "5.5-inch", named("iphone-5.5"), QVDeviceTypeiPhone5_5Inch, "-5_5Inch", { 59, 60 }, { 60, 60 }, { 6, 7 }, "@3x.png" },
        { "iPad at scale 2", named("ipad"), QVDeviceTypeiPad, "-iPad", { 79, 80 }, { 100, 60 }, { 8, 8 }, "-iPad@2x.png" },
        { "iPad at scale 1", padAtScale1, QVDeviceTypeiPad, "-iPad", { 79, 80 }, { 100, 60 }, { 8, 8 }, "-iPad.png" },
        { "iPad at scale 3", padAtScale3, QVDeviceTypeiPad, "-iPad", { 79, 80 }, { 100, 60 }, { 8, 8 }, "-iPad.png" },
        // A device of no known class answers as the 3.5-inch phone.
        { "unknown", unknown, QVDeviceTypeUnknown, "", { 59, 60 }, { 60, 60 }, { 5, 5 }, "@2x.png" },
    };
}

class QVDeviceTest : public ::testing::Test {
protected:
    void TearDown() override { applyDeviceProfile(DeviceProfile::fromEnvironment()); }
    Ref<QVDevice> device = QVDevice::currentDevice();
};

} // namespace

TEST_F(QVDeviceTest, ConstantsPerDeviceClass)
{
    for (const DeviceConstants& c : deviceConstantCases()) {
        SCOPED_TRACE(c.name);
        applyDeviceProfile(c.profile);
        EXPECT_EQ(device->deviceType(), c.type);
        EXPECT_EQ(device->iPhone3_5Inch(), c.type == QVDeviceTypeiPhone3_5Inch);
        EXPECT_EQ(device->iPhone4Inch(), c.type == QVDeviceTypeiPhone4Inch);
        EXPECT_EQ(device->iPhone4_7Inch(), c.type == QVDeviceTypeiPhone4_7Inch);
        EXPECT_EQ(device->iPhone5_5Inch(), c.type == QVDeviceTypeiPhone5_5Inch);
        EXPECT_EQ(device->iPad(), c.type == QVDeviceTypeiPad);
        EXPECT_EQ(device->originsKey(), std::string("Origins") + c.suffix);
        EXPECT_EQ(device->originsLandscapeKey(), std::string("Origins") + c.suffix + "-Landscape");
        EXPECT_TRUE(device->buttonTitleFont()->isEqual(UIFont::systemFontOfSize(c.type == QVDeviceTypeiPad ? 18 : 14).ptr()));
        EXPECT_EQ(device->buttonTitleFont()->fontName(), UIFont::systemFontName);
        EXPECT_EQ(device->defaultIconSize(), c.iconSize);
        EXPECT_EQ(device->iconPopoverSize(), c.iconPopover);
        EXPECT_EQ(device->defaultNumberOfGridLines(), c.gridLines);
        EXPECT_EQ(device->defaultExtensionForImageName(), c.imageExtension);
        // The same on every device.
        EXPECT_EQ(device->gridLinePopoverSize(), CGSizeMake(200, 195));
        EXPECT_EQ(device->iconPositionPopoverSize(), CGSizeMake(180, 140));
        EXPECT_EQ(device->dockPadding(), 44);
    }
}

// Nothing is cached: the answers follow the device and the screen at the
// moment of the call, through the one shared instance.
TEST_F(QVDeviceTest, AnswersFollowTheDeviceAtEveryCall)
{
    EXPECT_EQ(QVDevice::currentDevice().ptr(), device.ptr());
    ScopedDeviceProfile pad("ipad");
    EXPECT_TRUE(device->iPad());
    EXPECT_EQ(device->defaultExtensionForImageName(), "-iPad@2x.png");
    DeviceProfile lowerScale = *DeviceProfile::named("ipad");
    lowerScale.scale = 1;
    UIScreen::mainScreen().applyProfile(lowerScale);
    EXPECT_EQ(device->defaultExtensionForImageName(), "-iPad.png");

    applyDeviceProfile(*DeviceProfile::named("iphone-4.7"));
    EXPECT_EQ(device->originsKey(), "Origins-4_7Inch");
    EXPECT_EQ(device->originsKey(), device->originsKey());
}

// The layout server's addresses: the collection of each device class, the
// host from the device's setting, and the escaping of a layout's name.
TEST_F(QVDeviceTest, LayoutServerAddressesPerDeviceClass)
{
    qv::testing::TemporaryDeviceRoot root;
    const std::pair<const char*, const char*> collections[] = {
        { "3.5-inch", "iPhone3_5Inch" }, { "4-inch", "iPhone4Inch" }, { "4.7-inch", "iPhone4_7Inch" },
        { "5.5-inch", "iPhone5_5Inch" }, { "iPad at scale 2", "iPad" }, { "unknown", "iPhone3_5Inch" },
    };
    for (const DeviceConstants& c : deviceConstantCases()) {
        const auto found = std::find_if(std::begin(collections), std::end(collections), [&](const auto& entry) { return c.name == std::string(entry.first); });
        if (found == std::end(collections))
            continue;
        SCOPED_TRACE(c.name);
        applyDeviceProfile(c.profile);
        const std::string base = std::string("http://127.0.0.1:8080/Apps/Quiltvane/Layouts/") + found->second;
        EXPECT_EQ(device->serverFolderName(), found->second);
        EXPECT_EQ(device->urlBasePath(), base);
        EXPECT_EQ(device->urlForListOfUploadedLayoutsForSortingControlState(0)->absoluteString(), base + "/DownloadCounter.asp");
        EXPECT_EQ(device->urlForUploadLayout()->absoluteString(), base + "/upload.asp");
    }

    applyDeviceProfile(*DeviceProfile::named("iphone-4"));
    for (NSInteger state : { 1, 2, -1 })
        EXPECT_EQ(device->urlForListOfUploadedLayoutsForSortingControlState(state)->requestTarget(),
            "/Apps/Quiltvane/Layouts/iPhone4Inch/SortedDownloadCounter.asp");
    const std::pair<const char*, const char*> names[] = {
        { "My Layout.plist", "My%20Layout.plist" },
        { "Blue.plist", "Blue.plist" },
        // Reserved characters stay; what a URL cannot hold is escaped byte by byte.
        { "a&b=c+d/e?.plist", "a&b=c+d/e?.plist" },
        { "100% #1.plist", "100%25%20%231.plist" },
        { "Caf\xC3\xA9.plist", "Caf%C3%A9.plist" },
    };
    for (const auto& [name, escaped] : names)
        EXPECT_EQ(device->urlForLayoutWithName(name)->requestTarget(), std::string("/Apps/Quiltvane/Layouts/iPhone4Inch/GetLayout.asp?filename=") + escaped) << name;
}

// The host is the device's setting, read at every call; a setting that
// cannot be a host is passed over.
TEST_F(QVDeviceTest, LayoutServerHostIsTheDevicesSetting)
{
    qv::testing::TemporaryDeviceRoot root;
    ScopedDeviceProfile pad("ipad");
    EXPECT_EQ(device->layoutServerHost(), QVDevice::defaultLayoutServerHost);
    QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, NSString::create("layouts.example:9000"));
    EXPECT_EQ(device->urlForUploadLayout()->absoluteString(), "http://layouts.example:9000/Apps/Quiltvane/Layouts/iPad/upload.asp");
    for (const char* unusable : { "", "two words", "host/path", "user@host", "a?b" }) {
        QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, NSString::create(unusable));
        EXPECT_EQ(device->layoutServerHost(), QVDevice::defaultLayoutServerHost) << unusable;
    }
    QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, NSNumber::numberWithInt(8080));
    EXPECT_EQ(device->layoutServerHost(), QVDevice::defaultLayoutServerHost);
    QVSharedPreferences::setValue(QVDevice::layoutServerHostKey, nullptr);
}
