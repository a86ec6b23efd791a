#include "LibraryTestSupport.h"

#include "library/QVApplyLayout.h"
#include "model/QVPreferenceNames.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIInterfaceRotation.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::librarytest::LibraryScreen;

namespace {

class ApplyScreen : public ::testing::Test {
protected:
    LibraryScreen screen { "iphone-4", CGSizeMake(320, 568) };

    // Presents the apply screen for a layout from the tab in front.
    Ref<QVApplyLayout> present(const std::string& name, bool isDefault)
    {
        auto apply = makeRef<QVApplyLayout>(name, isDefault);
        screen.tabs->presentViewController(apply, true);
        screen.advance(1);
        return apply;
    }

    static Ref<NSIndexPath> slot(NSInteger section) { return NSIndexPath::indexPathForRow(0, section); }
    static RefPtr<UIBarButtonItem> saveButton(QVApplyLayout& apply) { return apply.navBar()->topItem()->leftBarButtonItem(); }
    static void tapSlot(QVApplyLayout& apply, NSInteger section) { EXPECT_TRUE(apply.applyTable()->tapRowAtIndexPath(slot(section).ptr())); }
    static RefPtr<UITableViewCell> cell(QVApplyLayout& apply, NSInteger section)
    {
        apply.applyTable()->scrollToRowAtIndexPath(slot(section).ptr(), UITableViewScrollPositionTop, false);
        return apply.applyTable()->cellForRowAtIndexPath(slot(section).ptr());
    }
    // A slot's cell as "text|colour white|checkmark".
    static std::string shown(QVApplyLayout& apply, NSInteger section)
    {
        RefPtr<UITableViewCell> c = cell(apply, section);
        if (!c)
            return "<no cell>";
        CGFloat white = c->textLabel()->textColor()->isEqual(UIColor::lightGrayColor().ptr()) ? 2.0 / 3 : 0;
        return c->textLabel()->text() + (white > 0 ? "|gray" : "|black") + (c->accessoryType() == UITableViewCellAccessoryCheckmark ? "|check" : "");
    }
    std::vector<std::string> headers(QVApplyLayout& apply)
    {
        std::vector<std::string> titles;
        for (NSInteger s = 0; s < apply.numberOfSectionsInTableView(nullptr); ++s)
            titles.push_back(apply.tableViewTitleForHeaderInSection(nullptr, s).value_or("<none>"));
        return titles;
    }
};

} // namespace

