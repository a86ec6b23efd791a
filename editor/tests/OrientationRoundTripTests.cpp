// The editor driven as the user drives it (its buttons, sheets, alerts and
// turns of the device), with every saved file read back by Python's
// plistlib: what the user deleted stays deleted across a turn, and the
// last icon of a half deleted leaves the same fresh icon whenever the turn
// came; the other orientation's half of an opened layout is saved exactly
// as it was read; folder layouts are moved into the folder once and only
// once, and then held by the folder's bounds alone, so that a file survives
// its own round trip; and every name whose file fits is saved.
#include "EditorTestSupport.h"

#include "model/QVPreferenceNames.h"
#include "model/QVSettings.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UITouchDriver.h"
#include "testing/Process.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

using namespace qv;
using namespace qv::editortest;

namespace {

const std::string layoutsFolder = "/var/mobile/Library/Quiltvane/Layouts";

std::string userLayout(const std::string& name)
{
    return layoutsFolder + "/" + name + ".plist";
}

bool pad()
{
    return QVDevice::currentDevice()->iPad();
}

// What the running device's files and SpringBoard's folder background are,
// by the longer side of its screen.
struct DeviceFacts {
    CGFloat screenHeight;
    const char* keySuffix;
    CGFloat folderSide;
};
constexpr DeviceFacts deviceFacts[] = {
    { 480, "-3_5Inch", 272 },
    { 568, "-4Inch", 272 },
    { 667, "-4_7Inch", 312 },
    { 736, "-5_5Inch", 336 },
    { 1024, "-iPad", 480 },
};

const DeviceFacts& runningDevice()
{
    const CGSize screen = UIScreen::mainScreen().bounds().size;
    for (const DeviceFacts& facts : deviceFacts) {
        if (facts.screenHeight == std::max(screen.width, screen.height))
            return facts;
    }
    ADD_FAILURE() << "no device of " << screen.width << " x " << screen.height;
    return deviceFacts[1];
}

// The device's origins key of a half, as the file has it.
std::string originsKey(bool landscape)
{
    return std::string("Origins") + runningDevice().keySuffix + (landscape ? "-Landscape" : "");
}

std::string whole(CGFloat value)
{
    return std::to_string(static_cast<long long>(value));
}

class RoundTrip {
public:
    explicit RoundTrip(const DeviceCase& device)
        : app(device)
    {
    }

    // The whole save flow: "Save", the choice of halves, the name, "Save";
    // answers the outcome's alert and returns its title.
    std::string save(const std::string& choice, const std::string& name)
    {
        if (!app.tapButton("Save") || !app.tapSheetButton(choice))
            return "no save sheet";
        RefPtr<UIAlertView> prompt = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
        if (!prompt || prompt->title() != "Save Layout")
            return "no prompt";
        prompt->textFieldAtIndex(0)->setText(name);
        prompt->tapButtonWithTitle("Save");
        RefPtr<UIAlertView> outcome = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
        if (outcome && outcome->title() == name && outcome->tapButtonWithTitle("Overwrite"))
            outcome = dynamicRefCast<UIAlertView>(UIModalView::topmostModalView());
        if (!outcome)
            return "no outcome";
        const std::string title = outcome->title();
        if (title == "Save Layout")
            outcome->tapButtonWithTitle("Cancel");
        else
            outcome->tapButtonAtIndex(0);
        return title;
    }

    // A Python expression over `layout`, the file as plistlib reads it,
    // printed as JSON.
    std::string readBack(const std::string& name, const std::string& expression)
    {
        auto result = qv::testing::runPython("import json, plistlib, sys\n"
                                             "with open(sys.argv[1], 'rb') as file:\n"
                                             "    layout = plistlib.load(file)\n"
                                             "sys.stdout.write(json.dumps(" + expression + "))\n",
            { app.root.hostPath(userLayout(name)).string() });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }
    // The origins of one half as "[[x, y, slot], ...]".
    std::string origins(const std::string& name, bool landscape)
    {
        return readBack(name, "[[icon['x'], icon['y'], icon['LockedIndex']] for icon in layout.get('" + originsKey(landscape) + "', [])]");
    }

