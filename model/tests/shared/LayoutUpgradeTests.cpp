#include "model/QVLayoutKeys.h"
#include "model/tests/support/ModelTestSupport.h"
#include "model/tests/support/TestedReader.h"
#include "platform/Foundation/NSData.h"

#include <gtest/gtest.h>

#include "testing/FileSizeLimit.h"

#include <filesystem>

using namespace qv;
using qv::testing::gridEntry;
using qv::testing::iconList;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

namespace {

constexpr int defaultMarker = 1000;
constexpr int folderMarker = 5000;

class LayoutUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(defaultMarker));
        layouts.writeDefaultFolderLayout(qv::testing::defaultLayoutFixture(folderMarker));
    }

    bool exists(const std::string& devicePath) const { return std::filesystem::exists(layouts.root().hostPath(devicePath)); }
    // The default layout's value under a key.
    static Ref<NSObject> fromDefault(int marker, const std::string& key)
    {
        return qv::testing::defaultLayoutFixture(marker)->objectForKey(key).toRef();
    }
    static void expectValue(const NSDictionary& layout, const std::string& key, const NSObject& expected)
    {
        RefPtr<NSObject> value = layout.objectForKey(key);
        ASSERT_TRUE(value) << key;
        EXPECT_TRUE(value->isEqual(&expected)) << key << " holds " << value->description();
    }

    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4" };
    Ref<qv::testing::TestedReader> reader = qv::testing::TestedReader::create();
    const std::string savePath = LayoutRoot::userLayoutPath("Layout.plist");
};

} // namespace

// The example of a layout made before the device classes: its older forms
// move to the running device's keys, what has no older form comes from
// "Default.plist", and the file written back, read by plistlib, has the
// new keys with the old values and their types, and none of the old keys.
// Done on every device class, each with its own suffix.
TEST_F(LayoutUpgradeTest, OlderKeyFormsMoveAndAreWrittenBack)
{
    for (const auto& c : qv::testing::builtInDeviceClasses) {
        SCOPED_TRACE(c.profile);
        ScopedDeviceProfile profile(c.profile);
        const std::string suffix = c.suffix;
        auto layout = NSDictionary::create({
            { "QV", true },
            { "FolderLayout", false },
            { "Origins", NSArray::create({ qv::testing::iconEntry(1, 2) }) },
            { "Origins-Landscape", NSArray::create({ qv::testing::iconEntry(3, 4, 0) }) },
            { "Origins-Tall", NSArray::create({ qv::testing::iconEntry(5, 6, 7) }) },
            { "GridSize", gridEntry(4, 5, 10.5f, 20, 300, 400) },
        });
        layouts.writeLayout(savePath, layout);

        RefPtr<NSDictionary> result = reader->convertLayoutIfNecessary(layout, savePath, false);
        ASSERT_EQ(result.get(), layout.ptr());

        const int classMarker = defaultMarker + 100 * static_cast<int>(c.deviceType);
        const std::string defaultLandscapeGrid = "{\"Dimensions-Height\": 4, \"Dimensions-Width\": 7, \"height\": "
            + std::to_string(classMarker + 50) + ".0, \"width\": 568.0, \"x\": 0.5, \"y\": 20.0}";
        const std::string expected = "{\"FolderLayout\": false, "
            "\"GridSize" + suffix + "\": {\"Dimensions-Height\": 5, \"Dimensions-Width\": 4, \"height\": 400.0, \"width\": 300.0, \"x\": 10.5, \"y\": 20.0}, "
            "\"GridSize" + suffix + "-Landscape\": " + defaultLandscapeGrid + ", "
            "\"Origins" + suffix + "\": [{\"LockedIndex\": 7, \"x\": 5, \"y\": 6}], "
            "\"Origins" + suffix + "-Landscape\": [{\"LockedIndex\": 0, \"x\": 3, \"y\": 4}], "
            "\"QV\": true}";
        EXPECT_EQ(layouts.plistlibJSON(savePath), expected);
        EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(savePath)->isEqual(layout.ptr()));
    }
}