// Opening with nothing stored fills the shown slots with the stock layout
// and announces each; switching the mode there and back leaves Save off.
TEST_F(ApplyScreen, EmptySlotsGetTheStockLayoutAndAnnounceIt)
{
    Ref<QVApplyLayout> apply = present("Mine.plist", false);
    EXPECT_EQ(apply->navBar()->topItem()->title(), "Apply Mine.plist");
    EXPECT_EQ(screen.preference(QVCurrentLayoutKey), "Default.plist//DEFAULT");
    EXPECT_EQ(screen.storedJSON(QVCurrentLayoutKey), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(screen.takeSettingsNotifications(), 1);
    EXPECT_EQ(headers(*apply), std::vector<std::string> { "Homescreen" });
    EXPECT_EQ(shown(*apply, 0), "Default.plist|black");
    EXPECT_FALSE(saveButton(*apply)->enabled());

    EXPECT_TRUE(apply->pageOptionsControl()->tapSegment(1));
    // Posts of one name may coalesce on their way: at least one arrives,
    // after every key was synchronised.
    EXPECT_GE(screen.takeSettingsNotifications(), 1);
    for (int page = 0; page < 11; ++page)
        EXPECT_EQ(screen.storedJSON(QVPageLayoutPreferenceKey(page)), "\"Default.plist//DEFAULT\"") << page;
    std::vector<std::string> pages = headers(*apply);
    ASSERT_EQ(pages.size(), 11u);
    EXPECT_EQ(pages.front(), "Page 1");
    EXPECT_EQ(pages[9], "Page 10");
    EXPECT_EQ(pages.back(), "Page 11+");
    EXPECT_TRUE(saveButton(*apply)->enabled());

    EXPECT_TRUE(apply->pageOptionsControl()->tapSegment(0));
    EXPECT_FALSE(saveButton(*apply)->enabled());
    EXPECT_EQ(screen.takeSettingsNotifications(), 0) << "the slots hold values now";

    EXPECT_TRUE(apply->navBar()->topItem()->rightBarButtonItem()->tap());
    screen.advance(1);
    EXPECT_FALSE(screen.tabs->presentedViewController());
    EXPECT_EQ(screen.storedJSON(QVEnablePerPageLayoutsKey), "null") << "Cancel writes nothing";
    EXPECT_EQ(screen.storedJSON("Page3Layout"), "\"Default.plist//DEFAULT\"") << "the fallbacks stay";
}

// What a slot shows: the file name part, "No Layout Set" for an empty one,
// a value without "//" whole, the checkmark only for the own reference; a
// value of another kind counts as missing.
TEST_F(ApplyScreen, SlotsShowTheirLayoutAndMarkTheOneBeingApplied)
{
    screen.setPreference(QVEnablePerPageLayoutsKey, NSNumber::numberWithBool(true));
    screen.setPreference("Page0Layout", NSString::create("Default.plist//DEFAULT"));
    screen.setPreference("Page1Layout", NSString::create("//USER"));
    screen.setPreference("Page2Layout", NSString::create("Bare.plist"));
    screen.setPreference("Page3Layout", NSString::create("Mine.plist//USER"));
    screen.setPreference("Page4Layout", NSNumber::numberWithInt(7));
    for (int page = 5; page < 11; ++page)
        screen.setPreference(QVPageLayoutPreferenceKey(page), NSString::create("Other.plist//USER"));

    Ref<QVApplyLayout> stock = present("Default.plist", true);
    EXPECT_EQ(stock->pageOptionsControl()->selectedSegmentIndex(), 1) << "a stored boolean picks the mode";
    EXPECT_EQ(screen.takeSettingsNotifications(), 1) << "only the slot of the wrong kind falls back";
    EXPECT_EQ(screen.preference("Page4Layout"), "Default.plist//DEFAULT");
    EXPECT_EQ(shown(*stock, 0), "Default.plist|black|check");
    EXPECT_EQ(shown(*stock, 1), "No Layout Set|gray");
    EXPECT_EQ(shown(*stock, 2), "Bare.plist|black");
    EXPECT_EQ(shown(*stock, 3), "Mine.plist|black");
    EXPECT_EQ(shown(*stock, 4), "Default.plist|black|check");
    stock->cancelButtonClicked();
    screen.advance(1);

    Ref<QVApplyLayout> mine = present("Mine.plist", false);
    EXPECT_EQ(shown(*mine, 0), "Default.plist|black");
    EXPECT_EQ(shown(*mine, 3), "Mine.plist|black|check");
}

// Save in "Default" writes the mode as the number 0 and the home-screen
// slot only; a tapped slot switches the extension on at once, even when
// the user then cancels.
TEST_F(ApplyScreen, SaveWritesTheShownModeOnly)
{
    screen.setPreference("Page2Layout", NSString::create("Kept.plist//USER"));
    Ref<QVApplyLayout> apply = present("Mine.plist", false);
    screen.takeSettingsNotifications();
    tapSlot(*apply, 0);
    EXPECT_EQ(shown(*apply, 0), "Mine.plist|black|check");
    EXPECT_EQ(screen.preference(QVEnableKey), "1");
    EXPECT_EQ(screen.storedJSON(QVEnableKey), "null") << "not synchronised until saved";
    ASSERT_TRUE(saveButton(*apply)->tap());
    EXPECT_EQ(screen.takeSettingsNotifications(), 1);
    screen.advance(1);
    EXPECT_FALSE(screen.tabs->presentedViewController());
    EXPECT_EQ(screen.storedJSON(QVEnablePerPageLayoutsKey), "0");
    EXPECT_EQ(screen.storedJSON(QVCurrentLayoutKey), "\"Mine.plist//USER\"");
    EXPECT_EQ(screen.storedJSON(QVEnableKey), "true");
    EXPECT_EQ(screen.storedJSON("Page2Layout"), "\"Kept.plist//USER\"");

    Ref<QVApplyLayout> again = present("Other.plist", false);
    tapSlot(*again, 0);
    again->cancelButtonClicked();
    screen.advance(1);
    EXPECT_EQ(screen.preference(QVEnableKey), "1");
    EXPECT_EQ(screen.preference(QVCurrentLayoutKey), "Mine.plist//USER");
}

// Per-page picks survive a turn between portrait and landscape, which lays
// the bars and table out for the new shape, and Save writes what the cells
// show.
TEST_F(ApplyScreen, PicksSurviveARotationAndSaveWritesThem)
{
    screen.setPreference(QVCurrentLayoutKey, NSString::create("Kept.plist//USER"));
    Ref<QVApplyLayout> apply = present("Mine.plist", false);
    EXPECT_EQ(apply->viewFrame(), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(apply->applyTable()->frame(), CGRectMake(0, 64, 320, 460));
    EXPECT_EQ(apply->toolBar()->frame(), CGRectMake(0, 524, 320, 44));
    ASSERT_TRUE(apply->pageOptionsControl()->tapSegment(1));
    tapSlot(*apply, 1);
    tapSlot(*apply, 10);

    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    screen.advance(1);
    EXPECT_EQ(apply->viewFrame(), CGRectMake(0, 0, 568, 320));
    EXPECT_EQ(apply->navBar()->frame(), CGRectMake(0, 20, 568, 44));
    EXPECT_EQ(apply->toolBar()->frame(), CGRectMake(0, 276, 568, 44));
    EXPECT_EQ(shown(*apply, 1), "Mine.plist|black|check");
    EXPECT_EQ(apply->appliedLayouts()[10], "Mine.plist//USER");

    ASSERT_TRUE(saveButton(*apply)->tap());
    EXPECT_EQ(screen.storedJSON(QVEnablePerPageLayoutsKey), "1");
    EXPECT_EQ(screen.storedJSON("Page0Layout"), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(screen.storedJSON("Page1Layout"), "\"Mine.plist//USER\"");
    EXPECT_EQ(screen.storedJSON("Page10Layout"), "\"Mine.plist//USER\"");
    EXPECT_EQ(screen.storedJSON(QVCurrentLayoutKey), "\"Kept.plist//USER\"");
    UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait);
}

// On the iPad the screen is a form sheet laid out from its real frame once
// it has appeared.
TEST(ApplyScreenOnIPad, IsAFormSheetLaidOutFromItsFrame)
{
    LibraryScreen screen("ipad", CGSizeMake(768, 1024));
    auto apply = makeRef<QVApplyLayout>("Mine.plist", false);
    EXPECT_EQ(apply->modalPresentationStyle(), UIModalPresentationFormSheet);
    screen.tabs->presentViewController(apply, true);
    screen.advance(1);
    EXPECT_EQ(apply->viewFrame(), apply->view()->frame());
    EXPECT_EQ(apply->navBar()->frame(), CGRectMake(0, 0, 540, 44));
    EXPECT_EQ(apply->applyTable()->frame(), CGRectMake(0, 44, 540, 556));
}