    void writeWithPlistlib(const std::string& name, const std::string& pythonValue)
    {
        std::filesystem::create_directories(app.root.hostPath(layoutsFolder));
        auto result = qv::testing::runPython("import plistlib, sys\n"
                                             "with open(sys.argv[1], 'wb') as file:\n"
                                             "    plistlib.dump(" + pythonValue + ", file)\n",
            { app.root.hostPath(userLayout(name)).string() });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }
    // Hands the user layout to the editor, as "View / Modify" does.
    void open(const std::string& name)
    {
        RefPtr<NSDictionary> layout = NSDictionary::dictionaryWithContentsOfFile(userLayout(name));
        ASSERT_TRUE(layout);
        app.appDelegate->setViewLayout(true);
        app.appDelegate->setViewLayoutData(layout);
        app.editor->viewWillAppear(true);
    }

    // SpringBoard's answer to the folder-size question, as its extension
    // writes it.
    void answerFolderSize(double width, double height)
    {
        CFPreferencesSetAppValue(QVFolderViewSizeKey, NSDictionary::create({ { "width", width }, { "height", height }, { "cornerRadius", 10.0 } }), QVPreferenceDomain);
    }
    void chooseOption(const std::string& title)
    {
        ASSERT_TRUE(app.tapButton("Options"));
        ASSERT_TRUE(app.tapSheetButton(title));
    }

    // A finger on the icon (inside it, below the top row of buttons) moved
    // so that the icon's origin ends at `to`, and lifted.
    void drag(const QVIcon& icon, CGPoint to)
    {
        const CGPoint grip = CGPointMake(10, 40);
        const CGPoint from = icon.frame().origin;
        ASSERT_TRUE(app.down(CGPointMake(from.x + grip.x, from.y + grip.y)));
        ASSERT_TRUE(app.move(CGPointMake(to.x + grip.x, to.y + grip.y)));
        ASSERT_TRUE(app.up());
    }
    // The only icon on the screen deleted as the user deletes it: with its
    // "X", or held until its sheet opens and the sheet's "Delete".
    void deleteOnlyIcon(bool withX)
    {
        ASSERT_EQ(app.icons()->icons().size(), 1u);
        Ref<QVIcon> only = app.icons()->icons()[0];
        if (withX) {
            if (!app.icons()->showDeleteOnIcons()) {
                ASSERT_NO_FATAL_FAILURE(chooseOption("Show Delete On Icons"));
            }
            ASSERT_TRUE(UITouchDriver::shared().tapView(*only->deleteIconButton()));
        } else {
            ASSERT_TRUE(app.down(only->center()));
            app.advance(0.6);
            // The sheet took the touch over when it opened.
            app.up();
            ASSERT_TRUE(app.tapSheetButton("Delete"));
        }
        ASSERT_EQ(only->frame().size, CGSizeMake(0, 0)) << "shrinking";
    }

    std::vector<CGPoint> origins() const
    {
        std::vector<CGPoint> result;
        for (const Ref<QVIcon>& icon : app.icons()->icons())
            result.push_back(icon->frame().origin);
        return result;
    }

    ApplicationScreen app;
};

class OrientationRoundTripTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    RoundTrip trip { GetParam() };
    ApplicationScreen& app = trip.app;
};

} // namespace