// Each older form by itself, and with the device's key already there.
TEST_F(LayoutUpgradeTest, MovesTakeOnlyMissingKeys)
{
    struct Case {
        const char* name;
        Ref<NSDictionary> layout;
        // Where the device's portrait and landscape origins come from:
        // a key of the layout before the upgrade, or "default".
        std::string portraitFrom;
        std::string landscapeFrom;
        std::vector<std::string> keysLeft; // besides the device's four keys
    };
    auto list = [](int x) { return iconList(x, 1); };
    const Case cases[] = {
        { "bare stems", NSDictionary::create({ { "Origins", list(1) }, { "Origins-Landscape", list(2) } }),
            "Origins", "Origins-Landscape", {} },
        { "-Tall wins over the bare stem", NSDictionary::create({ { "Origins", list(1) }, { "Origins-Tall", list(2) } }),
            "Origins-Tall", "default", {} },
        { "-Tall landscape", NSDictionary::create({ { "Origins-Landscape", list(1) }, { "Origins-Tall-Landscape", list(2) } }),
            "default", "Origins-Tall-Landscape", {} },
        { "device key present: older forms stay",
            NSDictionary::create({ { "Origins-4Inch", list(1) }, { "Origins", list(2) }, { "Origins-Tall", list(3) } }),
            "Origins-4Inch", "default", { "Origins", "Origins-Tall" } },
        { "portrait present, landscape from the default", NSDictionary::create({ { "Origins-4Inch", list(1) } }),
            "Origins-4Inch", "default", {} },
        { "empty list counts as present", NSDictionary::create({ { "Origins-4Inch", NSArray::create() }, { "Origins", list(2) } }),
            "Origins-4Inch", "default", { "Origins" } },
        { "corrupt device key refilled from an older form",
            NSDictionary::create({ { "Origins-4Inch", NSDictionary::create() }, { "Origins-Tall", list(2) } }),
            "Origins-Tall", "default", {} },
        { "corrupt device key refilled from the default",
            NSDictionary::create({ { "Origins-4Inch-Landscape", NSDictionary::create() }, { "Origins-4Inch", list(1) } }),
            "Origins-4Inch", "default", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<NSDictionary> before = c.layout->mutableCopy();
        reader->convertLayoutIfNecessary(c.layout, std::nullopt, false);

        auto source = [&](const std::string& from, const std::string& deviceKey) -> Ref<NSObject> {
            return from == "default" ? fromDefault(defaultMarker, deviceKey) : before->objectForKey(from).toRef();
        };
        expectValue(c.layout, "Origins-4Inch", source(c.portraitFrom, "Origins-4Inch"));
        expectValue(c.layout, "Origins-4Inch-Landscape", source(c.landscapeFrom, "Origins-4Inch-Landscape"));
        std::vector<std::string> expectedKeys = c.keysLeft;
        expectedKeys.insert(expectedKeys.end(), { "GridSize-4Inch", "GridSize-4Inch-Landscape", "Origins-4Inch", "Origins-4Inch-Landscape" });
        std::sort(expectedKeys.begin(), expectedKeys.end());
        EXPECT_EQ(c.layout->allKeys(), expectedKeys);
        for (const std::string& key : c.keysLeft)
            expectValue(c.layout, key, before->objectForKey(key).toRef());
    }
}

// A layout holding the 4-inch keys and the bare stem keeps the stem on the
// 4-inch phone, and a 3.5-inch phone later upgrades from it.
TEST_F(LayoutUpgradeTest, OlderFormsStayForOtherDevices)
{
    auto bare = iconList(7, 2);
    auto layout = NSDictionary::create({ { "Origins-4Inch", iconList(1, 1) }, { "Origins", bare } });
    reader->convertLayoutIfNecessary(layout, std::nullopt, false);
    expectValue(layout, "Origins", bare);

    ScopedDeviceProfile smaller("iphone-3.5");
    reader->convertLayoutIfNecessary(layout, std::nullopt, false);
    expectValue(layout, "Origins-3_5Inch", bare);
    EXPECT_FALSE(layout->objectForKey("Origins"));
    expectValue(layout, "Origins-4Inch", iconList(1, 1));
}

// The repair runs before the moves: a dictionary under an older form moves
// to the device's key as it is, and only the next pass through the entry
// finds it there, removes it and fills the key from the default layout.
TEST_F(LayoutUpgradeTest, ADictionaryMovedFromAnOlderFormIsRepairedOnTheNextPass)
{
    auto corrupt = NSDictionary::create({ { "x", 1 } });
    auto layout = NSDictionary::create({ { "Origins", corrupt } });
    reader->convertLayoutIfNecessary(layout, std::nullopt, false);
    expectValue(layout, "Origins-4Inch", corrupt);
    EXPECT_FALSE(layout->objectForKey("Origins"));

    reader->convertLayoutIfNecessary(layout, std::nullopt, false);
    expectValue(layout, "Origins-4Inch", fromDefault(defaultMarker, "Origins-4Inch"));
}

// On a device of no known class the device's keys are the bare stems:
// only the "-Tall" forms can move, and only into a missing stem.
TEST_F(LayoutUpgradeTest, UnknownDeviceTakesTallFormsIntoTheBareStems)
{
    ScopedDeviceProfile unknown(qv::testing::screenProfile(600, UIUserInterfaceIdiomPhone));
    auto tall = iconList(3, 1);
    auto withoutStem = NSDictionary::create({ { "Origins-Tall", tall } });
    reader->convertLayoutIfNecessary(withoutStem, std::nullopt, false);
    expectValue(withoutStem, "Origins", tall);
    EXPECT_FALSE(withoutStem->objectForKey("Origins-Tall"));
    expectValue(withoutStem, "Origins-Landscape", fromDefault(defaultMarker, "Origins-Landscape"));

    auto stem = iconList(1, 1);
    auto withStem = NSDictionary::create({ { "Origins", stem }, { "Origins-Tall", tall } });
    reader->convertLayoutIfNecessary(withStem, std::nullopt, false);
    expectValue(withStem, "Origins", stem);
    expectValue(withStem, "Origins-Tall", tall);
}

// Folder layouts fill from "Default Folder.plist", others from
// "Default.plist"; the fill takes the same key only, and its value is a
// copy the default layout does not share.
TEST_F(LayoutUpgradeTest, FillsFromTheMatchingDefaultLayout)
{
    for (bool folder : { false, true }) {
        SCOPED_TRACE(folder);
        const int marker = folder ? folderMarker : defaultMarker;
        auto layout = NSDictionary::create({ { "FolderLayout", folder } });
        reader->convertLayoutIfNecessary(layout, std::nullopt, folder);
        for (const char* key : { "Origins-4Inch", "Origins-4Inch-Landscape", "GridSize-4Inch", "GridSize-4Inch-Landscape" })
            expectValue(layout, key, fromDefault(marker, key));
        EXPECT_EQ(layout->count(), 5u);
    }
}

// Without a readable default layout, or one that lacks the key, what has
// no older form stays missing; the layout is still returned and written.
TEST_F(LayoutUpgradeTest, MissingDefaultsLeaveKeysMissing)
{
    auto partialDefault = NSDictionary::create({ { "Origins-4Inch", iconList(9, 1) } });
    layouts.writeDefaultLayout(partialDefault);
    auto layout = NSDictionary::create({ { "GridSize", gridEntry(3, 3, 0, 0, 1, 1) } });
    reader->convertLayoutIfNecessary(layout, savePath, false);
    EXPECT_EQ(layout->allKeys(), (std::vector<std::string> { "GridSize-4Inch", "Origins-4Inch" }));

    std::filesystem::remove(layouts.root().hostPath(LayoutRoot::defaultLayoutPath("Default.plist")));
    auto bare = NSDictionary::create({ { "QV", false } });
    EXPECT_EQ(reader->convertLayoutIfNecessary(bare, savePath, false).get(), bare.ptr());
    EXPECT_EQ(bare->allKeys(), std::vector<std::string> { "QV" });
    EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(savePath)->isEqual(bare.ptr()));
}

