#include "model/QVLayout.h"
#include "model/QVLayoutKeys.h"
#include "model/tests/support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::testing::iconList;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

namespace {

class LayoutObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(1000));
        layouts.writeDefaultFolderLayout(qv::testing::defaultLayoutFixture(5000));
    }
    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4" };
};

} // namespace

// A name whose file is missing (or that lacks its ".plist") still makes an
// object, with nothing loaded and nothing written.
TEST_F(LayoutObjectTest, MissingFile)
{
    layouts.writeLayout(LayoutRoot::userLayoutPath("Blue.plist"), NSDictionary::create({ { "QV", true } }));
    for (const char* name : { "Missing.plist", "Blue" }) {
        SCOPED_TRACE(name);
        Ref<QVLayout> layout = QVLayout::create(name, false);
        EXPECT_EQ(layout->layoutName(), name);
        EXPECT_EQ(layout->layoutPath(), LayoutRoot::userLayoutPath(name));
        EXPECT_FALSE(layout->layoutData());
        EXPECT_FALSE(layout->QV());
        EXPECT_FALSE(layout->folderLayout());
        EXPECT_FALSE(layout->defaultLayout());
        ASSERT_TRUE(layout->layoutPreview());
        EXPECT_TRUE(layout->layoutPreview()->subviews().empty());
        EXPECT_FALSE(std::filesystem::exists(layouts.root().hostPath(LayoutRoot::userLayoutPath(name))));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(layouts.root().hostPath(QVUserLayoutsFolder)), {}), 1);
}

// The flags come from the file (a missing "FolderLayout" is a home-screen
// layout), the folder from the default flag; the data holds the running
// device's keys, filled from the default layout the folder flag chooses.
TEST_F(LayoutObjectTest, FlagsDataAndFolders)
{
    struct Case {
        const char* name;
        bool isDefault;
        Ref<NSDictionary> content;
        bool QV;
        bool folder;
        int filledFrom;
    };
    const Case cases[] = {
        { "Mine.plist", false, NSDictionary::create({ { "QV", true }, { "FolderLayout", true } }), true, true, 5000 },
        { "Mine.plist", false, NSDictionary::create({ { "QV", false } }), false, false, 1000 },
        { "Default.plist", true, qv::testing::defaultLayoutFixture(1000), true, false, 1000 },
        { "Downloaded.plist", false, NSDictionary::create({ { "QV", 1 }, { "FolderLayout", "YES" } }), true, true, 5000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.isDefault ? LayoutRoot::defaultLayoutPath(c.name) : LayoutRoot::userLayoutPath(c.name);
        layouts.writeLayout(path, c.content);
        Ref<QVLayout> layout = QVLayout::create(c.name, c.isDefault);
        EXPECT_EQ(layout->layoutPath(), path);
        EXPECT_EQ(layout->defaultLayout(), c.isDefault);
        EXPECT_EQ(layout->QV(), c.QV);
        EXPECT_EQ(layout->folderLayout(), c.folder);
        ASSERT_TRUE(layout->layoutData());
        RefPtr<NSArray> portrait = layout->layoutData()->arrayForKey("Origins-4Inch");
        ASSERT_TRUE(portrait);
        EXPECT_TRUE(portrait->isEqual(iconList(c.filledFrom + 100, 3).ptr()));
        EXPECT_EQ(layout->layoutPreview()->subviews().size(), 5u);
    }
}

// The thumbnail is 190 by 80 on an iPad and 170 by 60 on every other
// device, one of no known class included.
TEST_F(LayoutObjectTest, PreviewFrame)
{
    const std::pair<DeviceProfile, CGRect> cases[] = {
        { *DeviceProfile::named("ipad"), CGRectMake(0, 0, 190, 80) },
        { *DeviceProfile::named("iphone-3.5"), CGRectMake(0, 0, 170, 60) },
        { *DeviceProfile::named("iphone-5.5"), CGRectMake(0, 0, 170, 60) },
        { qv::testing::screenProfile(700, UIUserInterfaceIdiomPhone), CGRectMake(0, 0, 170, 60) },
    };
    for (const auto& [profile, frame] : cases) {
        SCOPED_TRACE(profile.name);
        ScopedDeviceProfile scoped(profile);
        EXPECT_EQ(QVLayout::create("Missing.plist", false)->layoutPreview()->frame(), frame);
    }
}

// Setters change their field only.
TEST_F(LayoutObjectTest, SettersChangeOnlyTheirField)
{
    layouts.writeLayout(LayoutRoot::userLayoutPath("Mine.plist"), NSDictionary::create({ { "QV", true } }));
    Ref<QVLayout> layout = QVLayout::create("Mine.plist", false);
    const std::string fileBefore = layouts.root().readFile(LayoutRoot::userLayoutPath("Mine.plist"));
    RefPtr<QVLayoutPreview> preview = layout->layoutPreview();
    layout->setLayoutData(NSDictionary::create());
    layout->setLayoutName("Other.plist");
    layout->setQV(false);
    EXPECT_EQ(layout->layoutData()->count(), 0u);
    EXPECT_EQ(layout->layoutName(), "Other.plist");
    EXPECT_EQ(layout->layoutPath(), LayoutRoot::userLayoutPath("Mine.plist"));
    EXPECT_FALSE(layout->QV());
    EXPECT_EQ(layout->layoutPreview().get(), preview.get());
    EXPECT_EQ(layouts.root().readFile(LayoutRoot::userLayoutPath("Mine.plist")), fileBefore);
}