// An icon deleted with its "X", or with the sheet's
// Delete, while the device turns within the shrink is gone for good: not
// on the screen when the device turns back, not in the cache, not in the
// saved file.
TEST_P(OrientationRoundTripTest, DeletedIconStaysDeletedAcrossATurn)
{
    ASSERT_TRUE(app.tapButton("+"));
    ASSERT_TRUE(app.tapButton("+"));
    app.advance(0.5);
    trip.chooseOption("Show Delete On Icons");
    ASSERT_EQ(app.icons()->icons().size(), 3u);
    const CGSize size = app.editor->defaultIconFrame().size;
    app.icons()->icons()[0]->setFrame(CGRectMake(10, 100, size.width, size.height));
    app.icons()->icons()[1]->setFrame(CGRectMake(10, 300, size.width, size.height));
    Ref<QVIcon> second = app.icons()->icons()[1];

    // The "X", and the device turned within the 0.2 s shrink.
    ASSERT_TRUE(UITouchDriver::shared().tapView(*second->deleteIconButton()));
    EXPECT_EQ(second->frame().size, CGSizeMake(0, 0)) << "shrinking";
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft, 0.3));
    app.advance(1);
    EXPECT_EQ(app.icons()->portraitIconCache().size(), 2u) << "the deleted icon left the cache";
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "AfterX"), "Saved");
    EXPECT_EQ(trip.origins("AfterX", false), "[[10, 100, -1], [" + std::to_string(static_cast<int>(GetParam().screen.width / 2 - size.width / 2)) + ", 30, -1]]");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    ASSERT_EQ(app.icons()->icons().size(), 2u);
    EXPECT_EQ(app.icons()->icons()[1]->tag(), 2);
    for (const Ref<QVIcon>& icon : app.icons()->icons())
        EXPECT_EQ(icon->frame().size, size) << "no 0 x 0 icon came back";

    // The sheet's Delete, the device turned, the layout written.
    Ref<QVIcon> first = app.icons()->icons()[0];
    first->touchesHeld();
    ASSERT_TRUE(app.tapSheetButton("Delete"));
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft, 0.3));
    app.advance(1);
    RefPtr<NSDictionary> layout = app.editor->generateLayout(true, true);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(app.editor->writeLayout(*layout, "AfterDelete"));
    EXPECT_EQ(trip.readBack("AfterDelete", "len(layout['" + originsKey(false) + "'])"), "1");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    ASSERT_EQ(app.icons()->icons().size(), 1u);
    EXPECT_EQ(app.icons()->icons()[0]->nameLabel()->text(), "Icon 1");
    EXPECT_NE(app.icons()->icons()[0]->frame().size, CGSizeMake(0, 0));
}

// The half of the other orientation is kept exactly as
// read until it comes on the screen: saved back unchanged whichever
// orientation the layout was opened in, and shown where the file says.
TEST_P(OrientationRoundTripTest, OtherOrientationKeptAsRead)
{
    // Beyond the other orientation's bounds each: portrait x and y fit the
    // portrait screen only, landscape x the landscape screen only.
    const CGPoint portrait = pad() ? CGPointMake(600, 850) : CGPointMake(200, 400);
    const CGPoint landscape = pad() ? CGPointMake(900, 100) : CGPointMake(480, 150);
    auto entry = [](CGPoint origin, int slot) {
        return "{'x': " + std::to_string(static_cast<int>(origin.x)) + ", 'y': " + std::to_string(static_cast<int>(origin.y)) + ", 'LockedIndex': " + std::to_string(slot) + "}";
    };
    trip.writeWithPlistlib("Peer", "{'QV': True, 'FolderLayout': False, '" + originsKey(false) + "': [" + entry(portrait, 3) + "], '" + originsKey(true) + "': [" + entry(landscape, -1) + "]}");
    auto expected = [](CGPoint origin, int slot) {
        return "[[" + std::to_string(static_cast<int>(origin.x)) + ", " + std::to_string(static_cast<int>(origin.y)) + ", " + std::to_string(slot) + "]]";
    };

    trip.open("Peer");
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "FromPortrait"), "Saved");
    EXPECT_EQ(trip.origins("FromPortrait", true), expected(landscape, -1)) << "opened in portrait";
    EXPECT_EQ(trip.origins("FromPortrait", false), expected(portrait, 3));
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(trip.origins(), std::vector<CGPoint> { landscape }) << "shown where the file says";

    trip.open("Peer");
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "FromLandscape"), "Saved");
    EXPECT_EQ(trip.origins("FromLandscape", false), expected(portrait, 3)) << "opened in landscape";
    EXPECT_EQ(trip.origins("FromLandscape", true), expected(landscape, -1));
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    EXPECT_EQ(trip.origins(), std::vector<CGPoint> { portrait });

    // Beyond the other orientation's screen too: kept as read in the
    // cache, brought onto the screen when it is shown.
    trip.writeWithPlistlib("Far", "{'QV': True, '" + originsKey(false) + "': [{'x': 10, 'y': 40}], '" + originsKey(true) + "': [{'x': 5000, 'y': -30}]}");
    trip.open("Far");
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "Far"), "Overwritten");
    EXPECT_EQ(trip.origins("Far", true), "[[5000, -30, -1]]");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(trip.origins(), std::vector<CGPoint> { CGPointMake(app.editor->maxIconPoint().x, 0) });
}

