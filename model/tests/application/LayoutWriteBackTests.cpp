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

// A layout is rewritten at every load, so whatever it holds must come back
// unchanged: dates beyond 32-bit seconds and with fractions, integers up
// to 2^64-1, XML integers with leading zeros.
TEST_F(LayoutWriteBackTest, EveryValueIsKeptWhenTheFileIsRewritten)
{
    const std::string path = LayoutRoot::userLayoutPath("Kept.plist");
    const std::string binary = qv::testing::binaryPropertyListFromPython(
        "{'QV': True, 'Origins-4_7Inch': [{'x': 10, 'y': 20, 'LockedIndex': -1}], 'Origins-4_7Inch-Landscape': [],"
        " 'GridSize-4_7Inch': {}, 'GridSize-4_7Inch-Landscape': {},"
        " 'saved': datetime.datetime(2070, 1, 1), 'edited': datetime.datetime(2000, 12, 31, 23, 59, 57, 500000),"
        " 'serial': 2**64 - 1}");
    layouts.root().writeFile(path, binary);
    Ref<QVLayout> fromBinary = QVLayout::create("Kept.plist", false);
    EXPECT_EQ(layouts.root().readFile(path).rfind("<?xml", 0), 0u) << "written back as XML";
    auto rewritten = NSDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(rewritten);
    EXPECT_TRUE(rewritten->isEqual(NSDictionary::dictionaryWithData(binary).get()));
    EXPECT_EQ(rewritten->dateForKey("saved")->timeIntervalSinceReferenceDate(), 2177452800.0);
    EXPECT_EQ(rewritten->dateForKey("edited")->timeIntervalSinceReferenceDate(), -2.5);
    EXPECT_EQ(rewritten->numberForKey("serial")->unsignedLongLongValue(), 18446744073709551615ULL);

    layouts.root().writeFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>QV</key><true/><key>Origins-4_7Inch</key><array><dict><key>x</key><integer>010</integer>"
        "<key>y</key><integer>0080</integer><key>LockedIndex</key><integer>-01</integer></dict></array></dict></plist>");
    Ref<QVLayout> fromXML = QVLayout::create("Kept.plist", false);
    EXPECT_NE(layouts.plistlibJSON(path).find("[{\"LockedIndex\": -1, \"x\": 10, \"y\": 80}]"), std::string::npos)
        << layouts.plistlibJSON(path);
}

// A layout from the shared server whose objects share references (ten
// kilobytes that would expand to gigabytes) is refused at once and left on
// disk as it was: no object holds it, nothing is written.
TEST_F(LayoutWriteBackTest, LayoutThatWouldExpandBeyondTheLimitsIsLeftAlone)
{
    const std::string path = LayoutRoot::userLayoutPath("Shared.plist");
    const std::string bytes = qv::testing::binaryPropertyListFromPython(
        "(lambda name: {'QV': True, 'Origins-4_7Inch': [[[name] * 500] * 1000]})('a' * 4000)");
    ASSERT_LT(bytes.size(), 10240u);
    layouts.root().writeFile(path, bytes);
    Ref<QVLayout> layout = QVLayout::create("Shared.plist", false);
    EXPECT_FALSE(layout->layoutData());
    EXPECT_EQ(layouts.root().readFile(path), bytes);
}
