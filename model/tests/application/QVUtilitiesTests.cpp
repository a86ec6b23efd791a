#include "model/QVUtilities.h"
#include "model/tests/support/ModelTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::testing::ScopedDeviceProfile;

namespace {

class QVUtilitiesTest : public ::testing::Test {
protected:
    qv::testing::LayoutRoot layouts;
    Ref<QVUtilities> utilities = QVUtilities::currentUtilities();
};

} // namespace

// A layout name becomes a file name in the layouts folder: no "/" may take
// it elsewhere and no NUL may cut it short; nothing else changes.
TEST_F(QVUtilitiesTest, FilterLayoutName)
{
    const std::pair<std::string, std::string> cases[] = {
        { "Blue/Green/Red", "BlueGreenRed" },
        { "/", "" },
        { "///", "" },
        { "My Layout.plist", "My Layout.plist" },
        { "..\\Back Slash. Dots", "..\\Back Slash. Dots" },
        { "../../etc", "....etc" },
        { std::string("Hidden\0/Tail", 12), "HiddenTail" },
        { "Ünïcode/名前", "Ünïcode名前" },
    };
    for (const auto& [name, filtered] : cases)
        EXPECT_EQ(utilities->filterLayoutName(name), filtered) << name;
    EXPECT_EQ(utilities->filterLayoutName(std::nullopt), std::nullopt);
}

TEST_F(QVUtilitiesTest, TutorialKeys)
{
    const std::pair<int32_t, std::optional<std::string>> cases[] = {
        { 0, "Tutorial-Welcome" },
        { 5, "Tutorial-Save-Button" },
        { 6, "Tutorial-Grid-Button" },
        { 7, "Tutorial-Image-Button" },
        { 8, "Tutorial-Orientation" },
        { 9, "Tutorial-Grid-View-Welcome" },
        { 14, "Tutorial-Ignore-Icon-Touches" },
        { 15, std::nullopt },
        { -1, std::nullopt },
        { INT32_MIN, std::nullopt },
    };
    for (const auto& [index, key] : cases)
        EXPECT_EQ(utilities->tutorialKey(index), key) << index;

    Ref<NSArray> keys = utilities->tutorialKeys();
    ASSERT_EQ(keys->count(), 15u);
    for (int32_t index = 0; index < 15; ++index)
        EXPECT_EQ(keys->objectAtIndex(index)->description(), *utilities->tutorialKey(index));
    EXPECT_NE(keys.ptr(), utilities->tutorialKeys().ptr()) << "a new list every time";
}

// Bundle images with or without the device's suffix, looked up afresh.
TEST_F(QVUtilitiesTest, ImageNamedAddsTheDeviceSuffix)
{
    const std::pair<const char*, const char*> cases[] = {
        { "iphone-3.5", "Grid_Background@2x.png" },
        { "iphone-4", "Grid_Background-568h@2x.png" },
        { "iphone-4.7", "Grid_Background@2x.png" },
        { "iphone-5.5", "Grid_Background@3x.png" },
        { "ipad", "Grid_Background-iPad@2x.png" },
    };
    layouts.writeImage("/Applications/Quilt Vane.app/Default_Icon.png");
    for (const auto& [profile, file] : cases) {
        SCOPED_TRACE(profile);
        ScopedDeviceProfile device(profile);
        layouts.writeImage(std::string("/Applications/Quilt Vane.app/") + file);
        EXPECT_TRUE(utilities->imageNamed("Grid_Background", true));
        EXPECT_FALSE(utilities->imageNamed("Grid_Background", false)) << "no file under the bare name";
        EXPECT_TRUE(utilities->imageNamed("Default_Icon.png", false));
        EXPECT_FALSE(utilities->imageNamed("Default_Icon.png", true));
        std::filesystem::remove(layouts.root().hostPath(std::string("/Applications/Quilt Vane.app/") + file));
    }
    ScopedDeviceProfile unknown(qv::testing::screenProfile(600, UIUserInterfaceIdiomPhone));
    layouts.writeImage("/Applications/Quilt Vane.app/Placeholder@2x.png");
    EXPECT_TRUE(utilities->imageNamed("Placeholder", true));
}

// The stock wallpaper of each device, read from disk at every call.
TEST_F(QVUtilitiesTest, DefaultBackgroundImage)
{
    DeviceProfile padAtScale1 = DeviceProfile::make("ipad-1x", 768, 1024, 1, UIUserInterfaceIdiomPad);
    const std::pair<DeviceProfile, const char*> cases[] = {
        { *DeviceProfile::named("iphone-3.5"), "/Library/Wallpaper/iPhone/default@2x.png" },
        { *DeviceProfile::named("iphone-4"), "/Library/Wallpaper/iPhone/default-568h@2x.png" },
        { *DeviceProfile::named("iphone-4.7"), "/Library/Wallpaper/iPhone/default@2x.png" },
        { *DeviceProfile::named("iphone-5.5"), "/Library/Wallpaper/iPhone/default@3x.png" },
        { *DeviceProfile::named("ipad"), "/Library/Wallpaper/iPad/default@2x.png" },
        { padAtScale1, "/Library/Wallpaper/iPad/default.png" },
        { qv::testing::screenProfile(1000, UIUserInterfaceIdiomPhone), "/Library/Wallpaper/iPhone/default@2x.png" },
    };
    for (const auto& [profile, path] : cases) {
        SCOPED_TRACE(path);
        ScopedDeviceProfile device(profile);
        EXPECT_FALSE(utilities->defaultBackgroundImage()) << "missing file";
        layouts.writeImage(path, 6);
        RefPtr<UIImage> image = utilities->defaultBackgroundImage();
        ASSERT_TRUE(image);
        EXPECT_NE(image.get(), utilities->defaultBackgroundImage().get()) << "read anew";
        std::filesystem::remove(layouts.root().hostPath(path));
    }
}