// In folder layouts, the cached half keeps its
// folder-relative positions as read, a negative x included.
TEST_P(OrientationRoundTripTest, FolderLayoutOtherOrientationKeptAsRead)
{
    trip.writeWithPlistlib("Folder", "{'QV': True, 'FolderLayout': True, '" + originsKey(false) + "': [{'x': 31, 'y': 67, 'LockedIndex': -1}], '" + originsKey(true) + "': [{'x': -3.7, 'y': 30, 'LockedIndex': 1}, {'x': 400, 'y': 250}]}");
    trip.answerFolderSize(282, 282);
    trip.open("Folder");
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "FolderAgain"), "Saved");
    EXPECT_EQ(trip.readBack("FolderAgain", "layout['FolderLayout']"), "true");
    EXPECT_EQ(trip.origins("FolderAgain", false), "[[31, 67, -1]]");
    EXPECT_EQ(trip.origins("FolderAgain", true), "[[-3, 30, 1], [400, 250, -1]]");

    // Opened again in landscape, the portrait half is the cached one.
    trip.writeWithPlistlib("Folder", "{'QV': True, 'FolderLayout': True, '" + originsKey(false) + "': [{'x': 600, 'y': -2, 'LockedIndex': -1}], '" + originsKey(true) + "': [{'x': 31, 'y': 67}]}");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    trip.open("Folder");
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "FolderAgain"), "Overwritten");
    EXPECT_EQ(trip.origins("FolderAgain", false), "[[600, -2, -1]]");
    EXPECT_EQ(trip.origins("FolderAgain", true), "[[31, 67, -1]]");
}

