// How many icons SpringBoard's lists hold with the extension loaded, and
// where the icons past a layout's last slot go: to the first later pages
// with room, or, with Infiniboard installed, below the first screen.

#include "ExtensionHostTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "platform/Foundation/NSNumber.h"
#include "platform/SpringBoard/SpringBoardTypes.h"
#include "platform/UIKit/DeviceProfile.h"

#include <sstream>

using namespace qv;
using namespace qv::extensiontest;

namespace {

// A layout for the 4-inch phone with `slots` origins in both orientations.
std::string layoutWithSlots(int slots, bool folderLayout = false)
{
    std::string entries = "[{'x': 10 + 30 * i, 'y': 40 + 25 * i, 'LockedIndex': -1} for i in range(" + std::to_string(slots) + ")]";
    return std::string("{'QV': True, ") + (folderLayout ? "'FolderLayout': True, " : "") + "'Origins-4Inch': " + entries + ", 'Origins-4Inch-Landscape': " + entries
        + "}";
}

// The default home screen's pages, in order.
const std::vector<std::vector<std::string>> defaultPages {
    { "Messages", "Calendar", "Photos", "Camera", "Weather", "Clock", "Maps", "Videos", "Notes", "Reminders", "Stocks", "Game Center", "Newsstand",
        "iTunes Store", "App Store", "Settings" },
    { "Utilities", "Games", "Translate", "Measure", "Magnifier", "Shortcuts", "Home", "Files", "Music Memos" },
    { "Extras", "Keynote", "Numbers", "Pages" },
};

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<std::string> slice(const std::vector<std::string>& names, size_t from, size_t to)
{
    return std::vector<std::string>(names.begin() + static_cast<ptrdiff_t>(from), names.begin() + static_cast<ptrdiff_t>(to));
}

class CapacityAndOverflow : public ExtensionHostTest {
protected:
    void SetUp() override
    {
        ExtensionHostTest::SetUp();
        setPreference(QVEnableKey, NSNumber::numberWithBool(true));
    }

    void applyLayout(const std::string& name, int slots)
    {
        writeLayout(std::string(QVUserLayoutsFolder) + "/" + name, layoutWithSlots(slots));
        setPreference(QVCurrentLayoutKey, NSString::create(name + "//USER"));
    }

    static std::vector<std::vector<std::string>> pagesOf(const std::vector<qv::sbhosttest::Fields>& lines)
    {
        qv::sbhosttest::DumpView dump(lines);
        std::vector<std::vector<std::string>> pages;
        for (size_t page = 0; !dump.iconNames("page" + std::to_string(page)).empty(); ++page)
            pages.push_back(dump.iconNames("page" + std::to_string(page)));
        return pages;
    }
};

} // namespace

