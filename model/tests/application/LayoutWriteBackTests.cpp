#include "model/QVLayout.h"
#include "model/QVLayoutKeys.h"
#include "model/tests/support/ModelTestSupport.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::testing::iconEntry;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

namespace {

class LayoutWriteBackTest : public ::testing::Test {
protected:
    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4.7" };
};

} // namespace

// Loading a layout in an older key form leaves the upgraded layout in its
// file, as plistlib reads it: the device's keys with the moved values and
// their types, the gaps filled from "Default.plist", the old keys gone.
TEST_F(LayoutWriteBackTest, OlderFileIsUpgradedOnDisk)
{
    layouts.writeDefaultLayout(NSDictionary::create({
        { "GridSize-4_7Inch", qv::testing::gridEntry(5, 7, 0, 20, 375, 600) },
        { "GridSize-4_7Inch-Landscape", qv::testing::gridEntry(7, 4, 0, 20, 667, 300) },
        { "Origins-4_7Inch-Landscape", NSArray::create({ iconEntry(9, 9) }) },
    }));
    const std::string path = LayoutRoot::userLayoutPath("Old.plist");
    layouts.root().writeFile(path, qv::testing::binaryPropertyListFromPython(
        "{'QV': True, 'Origins': [{'x': 10, 'y': 20.5, 'LockedIndex': -1}], 'Origins-Tall-Landscape': [], 'GridSize': {'Dimensions-Width': 4}}"));

    Ref<QVLayout> layout = QVLayout::create("Old.plist", false);

    EXPECT_EQ(layouts.plistlibJSON(path),
        "{\"GridSize-4_7Inch\": {\"Dimensions-Width\": 4}, "
        "\"GridSize-4_7Inch-Landscape\": {\"Dimensions-Height\": 4, \"Dimensions-Width\": 7, \"height\": 300.0, \"width\": 667.0, \"x\": 0.0, \"y\": 20.0}, "
        "\"Origins-4_7Inch\": [{\"LockedIndex\": -1, \"x\": 10, \"y\": 20.5}], "
        "\"Origins-4_7Inch-Landscape\": [], "
        "\"QV\": true}");
    EXPECT_TRUE(layout->QV());
    EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(path)->isEqual(layout->layoutData().get()));
    EXPECT_TRUE(layout->layoutPreview()->subviews().size() == 1u) << "one portrait icon, an empty landscape list";
}

// A file already in the device's form is written again at every creation,
// with the same content (here: a binary file comes back as XML).
TEST_F(LayoutWriteBackTest, CurrentFileIsRewrittenUnchanged)
{
    const std::string path = LayoutRoot::defaultLayoutPath("Default Folder.plist");
    layouts.root().writeFile(path, qv::testing::binaryPropertyListFromPython(
        "{'FolderLayout': True, 'Origins-4_7Inch': [{'x': 1, 'y': 2, 'LockedIndex': 0}], 'Origins-4_7Inch-Landscape': [],"
        " 'GridSize-4_7Inch': {'x': 0.5}, 'GridSize-4_7Inch-Landscape': {'x': 1.5}, 'Origins-iPad': 'kept'}"));
    const std::string before = layouts.plistlibJSON(path);
    Ref<QVLayout> layout = QVLayout::create("Default Folder.plist", true);
    EXPECT_TRUE(layout->folderLayout());
    EXPECT_EQ(layouts.root().readFile(path).rfind("<?xml", 0), 0u) << "written back as XML";
    EXPECT_EQ(layouts.plistlibJSON(path), before);
}