// A folder layout opened in portrait, folder mode left,
// the device turned (the landscape half comes on the screen as it is),
// folder mode entered again and the device turned twice: the landscape
// icons are confined to the folder, never moved a second time by the
// folder's origin, and are saved relative to the folder. The first icon is
// the (0, 50); the second lies inside the landscape folder as it
// is, so that a move by the folder's origin shows at every step.
TEST_P(OrientationRoundTripTest, FolderModeLeftAndEnteredAcrossTurns)
{
    const CGPoint inside = pad() ? CGPointMake(400, 300) : CGPointMake(200, 100);
    trip.writeWithPlistlib("Folder", "{'QV': True, 'FolderLayout': True, '" + originsKey(false) + "': [{'x': 31, 'y': 67, 'LockedIndex': -1}], '" + originsKey(true) + "': [{'x': 0, 'y': 50, 'LockedIndex': -1}, {'x': " + std::to_string(static_cast<int>(inside.x)) + ", 'y': " + std::to_string(static_cast<int>(inside.y)) + ", 'LockedIndex': 4}]}");
    trip.answerFolderSize(282, 282);
    trip.open("Folder");
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    const CGPoint portraitFolder = app.editor->folderBG()->frame().origin;
    EXPECT_EQ(trip.origins(), std::vector<CGPoint> { CGPointMake(31 + portraitFolder.x, 67 + portraitFolder.y - 20) });

    trip.chooseOption("Disable Folder Mode");
    ASSERT_FALSE(app.editor->folderModeEnabled());
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(trip.origins(), (std::vector<CGPoint> { CGPointMake(0, 50), inside })) << "folder mode off: the positions as they are";

    trip.answerFolderSize(282, 282);
    trip.chooseOption("Enable Folder Mode");
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    const CGRect landscapeFolder = app.editor->folderBG()->frame();
    ASSERT_TRUE(CGRectContainsPoint(landscapeFolder, inside));
    const CGPoint confined = CGPointMake(landscapeFolder.origin.x, std::max<CGFloat>(50, landscapeFolder.origin.y));
    EXPECT_EQ(trip.origins(), (std::vector<CGPoint> { confined, inside })) << "confined to the folder, not moved";
    auto relativeTo = [&](CGPoint origin, int slot) {
        return "[" + std::to_string(static_cast<int>(origin.x - landscapeFolder.origin.x)) + ", " + std::to_string(static_cast<int>(origin.y - landscapeFolder.origin.y + 20)) + ", " + std::to_string(slot) + "]";
    };
    const std::string relative = "[" + relativeTo(confined, -1) + ", " + relativeTo(inside, 4) + "]";

    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "Turned"), "Saved");
    EXPECT_EQ(trip.origins("Turned", true), relative) << "from the cache";
    EXPECT_EQ(trip.origins("Turned", false), "[[31, 67, -1]]");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(trip.origins(), (std::vector<CGPoint> { confined, inside })) << "not moved a second time";
    EXPECT_EQ(trip.save("Save Portrait & Landscape", "Turned"), "Overwritten");
    EXPECT_EQ(trip.origins("Turned", true), relative) << "from the screen";

    // A cleared cache holds no positions of the folder layout any more: the
    // fresh icon that comes in its place is not moved by the folder.
    trip.open("Folder");
    ASSERT_TRUE(app.down(CGPointMake(5, 150)));
    app.advance(0.6);
    app.up();
    ASSERT_TRUE(app.tapSheetButton("Delete All Icons"));
    ASSERT_TRUE(app.tapSheetButton("Delete Portrait & Landscape"));
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    // Made at y 30, it is held at the folder's top edge (moved by the
    // folder's origin, it would lie lower).
    ASSERT_EQ(app.icons()->icons().size(), 1u);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin.y, app.editor->folderBG()->frame().origin.y);
}

// Every name whose file name fits the file system (name
// and ".plist" at most 255 bytes) is saved, whatever the atomic writer
// names its temporary file; a longer one is asked for again.
TEST_P(OrientationRoundTripTest, LongNames)
{
    for (size_t length : { 241, 242, 245, 249 }) {
        const std::string name(length, 'n');
        EXPECT_EQ(trip.save("Save Portrait", name), "Saved") << length;
        EXPECT_EQ(trip.readBack(name, "[layout['QV'], len(layout['" + originsKey(false) + "'])]"), "[true, 1]") << length;
    }
    // Made of characters of two bytes each: 248 bytes.
    std::string accented;
    for (int count = 0; count < 124; ++count)
        accented += "\xc3\xa9";
    EXPECT_EQ(trip.save("Save Portrait", accented), "Saved");
    EXPECT_TRUE(std::filesystem::exists(app.root.hostPath(userLayout(accented))));
    EXPECT_EQ(trip.save("Save Portrait", std::string(250, 'n')), "Save Layout") << "asked for again";
    std::error_code error;
    EXPECT_FALSE(std::filesystem::exists(app.root.hostPath(userLayout(std::string(250, 'n'))), error));
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(app.root.hostPath(layoutsFolder)))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