// A layout already in the device's form comes back unchanged and is still
// written; without a save path nothing is written, whatever changed; no
// layout gives nothing and writes nothing. Keys of other classes, "QV" and
// "FolderLayout" pass through as they are.
TEST_F(LayoutUpgradeTest, WritesOnlyWithASavePath)
{
    auto current = NSDictionary::create({
        { "QV", true },
        { "FolderLayout", true },
        { "Origins-4Inch", iconList(1, 2) },
        { "Origins-4Inch-Landscape", iconList(3, 2) },
        { "GridSize-4Inch", gridEntry(5, 6, 0, 0, 320, 500) },
        { "GridSize-4Inch-Landscape", gridEntry(6, 5, 0, 0, 568, 250) },
        { "Origins-iPad", NSDictionary::create() },
        { "GridSize-3_5Inch", "odd" },
    });
    Ref<NSDictionary> before = current->mutableCopy();
    reader->convertLayoutIfNecessary(current, savePath, true);
    EXPECT_TRUE(current->isEqual(before.ptr()));
    EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(savePath)->isEqual(before.ptr()));

    std::filesystem::remove(layouts.root().hostPath(savePath));
    auto older = NSDictionary::create({ { "Origins", iconList(1, 1) } });
    reader->convertLayoutIfNecessary(older, std::nullopt, false);
    EXPECT_TRUE(older->objectForKey("Origins-4Inch"));
    EXPECT_FALSE(reader->convertLayoutIfNecessary(nullptr, savePath, false));
    EXPECT_FALSE(exists(savePath));
}

