#include "model/tests/support/ModelTestSupport.h"
#include "model/tests/support/TestedReader.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::testing::iconList;
using qv::testing::ScopedDeviceProfile;

namespace {

class LayoutRepairTest : public ::testing::Test {
protected:
    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device { "iphone-4" };
    Ref<qv::testing::TestedReader> reader = qv::testing::TestedReader::create();
    const std::string savePath = qv::testing::LayoutRoot::userLayoutPath("Repaired.plist");

    bool saved() const { return std::filesystem::exists(layouts.root().hostPath(savePath)); }
};

} // namespace

// Only a dictionary where the running device's icon list belongs is
// corrupt; the file is rewritten only when something was removed.
TEST_F(LayoutRepairTest, RemovesDictionariesUnderTheDevicesOriginsKeys)
{
    struct Case {
        const char* name;
        Ref<NSDictionary> layout;
        std::vector<std::string> keysAfter;
        bool written;
    };
    auto emptyDictionary = NSDictionary::create();
    const Case cases[] = {
        { "dictionary in portrait, list in landscape",
            NSDictionary::create({ { "Origins-4Inch", NSDictionary::create({ { "x", 1 } }) },
                { "Origins-4Inch-Landscape", iconList(1, 2) } }),
            { "Origins-4Inch-Landscape" }, true },
        { "dictionaries in both",
            NSDictionary::create({ { "Origins-4Inch", emptyDictionary }, { "Origins-4Inch-Landscape", emptyDictionary }, { "QV", true } }),
            { "QV" }, true },
        { "neither key", NSDictionary::create({ { "QV", true } }), { "QV" }, false },
        { "lists in both",
            NSDictionary::create({ { "Origins-4Inch", iconList(1, 1) }, { "Origins-4Inch-Landscape", NSArray::create() } }),
            { "Origins-4Inch", "Origins-4Inch-Landscape" }, false },
        { "a string and a number stay",
            NSDictionary::create({ { "Origins-4Inch", "corrupt" }, { "Origins-4Inch-Landscape", 7 } }),
            { "Origins-4Inch", "Origins-4Inch-Landscape" }, false },
        { "dictionaries elsewhere stay",
            NSDictionary::create({ { "Origins-3_5Inch", emptyDictionary }, { "GridSize-4Inch", emptyDictionary },
                { "Origins-Tall", emptyDictionary }, { "Origins", emptyDictionary }, { "Origins-Landscape", emptyDictionary } }),
            { "GridSize-4Inch", "Origins", "Origins-3_5Inch", "Origins-Landscape", "Origins-Tall" }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(layouts.root().hostPath(savePath));
        Ref<NSDictionary> before = c.layout->mutableCopy();

        RefPtr<NSDictionary> result = reader->_fixCorruptedLayoutIfNecessary(c.layout, savePath);

        EXPECT_EQ(result.get(), c.layout.ptr()) << "the caller's own dictionary comes back";
        EXPECT_EQ(c.layout->allKeys(), c.keysAfter);
        for (const std::string& key : c.keysAfter)
            EXPECT_TRUE(c.layout->objectForKey(key)->isEqual(before->objectForKey(key).get())) << key;
        EXPECT_EQ(saved(), c.written);
        if (c.written) {
            EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(savePath)->isEqual(c.layout.ptr()));
        }
    }
}

// On a device of no known class the device's keys are the bare stems.
TEST_F(LayoutRepairTest, UnknownDeviceRepairsTheBareKeys)
{
    ScopedDeviceProfile unknown(qv::testing::screenProfile(600, UIUserInterfaceIdiomPhone));
    auto layout = NSDictionary::create({ { "Origins", NSDictionary::create() },
        { "Origins-Landscape", NSDictionary::create() }, { "Origins-4Inch", NSDictionary::create() } });
    reader->_fixCorruptedLayoutIfNecessary(layout, std::nullopt);
    EXPECT_EQ(layout->allKeys(), std::vector<std::string> { "Origins-4Inch" });
}

TEST_F(LayoutRepairTest, WithoutSavePathOrLayoutNothingIsWritten)
{
    auto layout = NSDictionary::create({ { "Origins-4Inch", NSDictionary::create() } });
    EXPECT_EQ(reader->_fixCorruptedLayoutIfNecessary(layout, std::nullopt).get(), layout.ptr());
    EXPECT_EQ(layout->count(), 0u);
    EXPECT_FALSE(reader->_fixCorruptedLayoutIfNecessary(nullptr, savePath));
    EXPECT_FALSE(saved());
}

// A save path that cannot be written (its folder is a file) loses
// nothing: the repaired dictionary still comes back.
TEST_F(LayoutRepairTest, UnwritableSavePathStillReturnsTheRepair)
{
    layouts.root().writeFile("/var/mobile/Library/Quiltvane/Layouts/Blocker", "a file, not a folder");
    auto layout = NSDictionary::create({ { "Origins-4Inch", NSDictionary::create() }, { "QV", true } });
    RefPtr<NSDictionary> result = reader->_fixCorruptedLayoutIfNecessary(layout,
        std::string("/var/mobile/Library/Quiltvane/Layouts/Blocker/Layout.plist"));
    EXPECT_EQ(result.get(), layout.ptr());
    EXPECT_EQ(layout->allKeys(), std::vector<std::string> { "QV" });
    EXPECT_EQ(layouts.root().readFile("/var/mobile/Library/Quiltvane/Layouts/Blocker"), "a file, not a folder");
}