// Once folder mode is left, the whole screen is open to every icon,
// however it came on the screen: from the cache of the orientation where
// folder mode was on, as the other half of a folder layout opened in folder
// mode, as the fresh icon of a cache a delete emptied, or made anew. Each
// reaches (10, 40) by a drag, (5, 7) through the position panel and the
// screen's largest origin by a drag.
TEST_P(OrientationRoundTripTest, WholeScreenOpenOnceFolderModeIsLeft)
{
    const CGFloat side = pad() ? 480 : 272;
    trip.writeWithPlistlib("Start", "{'QV': True, '" + originsKey(false) + "': [{'x': 100, 'y': 200}], '" + originsKey(true) + "': [{'x': 100, 'y': 150}]}");
    trip.writeWithPlistlib("Folder", "{'QV': True, 'FolderLayout': True, '" + originsKey(false) + "': [{'x': 31, 'y': 67}], '" + originsKey(true) + "': [{'x': 31, 'y': 67}]}");
    auto folderMode = [&](bool on) {
        if (on)
            trip.answerFolderSize(side, side);
        ASSERT_NO_FATAL_FAILURE(trip.chooseOption(on ? "Enable Folder Mode" : "Disable Folder Mode"));
        app.advance(0.5);
        ASSERT_EQ(app.editor->folderModeEnabled(), on);
    };
    auto turn = [&](UIInterfaceOrientation orientation) { ASSERT_TRUE(app.rotate(orientation)); };
    struct Case {
        const char* how;
        std::function<void()> bringIconOn;
        bool newest;
    };
    const Case cases[] = {
        { "turned back after folder mode was left in the other orientation", [&] {
             folderMode(true);
             turn(UIInterfaceOrientationLandscapeLeft);
             folderMode(false);
             turn(UIInterfaceOrientationPortrait);
         }, false },
        { "folder mode left without a turn", [&] {
             folderMode(true);
             folderMode(false);
         }, false },
        { "the other half of a folder layout opened in folder mode", [&] {
             folderMode(true);
             trip.open("Folder");
             folderMode(false);
             turn(UIInterfaceOrientationLandscapeLeft);
         }, false },
        { "the fresh icon of a cache emptied by a delete", [&] {
             turn(UIInterfaceOrientationLandscapeLeft);
             folderMode(true);
             trip.deleteOnlyIcon(false);
             // The shrink ends in portrait: the icon leaves the landscape
             // cache, which gets a fresh icon.
             ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait, 0.3));
             app.advance(1);
             folderMode(false);
             turn(UIInterfaceOrientationLandscapeLeft);
         }, false },
        { "added after the turn", [&] {
             folderMode(true);
             turn(UIInterfaceOrientationLandscapeLeft);
             folderMode(false);
             turn(UIInterfaceOrientationPortrait);
             ASSERT_TRUE(app.tapButton("+"));
             app.advance(0.5);
         }, true },
    };
    for (const Case& path : cases) {
        SCOPED_TRACE(path.how);
        if (app.editor->landscapeOnScreen()) {
            ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
        }
        trip.open("Start");
        ASSERT_NO_FATAL_FAILURE(path.bringIconOn());
        ASSERT_FALSE(app.editor->folderModeEnabled());
        Ref<QVIcon> icon = path.newest ? app.icons()->icons().back() : app.icons()->icons().front();

        // Fractions show, so that an icon held half a point off fails.
        auto at = [&] {
            std::ostringstream place;
            place << "(" << icon->frame().origin.x << ", " << icon->frame().origin.y << ")";
            return place.str();
        };
        ASSERT_NO_FATAL_FAILURE(trip.drag(*icon, CGPointMake(10, 40)));
        EXPECT_EQ(at(), "(10, 40)") << "by a drag";

        ASSERT_TRUE(app.down(icon->center()));
        app.advance(0.6);
        app.up();
        ASSERT_TRUE(app.tapSheetButton("Set Icon Position"));
        RefPtr<QVIconPositionPopController> panel = icon->iconPositionController();
        ASSERT_TRUE(panel && panel->isShowing());
        for (const RefPtr<UITextField>& field : { panel->xField(), panel->yField() }) {
            while (!field->text().empty())
                ASSERT_TRUE(field->deleteBackward());
        }
        EXPECT_TRUE(panel->xField()->typeText("5"));
        EXPECT_TRUE(panel->yField()->typeText("7"));
        EXPECT_EQ(at(), "(5, 7)") << "through the position panel";
        panel->dismiss();

        const CGPoint largest = app.editor->maxIconPoint();
        ASSERT_NO_FATAL_FAILURE(trip.drag(*icon, largest));
        EXPECT_EQ(at(), "(" + whole(largest.x) + ", " + whole(largest.y) + ")") << "the largest origin";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, OrientationRoundTripTest, ::testing::ValuesIn(deviceCases), deviceCaseName);

