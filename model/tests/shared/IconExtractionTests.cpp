#include "model/QVLayoutKeys.h"
#include "model/tests/support/ModelTestSupport.h"
#include "model/tests/support/TestedReader.h"
#include "platform/Foundation/NSValue.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::testing::gridEntry;
using qv::testing::iconList;
using qv::testing::LayoutRoot;
using qv::testing::readerExtractsGrids;
using qv::testing::ScopedDeviceProfile;

namespace {

// Without default layouts, so that only what a layout holds is extracted.
class IconExtractionTest : public ::testing::Test {
protected:
    static std::vector<std::string> keysOf(const NSDictionary& result) { return result.allKeys(); }
    static std::vector<std::string> iconListKeys() { return { "Landscape", "Portrait" }; }
    // The icon entries of a result list, by their "x".
    static std::vector<int> xs(const NSDictionary& result, const char* key)
    {
        std::vector<int> values;
        RefPtr<NSArray> list = result.arrayForKey(key);
        EXPECT_TRUE(list) << key;
        for (const Ref<NSObject>& entry : list ? list->objects() : std::vector<Ref<NSObject>> {}) {
            auto dictionary = dynamicRefCast<NSDictionary>(entry);
            values.push_back(dictionary ? dictionary->objectForKey("x")->intValue() : -999);
        }
        return values;
    }

    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4" };
    Ref<qv::testing::TestedReader> reader = qv::testing::TestedReader::create();
};

} // namespace

TEST_F(IconExtractionTest, NoLayoutGivesTwoEmptyLists)
{
    Ref<NSDictionary> result = reader->generateIconsFromLayout(nullptr);
    EXPECT_EQ(keysOf(result), iconListKeys());
    EXPECT_EQ(result->arrayForKey("Portrait")->count(), 0u);
    EXPECT_EQ(result->arrayForKey("Landscape")->count(), 0u);
}

