#include "model/QVLayout.h"
#include "model/tests/support/ModelTestSupport.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

// The Settings bundle only shows layouts: a file in an older key form is
// left byte for byte as it was, while the object's data holds the form its
// thumbnail upgraded it to in memory.
TEST(SettingsLayoutObjectTest, FileIsLeftUntouched)
{
    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device("iphone-4");
    layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(1000));
    const std::string path = LayoutRoot::userLayoutPath("Old.plist");
    const std::string bytes = qv::testing::binaryPropertyListFromPython(
        "{'QV': True, 'FolderLayout': False, 'Origins': [{'x': 10.5, 'y': 20}], 'Origins-4Inch-Landscape': {}}");
    layouts.root().writeFile(path, bytes);

    Ref<QVLayout> layout = QVLayout::create("Old.plist", false);

    EXPECT_EQ(layouts.root().readFile(path), bytes);
    EXPECT_TRUE(layout->QV());
    EXPECT_FALSE(layout->folderLayout());
    ASSERT_TRUE(layout->layoutData());
    EXPECT_FALSE(layout->layoutData()->objectForKey("Origins"));
    EXPECT_EQ(layout->layoutData()->arrayForKey("Origins-4Inch")->count(), 1u);
    EXPECT_EQ(layout->layoutData()->arrayForKey("Origins-4Inch-Landscape")->count(), 2u) << "the corrupt list refilled from the default";
    ASSERT_EQ(layout->layoutPreview()->subviews().size(), 3u);
    EXPECT_EQ(layout->layoutPreview()->subviews().back()->frame().origin.x, 10.5 / 8) << "fractions kept";
}