namespace {

class EveryDeviceRoundTripTest : public OrientationRoundTripTest {
};

} // namespace

// An icon dragged to the bottom of the folder in landscape is saved, and
// saved again at the same place when the layout is opened again: in
// landscape with folder mode on and off, in portrait and turned, and turned
// before the folder's size came. On the smaller phones the landscape folder
// reaches lower than the whole screen's largest icon origin, so an icon
// held there on the way into the folder would come up. When no folder size
// comes, the icons are kept within the screen.
TEST_P(EveryDeviceRoundTripTest, FolderBottomSurvivesItsRoundTrip)
{
    const CGFloat side = runningDevice().folderSide;
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    trip.answerFolderSize(side, side);
    trip.chooseOption("Enable Folder Mode");
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    const CGRect folder = app.editor->folderBG()->frame();
    const CGSize icon = app.editor->defaultIconFrame().size;
    const CGPoint bottom = CGPointMake(std::floor(folder.origin.x) + 100, folder.origin.y + folder.size.height - icon.height);
    ASSERT_NO_FATAL_FAILURE(trip.drag(*app.icons()->icons()[0], bottom));
    ASSERT_EQ(trip.origins(), std::vector<CGPoint> { bottom });
    // The file's place, relative to the folder with 20 added to y, and
    // where it puts the icon in this folder.
    const CGPoint relative = CGPointMake(std::trunc(bottom.x - folder.origin.x), side - icon.height + 20);
    const std::string saved = "[[" + whole(relative.x) + ", " + whole(relative.y) + ", -1]]";
    const std::vector<CGPoint> placed { CGPointMake(folder.origin.x + relative.x, bottom.y) };
    EXPECT_EQ(trip.save("Save Landscape", "Bottom"), "Saved");
    ASSERT_EQ(trip.origins("Bottom", true), saved);

    trip.open("Bottom");
    app.advance(0.5);
    EXPECT_EQ(trip.origins(), placed) << "opened in landscape, folder mode on";
    EXPECT_EQ(trip.save("Save Landscape", "Bottom"), "Overwritten");
    EXPECT_EQ(trip.origins("Bottom", true), saved) << "opened in landscape, folder mode on";

    trip.chooseOption("Disable Folder Mode");
    trip.answerFolderSize(side, side);
    trip.open("Bottom");
    app.advance(0.5);
    ASSERT_TRUE(app.editor->folderModeEnabled());
    EXPECT_EQ(trip.origins(), placed) << "opened in landscape, folder mode off";
    EXPECT_EQ(trip.save("Save Landscape", "Bottom"), "Overwritten");
    EXPECT_EQ(trip.origins("Bottom", true), saved) << "opened in landscape, folder mode off";

    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    trip.open("Bottom");
    app.advance(0.5);
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(trip.origins(), placed) << "opened in portrait and turned";
    EXPECT_EQ(trip.save("Save Landscape", "Bottom"), "Overwritten");
    EXPECT_EQ(trip.origins("Bottom", true), saved) << "opened in portrait and turned";

    // Turned while the folder's size is still asked for: the icons wait on
    // the screen as read until the folder comes.
    trip.chooseOption("Disable Folder Mode");
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
    trip.answerFolderSize(side, side);
    trip.open("Bottom");
    ASSERT_TRUE(app.editor->folderModeRequestPending());
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    ASSERT_TRUE(app.editor->folderModeEnabled());
    EXPECT_EQ(trip.origins(), placed) << "turned before the folder's size came";
    EXPECT_EQ(trip.save("Save Landscape", "Bottom"), "Overwritten");
    EXPECT_EQ(trip.origins("Bottom", true), saved) << "turned before the folder's size came";

    // Nobody answers: the icons that waited for the folder are positions on
    // the screen from then on, and kept within it.
    trip.chooseOption("Disable Folder Mode");
    trip.open("Bottom");
    app.advance(11);
    ASSERT_FALSE(app.editor->folderModeRequestPending());
    ASSERT_FALSE(app.editor->folderModeEnabled());
    ASSERT_TRUE(app.tapSheetButton("Ok"));
    EXPECT_EQ(trip.origins(), std::vector<CGPoint> { CGPointMake(relative.x, std::min(relative.y, app.editor->maxIconPoint().y)) });
}