TEST_F(CapacityAndOverflow, IconsPastTheLastSlotGoInOrderToTheFirstLaterPagesWithRoom)
{
    applyLayout("Twelve.plist", 12);
    SpringBoardHost host("iphone-4");
    std::vector<std::vector<std::string>> pages = pagesOf(host.dump());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], slice(defaultPages[0], 0, 12));
    // Page 1 has room for three more, page 2 takes the last.
    EXPECT_EQ(pages[1], joined(defaultPages[1], slice(defaultPages[0], 12, 15)));
    EXPECT_EQ(pages[2], joined(defaultPages[2], slice(defaultPages[0], 15, 16)));
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(CapacityAndOverflow, WhenEveryLaterPageIsFullNewPagesAreMadeAndNothingIsLostOrDoubled)
{
    applyLayout("Four.plist", 4);
    SpringBoardHost host("iphone-4");
    std::vector<std::vector<std::string>> pages = pagesOf(host.dump());
    ASSERT_GT(pages.size(), 3u) << "pages were made";
    EXPECT_EQ(pages[0], slice(defaultPages[0], 0, 4));
    std::vector<std::string> all;
    for (const std::vector<std::string>& page : pages) {
        EXPECT_LE(page.size(), 4u);
        all.insert(all.end(), page.begin(), page.end());
    }
    std::vector<std::string> expected = joined(joined(defaultPages[0], defaultPages[1]), defaultPages[2]);
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected) << "every icon exactly once";
    // The first page's surplus keeps its order where it went.
    std::vector<std::string> surplus;
    for (size_t page = 1; page < pages.size(); ++page) {
        for (const std::string& name : pages[page]) {
            if (std::find(defaultPages[0].begin(), defaultPages[0].end(), name) != defaultPages[0].end())
                surplus.push_back(name);
        }
    }
    EXPECT_EQ(surplus, slice(defaultPages[0], 4, 16));
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(CapacityAndOverflow, CapacityAndRowsFollowTheLayoutsEditModeAndTheOpenFolder)
{
    // Loaded layouts of 20 (the default on the other keys) and 24 slots;
    // the page on screen has 20 when editing.
    writeLayout(std::string(QVUserLayoutsFolder) + "/TwentyFour.plist", layoutWithSlots(24));
    writeLayout(std::string(QVUserLayoutsFolder) + "/Five.plist", layoutWithSlots(5, true));
    setPreference(QVEnablePerPageLayoutsKey, NSNumber::numberWithBool(true));
    setPreference("Page1Layout", NSString::create("TwentyFour.plist//USER"));
    setPreference(QVEnableFolderLayoutsKey, NSNumber::numberWithBool(true));
    setPreference(QVFolderLayoutPreferenceKey("Utilities"), NSString::create("Five.plist//USER"));
    SpringBoardHost host("iphone-4");

    auto counts = [&](const std::string& listClass) {
        return dumpValue(host.command("dump"), "[dump['springboard']['capacity']['" + listClass + "']] + dump['springboard']['rows']['" + listClass + "']");
    };
    // 4 columns: 24 slots make 7 rows, 20 make 6, 5 make 2.
    EXPECT_EQ(counts("SBRootIconListView"), "[24, 7, 7]") << "outside edit mode the largest layout";
    EXPECT_EQ(counts("SBFolderIconListView"), "[24, 9, 9]") << "no folder open: the largest layout, 3 columns";
    EXPECT_EQ(counts("SBDockIconListView"), "[4, 1, 1]") << "SpringBoard's own";
    EXPECT_EQ(counts("SBNewsstandIconListView"), "[9, 3, 3]") << "SpringBoard's own";
    host.expectOk("edit on");
    EXPECT_EQ(counts("SBRootIconListView"), "[20, 6, 6]") << "in edit mode the page on screen's layout";
    host.expectOk("edit off");
    host.expectOk("page 1");
    host.expectOk("open Utilities");
    EXPECT_EQ(counts("SBFolderIconListView"), "[5, 2, 2]") << "the open folder's layout";
    EXPECT_EQ(dumpValue(host.command("dump"), "[len(i['gridImage']) for f in dump['springboard']['pages'] for i in f['icons'] if i['name'] == 'Utilities']"),
        "[5]")
        << "the folder icon's miniature grid shows as many";
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(CapacityAndOverflow, WithInfiniboardTheSlotsRepeatBelowTheFirstScreen)
{
    root.writeFile(std::string(kSubstrateLibraryFolder) + "/Infiniboard.dylib", "not loaded here, only present");
    applyLayout("Twelve.plist", 12);
    SpringBoardHost host("iphone-4");
    std::vector<qv::sbhosttest::Fields> lines = host.dump();
    EXPECT_EQ(pagesOf(lines)[0], defaultPages[0]) << "nothing moves to other pages";
    qv::sbhosttest::DumpView dump(lines);
    EXPECT_EQ(dump.capacity("SBRootIconListView"), "20") << "SpringBoard's own";

    auto profile = DeviceProfile::named("iphone-4");
    ASSERT_TRUE(profile);
    applyDeviceProfile(*profile);
    const SBIconGridMetrics& metrics = SBCurrentGridMetrics();
    double screen = metrics.screenSize(SBGridOrientation::Portrait).height - metrics.dockDefaultHeight();
    for (int index : { 0, 11, 12, 15 }) {
        SCOPED_TRACE(index);
        int slot = index % 12;
        std::string frame = dump.icon("page0", defaultPages[0][static_cast<size_t>(index)]);
        std::istringstream fields(frame);
        double x = 0, y = 0;
        fields >> x >> y;
        EXPECT_EQ(x, 10 + 30 * slot);
        EXPECT_EQ(y, 40 + 25 * slot - 20 + (index / 12) * screen);
    }
    EXPECT_EQ(host.quit(), 0);
}