// A write that fails keeps the old file whole and still returns the
// repaired, upgraded dictionary: once because the file may grow no more
// (a full disk), once because its folder is a file.
TEST_F(LayoutUpgradeTest, FailedWriteKeepsTheOldFile)
{
    layouts.writeDefaultLayout(NSDictionary::create({ { "Origins-4Inch-Landscape", iconList(1, 3) } }));
    // Larger than the limit below, so that neither the repair's write nor
    // the final one can succeed.
    auto original = NSDictionary::create({ { "QV", true }, { "Origins-4Inch", NSDictionary::create() }, { "Origins", iconList(1, 200) } });
    layouts.writeLayout(savePath, original);
    const std::string before = layouts.root().readFile(savePath);
    ASSERT_GT(before.size(), 4096u);

    auto layout = original->mutableCopy();
    RefPtr<NSDictionary> result;
    {
        qv::testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.applied());
        result = reader->convertLayoutIfNecessary(layout, savePath, false);
    }

    EXPECT_EQ(result.get(), layout.ptr());
    EXPECT_EQ(layouts.root().readFile(savePath), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(layouts.root().hostPath(QVUserLayoutsFolder)), {}), 1)
        << "no temporary file is left behind";
    auto expectRepairedAndUpgraded = [&](const NSDictionary& upgraded) {
        expectValue(upgraded, "Origins-4Inch", iconList(1, 200));
        expectValue(upgraded, "Origins-4Inch-Landscape", iconList(1, 3));
        EXPECT_FALSE(upgraded.objectForKey("Origins"));
    };
    expectRepairedAndUpgraded(layout);

    layouts.root().writeFile("/var/mobile/Library/Quiltvane/Layouts/Blocker", "a file");
    auto other = original->mutableCopy();
    result = reader->convertLayoutIfNecessary(other, std::string("/var/mobile/Library/Quiltvane/Layouts/Blocker/Layout.plist"), false);
    EXPECT_EQ(result.get(), other.ptr());
    expectRepairedAndUpgraded(other);
    EXPECT_EQ(layouts.root().readFile("/var/mobile/Library/Quiltvane/Layouts/Blocker"), "a file");
}

// Each request reads the file again into a dictionary of its own.
TEST_F(LayoutUpgradeTest, DefaultLayoutsAreFreshCopies)
{
    RefPtr<NSDictionary> first = reader->defaultLayout();
    RefPtr<NSDictionary> second = reader->defaultLayout();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    first->removeAllObjects();
    EXPECT_TRUE(second->isEqual(qv::testing::defaultLayoutFixture(defaultMarker).ptr()));
    EXPECT_TRUE(reader->defaultLayout()->isEqual(second.get()));
    EXPECT_TRUE(reader->defaultFolderLayout()->isEqual(qv::testing::defaultLayoutFixture(folderMarker).ptr()));

    std::filesystem::remove(layouts.root().hostPath(LayoutRoot::defaultLayoutPath("Default.plist")));
    layouts.root().writeFile(LayoutRoot::defaultLayoutPath("Default Folder.plist"), "<plist><array/></plist>");
    EXPECT_FALSE(reader->defaultLayout());
    EXPECT_FALSE(reader->defaultFolderLayout());
}