// The only icon of the portrait half deleted, with its "X" or the sheet's
// Delete, in folder mode and out of it: whether the device turns within
// the shrink or after it, the same file is saved, its portrait half the
// one fresh icon that takes the place of the last icon deleted.
TEST_P(EveryDeviceRoundTripTest, OnlyIconDeletedWhileTheDeviceTurns)
{
    const CGFloat side = runningDevice().folderSide;
    const CGFloat iconWidth = app.editor->defaultIconFrame().size.width;
    struct Case {
        bool withX;
        bool folder;
        CGPoint fresh;
    };
    // A fresh icon stands at the top of the screen, centred; in folder
    // mode it is held at the folder's top edge.
    const Case cases[] = {
        { true, false, CGPointMake(GetParam().screen.width / 2 - iconWidth / 2, 30) },
        { false, false, CGPointMake(GetParam().screen.width / 2 - iconWidth / 2, 30) },
        { true, true, CGPointMake(side / 2 - iconWidth / 2, 20) },
        { false, true, CGPointMake(side / 2 - iconWidth / 2, 20) },
    };
    for (const Case& deletion : cases) {
        std::string files[2];
        for (const bool withinShrink : { true, false }) {
            SCOPED_TRACE(std::string(deletion.withX ? "\"X\"" : "Delete") + (deletion.folder ? ", folder mode" : "") + (withinShrink ? ", turned within the shrink" : ", turned after it"));
            if (app.editor->landscapeOnScreen()) {
                ASSERT_TRUE(app.rotate(UIInterfaceOrientationPortrait));
            }
            trip.writeWithPlistlib("One", std::string("{'QV': True, 'FolderLayout': ") + (deletion.folder ? "True" : "False") + ", '" + originsKey(false) + "': [{'x': 40, 'y': 200, 'LockedIndex': -1}], '" + originsKey(true) + "': [{'x': 60, 'y': 70, 'LockedIndex': 2}]}");
            if (deletion.folder)
                trip.answerFolderSize(side, side);
            trip.open("One");
            app.advance(0.5);
            ASSERT_EQ(app.editor->folderModeEnabled(), deletion.folder);
            ASSERT_NO_FATAL_FAILURE(trip.deleteOnlyIcon(deletion.withX));
            if (withinShrink) {
                ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft, 0.3));
                app.advance(1);
            } else {
                app.advance(1);
                ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
            }
            const std::string name = withinShrink ? "Within" : "After";
            const std::string outcome = trip.save("Save Portrait & Landscape", name);
            EXPECT_TRUE(outcome == "Saved" || outcome == "Overwritten") << outcome;
            EXPECT_EQ(trip.origins(name, false), "[[" + whole(deletion.fresh.x) + ", " + whole(deletion.fresh.y) + ", -1]]");
            files[withinShrink] = trip.readBack(name, "layout, sort_keys=True");
        }
        EXPECT_EQ(files[true], files[false]) << "the same file whenever the device turned";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, EveryDeviceRoundTripTest, ::testing::ValuesIn(everyDeviceCase), everyDeviceCaseName);
