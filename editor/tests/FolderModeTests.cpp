#include "EditorTestSupport.h"

#include "editor/QVTutorialView.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSettings.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/UIKit/UIModalView.h"
#include "testing/Process.h"

#include <limits>

using namespace qv;
using namespace qv::editortest;

namespace {

// SpringBoard's answer, as the extension writes it.
void answer(RefPtr<NSObject> value)
{
    CFPreferencesSetAppValue(QVFolderViewSizeKey, std::move(value), QVPreferenceDomain);
}

Ref<NSDictionary> folderSize(double width, double height, double radius)
{
    return NSDictionary::create({ { "width", width }, { "height", height }, { "cornerRadius", radius } });
}

std::vector<std::string> visibleAlertTitles()
{
    std::vector<std::string> titles;
    for (const Ref<UIModalView>& modal : UIModalView::visibleModalViews())
        titles.push_back(modal->title());
    return titles;
}

class FolderModeTest : public ::testing::Test {
protected:
    void enable()
    {
        ASSERT_TRUE(app.tapButton("Options"));
        ASSERT_TRUE(app.tapSheetButton("Enable Folder Mode"));
    }

    ApplicationScreen app { deviceCases[0] };
};

} // namespace

// The answer found at the first poll, 0.3 s after the request: the folder
// background centred and raised by 20, icons and grid confined to it, the
// answer removed, first use recorded. Leaving puts the whole screen back.
TEST_F(FolderModeTest, HandshakeAndLayout)
{
    app.icons()->icons()[0]->setFrame(CGRectMake(5, 500, 59, 60));
    enable();
    EXPECT_TRUE(app.editor->folderModeRequestPending());
    EXPECT_FALSE(app.editor->folderModeEnabled());
    answer(folderSize(282, 282, 38.5));
    app.advance(0.25);
    EXPECT_FALSE(app.editor->folderModeEnabled()) << "the first poll comes 0.3 s after the request";
    app.advance(0.1);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    const CGRect folder = CGRectMake(19, 123, 282, 282);
    EXPECT_EQ(app.editor->folderBG()->frame(), folder);
    EXPECT_EQ(app.editor->folderBG()->alpha(), 1);
    EXPECT_EQ(app.editor->folderBG()->layer()->cornerRadius(), 38.5);
    EXPECT_EQ(app.grid()->frame(), folder);
    EXPECT_EQ(app.grid()->gridFrame(), folder);
    EXPECT_EQ(app.icons()->minimumIconPoint(), folder.origin);
    EXPECT_EQ(app.icons()->iconBoundaries(), CGSizeMake(19 + 282 - 59, 123 + 282 - 60));
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(19, 123 + 282 - 60)) << "moved inside";
    CFPreferencesAppSynchronize(QVPreferenceDomain);
    EXPECT_FALSE(CFPreferencesCopyAppValue(QVFolderViewSizeKey, QVPreferenceDomain));
    RefPtr<NSNumber> used = dynamicRefCast<NSNumber>(CFPreferencesCopyAppValue(QVUsedFolderModeBeforeKey, QVPreferenceDomain));
    ASSERT_TRUE(used);
    EXPECT_TRUE(used->boolValue());

    // A save in folder mode keeps positions relative to the folder, 20
    // added to y; the grid keeps screen coordinates.
    app.icons()->icons()[0]->setFrame(CGRectMake(50.5, 170.9, 59, 60));
    RefPtr<NSDictionary> layout = app.editor->generateLayout(true, false);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(app.editor->writeLayout(*layout, "Folder"));
    auto json = qv::testing::runPython("import json, plistlib, sys\nprint(json.dumps(plistlib.load(open(sys.argv[1], 'rb')), sort_keys=True))",
        { app.root.hostPath("/var/mobile/Library/Quiltvane/Layouts/Folder.plist").string() });
    EXPECT_NE(json.output.find("\"FolderLayout\": true"), std::string::npos) << json.output;
    EXPECT_NE(json.output.find("\"Origins-4Inch\": [{\"LockedIndex\": -1, \"x\": 31, \"y\": 67}]"), std::string::npos) << json.output;
    EXPECT_NE(json.output.find("\"width\": 282.0, \"x\": 0.0, \"y\": 0.0"), std::string::npos) << "the grid rectangle in the grid's own place: " << json.output;

    // Leaving: at once, the icons stay, the background goes without
    // animation.
    ASSERT_TRUE(app.tapButton("Options"));
    ASSERT_TRUE(app.tapSheetButton("Disable Folder Mode"));
    EXPECT_FALSE(app.editor->folderModeEnabled());
    EXPECT_EQ(app.editor->folderBG()->alpha(), 0);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(50.5, 170.9));
    EXPECT_EQ(app.icons()->minimumIconPoint(), CGPointMake(0, 0));
    EXPECT_EQ(app.grid()->gridFrame(), app.editor->gridFrame());
}

// Without an answer the editor gives up after the 101st empty poll, once
// however often it was asked; folder mode stays off.
TEST_F(FolderModeTest, NoAnswer)
{
    enable();
    app.editor->setFolderModeEnabled(true);
    app.advance(0.2 + 10.0 + 0.05);
    EXPECT_TRUE(visibleAlertTitles().empty()) << "100 empty polls are not yet the end";
    app.advance(0.1);
    EXPECT_EQ(visibleAlertTitles(), std::vector<std::string> { "Error" });
    EXPECT_EQ(app.editor->lastAlert()->message(), "Couldn't retrieve folder size. Please try again later...");
    EXPECT_FALSE(app.editor->folderModeEnabled());
    EXPECT_FALSE(app.editor->folderModeRequestPending());
    app.advance(20);
    EXPECT_EQ(visibleAlertTitles().size(), 1u);
}

