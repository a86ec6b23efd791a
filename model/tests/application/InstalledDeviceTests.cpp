#include "model/QVDeviceType.h"
#include "model/QVLayout.h"
#include "model/QVLayoutKeys.h"
#include "model/QVSettings.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/UIKit/UIDevice.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

namespace {

// A device root laid out by the install program, as the system finds it.
class InstalledDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto result = qv::testing::runProcess({ qv::testing::buildDirectory() + "/bin/qv-install-root", root.path().string() });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        // Made by the extension on the device, not by the install.
        std::filesystem::create_directories(root.hostPath(QVUserLayoutsFolder));
    }
    qv::testing::TemporaryDeviceRoot root;
};

} // namespace

// On every device class, an old layout holding only its portrait icons
// under the bare stem gets the rest from the installed default layouts,
// and its file is written back with them.
TEST_F(InstalledDeviceTest, OldLayoutsAreCompletedFromTheInstalledDefaults)
{
    for (bool folder : { false, true }) {
        RefPtr<NSDictionary> defaults = NSDictionary::dictionaryWithContentsOfFile(
            LayoutRoot::defaultLayoutPath(folder ? "Default Folder.plist" : "Default.plist"));
        ASSERT_TRUE(defaults);
        for (const auto& c : qv::testing::builtInDeviceClasses) {
            SCOPED_TRACE(::testing::Message() << c.profile << (folder ? " folder" : ""));
            ScopedDeviceProfile device(c.profile);
            const std::string suffix = c.suffix;
            auto old = NSDictionary::create({ { "QV", true }, { "FolderLayout", folder }, { "Origins", qv::testing::iconList(3, 2) } });
            ASSERT_TRUE(old->writeToFile(LayoutRoot::userLayoutPath("Old.plist"), true));

            Ref<QVLayout> layout = QVLayout::create("Old.plist", false);

            RefPtr<NSDictionary> onDisk = NSDictionary::dictionaryWithContentsOfFile(LayoutRoot::userLayoutPath("Old.plist"));
            ASSERT_TRUE(onDisk && layout->layoutData());
            EXPECT_TRUE(onDisk->isEqual(layout->layoutData().get()));
            EXPECT_TRUE(onDisk->objectForKey("Origins" + suffix)->isEqual(qv::testing::iconList(3, 2).ptr()));
            EXPECT_FALSE(onDisk->objectForKey("Origins"));
            for (const std::string& key : { "Origins" + suffix + "-Landscape", "GridSize" + suffix, "GridSize" + suffix + "-Landscape" }) {
                RefPtr<NSObject> installed = defaults->objectForKey(key);
                ASSERT_TRUE(installed) << key;
                EXPECT_TRUE(installed->isEqual(onDisk->objectForKey(key).get())) << key;
            }
            const size_t landscapeIcons = defaults->arrayForKey("Origins" + suffix + "-Landscape")->count();
            EXPECT_EQ(layout->layoutPreview()->subviews().size(), 2 + landscapeIcons);
        }
    }
}

// A device of no known class reads the bare stems. Its layouts get what
// they lack from the installed default layouts too, and those hold the
// smallest phone's arrangement there, which fits on any screen.
TEST_F(InstalledDeviceTest, LayoutsOnADeviceOfNoKnownClassAreCompletedFromTheInstalledDefaults)
{
    const std::pair<const char*, const char*> bareAndSmallestPhoneKeys[] = {
        { "Origins", "Origins-3_5Inch" },
        { "Origins-Landscape", "Origins-3_5Inch-Landscape" },
        { "GridSize", "GridSize-3_5Inch" },
        { "GridSize-Landscape", "GridSize-3_5Inch-Landscape" },
    };
    const std::pair<CGFloat, int64_t> unknownDevices[] = { { 600, UIUserInterfaceIdiomPhone }, { 1000, UIUserInterfaceIdiomPhone }, { 768, 5 } };
    for (bool folder : { false, true }) {
        RefPtr<NSDictionary> defaults = NSDictionary::dictionaryWithContentsOfFile(
            LayoutRoot::defaultLayoutPath(folder ? "Default Folder.plist" : "Default.plist"));
        ASSERT_TRUE(defaults);
        for (const auto& [bare, smallestPhone] : bareAndSmallestPhoneKeys) {
            ASSERT_TRUE(defaults->objectForKey(bare)) << bare;
            EXPECT_TRUE(defaults->objectForKey(bare)->isEqual(defaults->objectForKey(smallestPhone).get())) << bare;
        }
        for (const auto& [height, idiom] : unknownDevices) {
            SCOPED_TRACE(::testing::Message() << height << " idiom " << idiom << (folder ? " folder" : ""));
            ScopedDeviceProfile device(qv::testing::screenProfile(height, idiom));
            ASSERT_EQ(currentDeviceType(), QVDeviceTypeUnknown);
            auto old = NSDictionary::create({ { "QV", true }, { "FolderLayout", folder }, { "Origins-Tall", qv::testing::iconList(3, 2) } });
            ASSERT_TRUE(old->writeToFile(LayoutRoot::userLayoutPath("Old.plist"), true));

            Ref<QVLayout> layout = QVLayout::create("Old.plist", false);

            RefPtr<NSDictionary> onDisk = NSDictionary::dictionaryWithContentsOfFile(LayoutRoot::userLayoutPath("Old.plist"));
            ASSERT_TRUE(onDisk);
            EXPECT_TRUE(onDisk->objectForKey("Origins")->isEqual(qv::testing::iconList(3, 2).ptr()));
            EXPECT_FALSE(onDisk->objectForKey("Origins-Tall"));
            for (const char* key : { "Origins-Landscape", "GridSize", "GridSize-Landscape" })
                EXPECT_TRUE(defaults->objectForKey(key)->isEqual(onDisk->objectForKey(key).get())) << key;
            const size_t landscapeIcons = defaults->arrayForKey("Origins-Landscape")->count();
            EXPECT_EQ(layout->layoutPreview()->subviews().size(), 2 + landscapeIcons);
        }
    }
}

// The application's stock images come from the installed bundle and
// wallpapers.
TEST_F(InstalledDeviceTest, StockImagesAreInstalled)
{
    ScopedDeviceProfile device("iphone-4");
    Ref<QVSettings> settings = QVSettings::currentSettings();
    EXPECT_TRUE(settings->currentIconImage());
    EXPECT_TRUE(settings->currentBackgroundImage());
}
