#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/core/CoreTesting.h"
#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

// Puts the process's profile back after each test.
class DeviceProfileTest : public ::testing::Test {
protected:
    void TearDown() override { applyDeviceProfile(DeviceProfile::fromEnvironment()); }
};

} // namespace

TEST_F(DeviceProfileTest, BuiltInProfiles)
{
    struct Case {
        const char* name;
        CGRect bounds;
        CGFloat scale;
        CGRect nativeBounds;
        CGFloat nativeScale;
        int64_t idiom;
    };
    const Case cases[] = {
        { "iphone-3.5", CGRectMake(0, 0, 320, 480), 2, CGRectMake(0, 0, 640, 960), 2, UIUserInterfaceIdiomPhone },
        { "iphone-4", CGRectMake(0, 0, 320, 568), 2, CGRectMake(0, 0, 640, 1136), 2, UIUserInterfaceIdiomPhone },
        { "iphone-4.7", CGRectMake(0, 0, 375, 667), 2, CGRectMake(0, 0, 750, 1334), 2, UIUserInterfaceIdiomPhone },
        { "iphone-5.5", CGRectMake(0, 0, 414, 736), 3, CGRectMake(0, 0, 1080, 1920), 1080.0 / 414.0, UIUserInterfaceIdiomPhone },
        { "ipad", CGRectMake(0, 0, 768, 1024), 2, CGRectMake(0, 0, 1536, 2048), 2, UIUserInterfaceIdiomPad },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto profile = DeviceProfile::named(c.name);
        ASSERT_TRUE(profile);
        applyDeviceProfile(*profile);
        UIScreen& screen = UIScreen::mainScreen();
        EXPECT_EQ(screen.bounds(), c.bounds);
        EXPECT_EQ(screen.scale(), c.scale);
        EXPECT_TRUE(screen.respondsToNativeBounds());
        EXPECT_EQ(screen.nativeBounds(), c.nativeBounds);
        EXPECT_EQ(screen.nativeScale(), c.nativeScale);
        EXPECT_TRUE(UIDevice::currentDevice().respondsToUserInterfaceIdiom());
        EXPECT_EQ(UIDevice::currentDevice().userInterfaceIdiom(), c.idiom);
        // The portrait height in points, as the device's classification reads it.
        EXPECT_EQ(screen.nativeBounds().size.height / screen.nativeScale(), c.bounds.size.height);
    }
    EXPECT_FALSE(DeviceProfile::named("iphone-6"));
}

TEST_F(DeviceProfileTest, ScreensWithoutNativeBoundsAndDevicesWithoutIdiom)
{
    DeviceProfile old = DeviceProfile::make("old-phone", 320, 480, 1, UIUserInterfaceIdiomPhone);
    old.nativeBounds.reset();
    old.idiom.reset();
    old.systemVersion = "7.1";
    applyDeviceProfile(old);
    EXPECT_FALSE(UIScreen::mainScreen().respondsToNativeBounds());
    EXPECT_EQ(UIScreen::mainScreen().nativeBounds(), CGRectZero);
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 320, 480));
    EXPECT_FALSE(UIDevice::currentDevice().respondsToUserInterfaceIdiom());
    EXPECT_EQ(UIDevice::currentDevice().systemVersion(), "7.1");

    DeviceProfile odd = DeviceProfile::make("odd", 320, 600, 2, 7);
    applyDeviceProfile(odd);
    EXPECT_EQ(UIDevice::currentDevice().userInterfaceIdiom(), 7);
    EXPECT_EQ(UIScreen::mainScreen().bounds().size.height, 600);
}

TEST_F(DeviceProfileTest, RotationSwapsBoundsButNotNativeBounds)
{
    applyDeviceProfile(*DeviceProfile::named("ipad"));
    UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(UIScreen::mainScreen().nativeBounds(), CGRectMake(0, 0, 1536, 2048));
}

// The application frame is the screen less the status bar along its top,
// in the shape the interface has now.
TEST_F(DeviceProfileTest, ApplicationFrameLeavesTheStatusBarOut)
{
    applyDeviceProfile(*DeviceProfile::named("iphone-4"));
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 20, 320, 548));
    UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 568, 320));
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 20, 568, 300));
}

// QV_DEVICE names the profile; an unknown name falls back to the 4-inch
// phone and says so.
TEST(DeviceProfileEnvironment, ProfileComesFromQvDevice)
{
    {
        qv::testing::ScopedEnvironment device("QV_DEVICE", "ipad");
        EXPECT_EQ(DeviceProfile::fromEnvironment().name, "ipad");
    }
    {
        qv::testing::ScopedEnvironment device("QV_DEVICE", "toaster");
        LogCapture log;
        EXPECT_EQ(DeviceProfile::fromEnvironment().name, "iphone-4");
        EXPECT_TRUE(log.contains("toaster"));
    }
    qv::testing::ScopedEnvironment device("QV_DEVICE", std::nullopt);
    EXPECT_EQ(DeviceProfile::fromEnvironment().name, "iphone-4");
}