// Values that are no dictionary of finite numbers are no answer; leaving
// folder mode while waiting ends the wait.
TEST_F(FolderModeTest, UntrustedAnswersAndLeaving)
{
    enable();
    answer(NSString::create("282x282"));
    app.advance(1);
    EXPECT_FALSE(app.editor->folderModeEnabled());
    answer(folderSize(std::numeric_limits<double>::quiet_NaN(), 282, 0));
    app.advance(1);
    EXPECT_FALSE(app.editor->folderModeEnabled());
    answer(NSDictionary::create({ { "width", 200 }, { "height", 100 } }));
    app.advance(0.2);
    ASSERT_TRUE(app.editor->folderModeEnabled()) << "a missing corner radius reads as 0";
    EXPECT_EQ(app.editor->folderBG()->layer()->cornerRadius(), 0);

    app.editor->setFolderModeEnabled(false);
    app.editor->setFolderModeEnabled(true);
    app.advance(0.1);
    app.editor->setFolderModeEnabled(false);
    EXPECT_FALSE(app.editor->folderModeRequestPending());
    answer(folderSize(282, 282, 10));
    app.advance(2);
    EXPECT_FALSE(app.editor->folderModeEnabled());
}

// A folder layout opened while folder mode is off waits for the handshake
// and then moves the icons on the screen into the folder; opened while it
// is on, they move at once. Its cached half stays relative to the folder
// until it comes on the screen.
TEST_F(FolderModeTest, OpeningFolderLayouts)
{
    auto open = [&](bool landscapeHalf) {
        Ref<NSDictionary> layout = NSDictionary::create({
            { "QV", true }, { "FolderLayout", true },
            { "Origins-4Inch", NSArray::create({ NSDictionary::create({ { "x", 31 }, { "y", 67 }, { "LockedIndex", -1 } }) }) },
        });
        if (landscapeHalf)
            layout->setObject(NSArray::create({ NSDictionary::create({ { "x", 10 }, { "y", 40 }, { "LockedIndex", 2 } }) }), "Origins-4Inch-Landscape");
        app.appDelegate->setViewLayout(true);
        app.appDelegate->setViewLayoutData(layout);
        app.editor->viewWillAppear(true);
    };
    answer(folderSize(282, 282, 10));
    open(true);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(31, 67)) << "placed first, moved when the folder is ready";
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(31 + 19, 67 + 123 - 20));
    EXPECT_EQ(app.icons()->landscapeIconCache()[0]->frame().origin, CGPointMake(10, 40)) << "the cached half is not moved";

    // Turned to landscape, the cached half takes landscape's folder.
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    const CGRect landscapeFolder = app.editor->folderBG()->frame();
    EXPECT_EQ(landscapeFolder, CGRectMake(568 / 2 - 141, 20, 282, 282));
    ASSERT_EQ(app.icons()->icons().size(), 1u);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(10 + landscapeFolder.origin.x, 40 + landscapeFolder.origin.y - 20));
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(31 + 19, 67 + 123 - 20)) << "turning back changes nothing";

    // Folder mode on: a folder layout moves in at once.
    open(false);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(31 + 19, 67 + 123 - 20));
}

// An icon's position panel left open while folder mode is left and entered
// takes the icon's largest origin of the mode in force: out of the folder
// it lets the icon go past the folder's edge, in it it refuses what the
// icon could not take. Folder (19, 123, 282, 282): largest x 242; the
// screen's 261.
TEST_F(FolderModeTest, OpenPositionPanelFollowsFolderMode)
{
    Ref<QVIcon> icon = app.icons()->icons()[0];
    answer(folderSize(282, 282, 10));
    enable();
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    icon->touchesHeld();
    ASSERT_TRUE(app.tapSheetButton("Set Icon Position"));
    RefPtr<QVIconPositionPopController> panel = icon->iconPositionController();
    ASSERT_TRUE(panel && panel->isShowing());
    RefPtr<UITextField> x = panel->xField();
    auto retype = [&](const std::string& digits) {
        while (!x->text().empty())
            x->deleteBackward();
        for (const char digit : digits) {
            if (!x->typeText(std::string(1, digit)))
                return false;
        }
        return true;
    };

    ASSERT_TRUE(app.tapButton("Options"));
    ASSERT_TRUE(app.tapSheetButton("Disable Folder Mode"));
    ASSERT_TRUE(panel->isShowing());
    EXPECT_TRUE(retype("250")) << "past the folder, within the screen";
    EXPECT_EQ(icon->frame().origin.x, 250);
    EXPECT_FALSE(retype("262")) << "past the screen";

    answer(folderSize(282, 282, 10));
    enable();
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    ASSERT_TRUE(panel->isShowing());
    EXPECT_FALSE(retype("250")) << "past the folder";
    EXPECT_EQ(icon->frame().origin.x, 25);
    EXPECT_EQ(x->text(), "25") << "the field says where the icon is";
}
