#include "model/QVPreferenceNames.h"
#include "model/QVSettings.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/CoreFoundation/tests/PeerProcess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

using namespace qv;
using qv::testing::PeerProcess;
using qv::testing::ScopedDeviceProfile;

namespace {

class QVSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { layouts.writeImage("/Applications/Quilt Vane.app/Default_Icon.png"); }

    qv::testing::LayoutRoot layouts;
};

} // namespace

// The settings start afresh on every device root: the device's default
// grid, no snapping, the stock images of that root; nothing chosen on an
// earlier root is kept.
TEST(QVSettingsFreshStart, EachDeviceRootStartsAfresh)
{
    struct Case {
        const char* profile;
        CGSize gridSize;
        const char* wallpaper;
    };
    const Case cases[] = {
        { "iphone-4", CGSizeMake(5, 6), nullptr },
        { "ipad", CGSizeMake(8, 8), "/Library/Wallpaper/iPad/default@2x.png" },
        { "iphone-4", CGSizeMake(5, 6), "/Library/Wallpaper/iPhone/default-568h@2x.png" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        qv::testing::LayoutRoot layouts;
        layouts.writeImage("/Applications/Quilt Vane.app/Default_Icon.png");
        if (c.wallpaper)
            layouts.writeImage(c.wallpaper);
        ScopedDeviceProfile device(c.profile);
        Ref<QVSettings> settings = QVSettings::currentSettings();
        EXPECT_EQ(settings->gridSize(), c.gridSize);
        EXPECT_FALSE(settings->snapToGrid());
        EXPECT_TRUE(settings->iconImageReset());
        EXPECT_TRUE(settings->backgroundImageReset());
        EXPECT_EQ(settings->defaultLayoutName(), "Default.plist");
        EXPECT_TRUE(settings->currentIconImage());
        EXPECT_EQ(static_cast<bool>(settings->currentBackgroundImage()), c.wallpaper != nullptr);
        // Choices the next root must not see.
        settings->setGridSize(CGSizeMake(3, 3));
        settings->setSnapToGrid(true);
        settings->setCurrentIconImage(nullptr);
        settings->setCurrentBackgroundImage(nullptr);
        EXPECT_EQ(QVSettings::currentSettings().ptr(), settings.ptr()) << "one instance while the root stays";
    }
}

// Only finite sizes above 0 in both dimensions are stored, fractions
// unrounded; anything else gives the device's default grid in both.
TEST_F(QVSettingsTest, GridSize)
{
    ScopedDeviceProfile device("iphone-4.7");
    Ref<QVSettings> settings = QVSettings::currentSettings();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<CGSize, CGSize> cases[] = {
        { { 7, 9 }, { 7, 9 } },
        { { 5.5, 6 }, { 5.5, 6 } },
        { { 6, 0 }, { 5, 7 } },
        { { 0, 0 }, { 5, 7 } },
        { { -1, 4 }, { 5, 7 } },
        { { 3, -0.5 }, { 5, 7 } },
        { { nan, 4 }, { 5, 7 } },
        { { 4, infinity }, { 5, 7 } },
        { { -infinity, 4 }, { 5, 7 } },
        { { 1e-300, 1 }, { 1e-300, 1 } },
    };
    for (const auto& [given, stored] : cases) {
        settings->setGridSize(given);
        EXPECT_EQ(settings->gridSize(), stored) << given.width << " x " << given.height;
    }
    ScopedDeviceProfile pad("ipad");
    settings->setGridSize(CGSizeMake(6, 0));
    EXPECT_EQ(settings->gridSize(), CGSizeMake(8, 8)) << "the default is asked for anew";
}

// Each image is stock (flag YES) until its setter, and again after its
// reset; nil may be set.
TEST_F(QVSettingsTest, ImagesAndTheirResetFlags)
{
    ScopedDeviceProfile device("iphone-4");
    Ref<QVSettings> settings = QVSettings::currentSettings();
    RefPtr<UIImage> stockIcon = settings->currentIconImage();
    ASSERT_TRUE(stockIcon);

    settings->setCurrentIconImage(nullptr);
    EXPECT_FALSE(settings->currentIconImage());
    EXPECT_FALSE(settings->iconImageReset());
    settings->resetCurrentIconImage();
    EXPECT_EQ(settings->currentIconImage().get(), stockIcon.get());
    EXPECT_TRUE(settings->iconImageReset());
    settings->setCurrentIconImage(stockIcon);
    EXPECT_FALSE(settings->iconImageReset()) << "the stock image set by hand is a choice";

    EXPECT_FALSE(settings->currentBackgroundImage()) << "no wallpaper file";
    layouts.writeImage("/Library/Wallpaper/iPhone/default-568h@2x.png");
    RefPtr<UIImage> chosen = UIImage::imageWithContentsOfFile("/Library/Wallpaper/iPhone/default-568h@2x.png");
    settings->setCurrentBackgroundImage(chosen);
    EXPECT_EQ(settings->currentBackgroundImage().get(), chosen.get());
    EXPECT_FALSE(settings->backgroundImageReset());
    settings->resetCurrentBackgroundImage();
    EXPECT_TRUE(settings->currentBackgroundImage()) << "the wallpaper is read again";
    EXPECT_NE(settings->currentBackgroundImage().get(), chosen.get());
    EXPECT_TRUE(settings->backgroundImageReset());
    std::filesystem::remove(layouts.root().hostPath("/Library/Wallpaper/iPhone/default-568h@2x.png"));
    settings->resetCurrentBackgroundImage();
    EXPECT_FALSE(settings->currentBackgroundImage());
    EXPECT_TRUE(settings->backgroundImageReset());
}

TEST_F(QVSettingsTest, FixedAnswers)
{
    Ref<QVSettings> settings = QVSettings::currentSettings();
    for (const auto& c : qv::testing::builtInDeviceClasses) {
        ScopedDeviceProfile device(c.profile);
        EXPECT_EQ(settings->numberOfSupportedPages(), 11);
    }
    EXPECT_EQ(settings->userLayoutPath(), "/var/mobile/Library/Quiltvane/Layouts");
    EXPECT_EQ(settings->defaultLayoutPath(), "/Library/Application Support/Quiltvane/Layouts");
    EXPECT_EQ(settings->themePath(), "/Library/Themes");
    settings->setSnapToGrid(true);
    EXPECT_TRUE(settings->snapToGrid());
}

// Values the caller set reach the store before the extension is told: the
// other process, synchronising when notified, finds them. Each call posts.
TEST_F(QVSettingsTest, SendSettingsSynchronisesThenNotifies)
{
    PeerProcess extension(QVPreferenceDomain);
    extension.command(std::string("observe ") + QVSettingsChangedNotification);
    Ref<QVSettings> settings = QVSettings::currentSettings();

    for (const char* layout : { "Blue.plist//USER", "Default.plist//DEFAULT" }) {
        CFPreferencesSetAppValue("CurrentLayout", NSString::create(layout), QVPreferenceDomain);
        settings->sendSettings();
        EXPECT_TRUE(extension.notificationsUntil(QVSettingsChangedNotification).empty());
        extension.command("sync");
        EXPECT_EQ(extension.ask("get CurrentLayout"), std::string("value ") + layout);
    }
}

// The reset removes the 15 tutorial keys from the store and nothing else,
// and posts nothing.
TEST_F(QVSettingsTest, ResetTutorialRemovesTheTutorialKeys)
{
    PeerProcess extension(QVPreferenceDomain);
    extension.command(std::string("observe ") + QVSettingsChangedNotification);
    extension.command("observe Marker");
    extension.command("set Tutorial-Welcome YES");
    extension.command("set Tutorial-Ignore-Icon-Touches YES");
    extension.command("set CurrentLayout Blue.plist//USER");
    extension.command("sync");

    CFPreferencesAppSynchronize(QVPreferenceDomain);
    QVSettings::currentSettings()->resetTutorial();
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), "Marker", nullptr, nullptr, true);

    EXPECT_TRUE(extension.notificationsUntil("Marker").empty()) << "no SETTINGS_CHANGED before the marker";
    extension.command("sync");
    EXPECT_EQ(extension.ask("get Tutorial-Welcome"), "none");
    EXPECT_EQ(extension.ask("get Tutorial-Ignore-Icon-Touches"), "none");
    EXPECT_EQ(extension.ask("get CurrentLayout"), "value Blue.plist//USER");
    EXPECT_FALSE(CFPreferencesCopyAppValue("Tutorial-Welcome", QVPreferenceDomain));

    QVSettings::currentSettings()->resetTutorial();
    extension.command("sync");
    EXPECT_EQ(extension.ask("get CurrentLayout"), "value Blue.plist//USER") << "a second reset changes nothing";
}