// The device's own lists, in stored order, as the layout's own entry
// objects in new lists; other classes' lists are not looked at while the
// device's landscape list is there, even an empty one.
TEST_F(IconExtractionTest, DeviceListsInOrder)
{
    auto layout = NSDictionary::create({
        { "Origins-4Inch", iconList(1, 3) },
        { "Origins-4Inch-Landscape", iconList(10, 2) },
        { "Origins-3_5Inch", iconList(20, 2) },
        { "Origins-3_5Inch-Landscape", iconList(30, 2) },
    });
    Ref<NSDictionary> result = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(xs(result, "Portrait"), (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(xs(result, "Landscape"), (std::vector<int> { 10, 11 }));
    EXPECT_EQ(result->arrayForKey("Portrait")->objectAtIndex(1).get(), layout->arrayForKey("Origins-4Inch")->objectAtIndex(1).get());
    EXPECT_NE(result->arrayForKey("Portrait").get(), layout->arrayForKey("Origins-4Inch").get());

    layout->setObject(NSArray::create(), "Origins-4Inch-Landscape");
    result = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(xs(result, "Portrait"), (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(xs(result, "Landscape"), std::vector<int> {});
}

// Layouts from before the taller phones keep only the 3.5-inch lists; a
// device whose landscape list is missing takes them in. Not on the 3.5-inch
// phone itself, whose own lists they are.
TEST_F(IconExtractionTest, FallbackToTheThreeAndAHalfInchLists)
{
    struct Case {
        const char* profile;
        bool withOldLandscape;
        std::vector<int> portrait;
        std::vector<int> landscape;
    };
    const Case cases[] = {
        { "iphone-4", true, { 1, 2, 20, 21 }, { 30, 31 } },
        { "iphone-4", false, { 1, 2, 20, 21 }, {} },
        { "ipad", true, { 20, 21 }, { 30, 31 } },
        { "iphone-3.5", true, { 20, 21 }, { 30, 31 } },
        { "iphone-3.5", false, { 20, 21 }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.profile << (c.withOldLandscape ? " with" : " without") << " old landscape");
        ScopedDeviceProfile profile(c.profile);
        auto layout = NSDictionary::create({ { "Origins-3_5Inch", iconList(20, 2) } });
        if (std::string(c.profile) == "iphone-4")
            layout->setObject(iconList(1, 2), "Origins-4Inch");
        if (c.withOldLandscape)
            layout->setObject(iconList(30, 2), "Origins-3_5Inch-Landscape");
        Ref<NSDictionary> result = reader->generateIconsFromLayout(layout);
        EXPECT_EQ(xs(result, "Portrait"), c.portrait);
        EXPECT_EQ(xs(result, "Landscape"), c.landscape);
    }
}

// The extraction upgrades the caller's dictionary in memory and writes no
// file; a second extraction finds nothing left to change.
TEST_F(IconExtractionTest, UpgradesInMemoryOnly)
{
    layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(1000));
    auto layout = NSDictionary::create({ { "Origins", iconList(1, 2) } });
    Ref<NSDictionary> first = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(xs(first, "Portrait"), (std::vector<int> { 1, 2 }));
    EXPECT_EQ(xs(first, "Landscape"), (std::vector<int> { 1150, 1151 }));
    EXPECT_FALSE(layout->objectForKey("Origins"));
    EXPECT_TRUE(layout->objectForKey("Origins-4Inch"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(layouts.root().hostPath(QVUserLayoutsFolder)), {}), 0);

    Ref<NSDictionary> before = layout->mutableCopy();
    Ref<NSDictionary> second = reader->generateIconsFromLayout(layout);
    EXPECT_TRUE(second->isEqual(first.ptr()));
    EXPECT_TRUE(layout->isEqual(before.ptr()));
}

// Values of the wrong kind: no list gives no entries, a grid that is no
// dictionary counts as absent, and list elements that are no icon entries
// keep their place.
TEST_F(IconExtractionTest, ValuesOfTheWrongKind)
{
    auto layout = NSDictionary::create({
        { "Origins-4Inch", "not a list" },
        { "Origins-4Inch-Landscape", NSArray::create({ qv::testing::iconEntry(1, 1), "stray", 7, qv::testing::iconEntry(2, 2) }) },
        { "GridSize-4Inch", NSArray::create({ 5, 6 }) },
        { "GridSize-4Inch-Landscape", "5x6" },
        { "Origins-3_5Inch", iconList(20, 1) },
    });
    Ref<NSDictionary> result = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(keysOf(result), iconListKeys());
    EXPECT_EQ(xs(result, "Portrait"), std::vector<int> {});
    EXPECT_EQ(xs(result, "Landscape"), (std::vector<int> { 1, -999, -999, 2 }));
    EXPECT_EQ(reader->iconOriginFromIconData(result->arrayForKey("Landscape")->objectAtIndex(1)), CGPointZero);
}

// The application adds each orientation's grid and the folder flag; the
// extension and the Settings bundle give the two lists only.
TEST_F(IconExtractionTest, GridsAndFolderFlag)
{
    auto layout = NSDictionary::create({
        { "FolderLayout", false },
        { "Origins-4Inch", iconList(1, 1) },
        { "Origins-4Inch-Landscape", iconList(2, 1) },
        { "GridSize-4Inch", gridEntry(0, 4, 12.5f, 30, 300, 400) },
        { "GridSize-4Inch-Landscape", NSDictionary::create({ { "Dimensions-Width", 5.8 }, { "Dimensions-Height", "4" }, { "x", 1 } }) },
    });
    layout->dictionaryForKey("GridSize-4Inch")->setObject(5.8, "Dimensions-Width");
    Ref<NSDictionary> result = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(xs(result, "Portrait"), std::vector<int> { 1 });
    EXPECT_EQ(xs(result, "Landscape"), std::vector<int> { 2 });
    if (!readerExtractsGrids) {
        EXPECT_EQ(keysOf(result), iconListKeys());
        return;
    }
    EXPECT_EQ(keysOf(result), (std::vector<std::string> { "FolderLayout", "GridDimensions", "GridDimensions-Landscape",
                                  "GridFrame", "GridFrame-Landscape", "Landscape", "Portrait" }));
    auto value = [&](const char* key) { return result->objectForKey<NSValue>(key); };
    EXPECT_EQ(value("GridDimensions")->CGSizeValue(), CGSizeMake(5, 4));
    EXPECT_EQ(value("GridFrame")->CGRectValue(), CGRectMake(12.5, 30, 300, 400));
    EXPECT_EQ(value("GridDimensions-Landscape")->CGSizeValue(), CGSizeMake(5, 4));
    EXPECT_EQ(value("GridFrame-Landscape")->CGRectValue(), CGRectMake(1, 0, 0, 0)) << "missing fields read as 0";
    EXPECT_EQ(result->objectForKey("FolderLayout").get(), layout->objectForKey("FolderLayout").get());
    EXPECT_FALSE(result->objectForKey("FolderLayout")->boolValue());

    layout->removeObjectForKey("FolderLayout");
    layout->removeObjectForKey("GridSize-4Inch-Landscape");
    result = reader->generateIconsFromLayout(layout);
    EXPECT_EQ(keysOf(result), (std::vector<std::string> { "GridDimensions", "GridFrame", "Landscape", "Portrait" }));
}

// The folder flag picks the default layout the gaps are filled from.
TEST_F(IconExtractionTest, FolderLayoutsFillFromTheFolderDefault)
{
    layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(1000));
    layouts.writeDefaultFolderLayout(qv::testing::defaultLayoutFixture(5000));
    Ref<NSDictionary> result = reader->generateIconsFromLayout(NSDictionary::create({ { "FolderLayout", true } }));
    EXPECT_EQ(xs(result, "Portrait"), (std::vector<int> { 5100, 5101, 5102 }));
    result = reader->generateIconsFromLayout(NSDictionary::create());
    EXPECT_EQ(xs(result, "Landscape"), (std::vector<int> { 1150, 1151 }));
}
