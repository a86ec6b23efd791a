// The application as a real process on an installed device root, driven
// through its commands, with the SpringBoard host and the extension as a
// second process where a layout is applied. What the programs show is read
// from their dumps and the files by Python.
#include "LibraryProcessSupport.h"

#include "hosts/springboard/tests/SpringBoardHostProcess.h"
#include "model/QVLayoutKeys.h"
#include "platform/objc/DynamicLibraries.h"
#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

using namespace qv;

using namespace qv::libraryprocess;

// The saved layouts tab of the running application: the listing order,
// rename, delete from the sheet and in edit mode, and the hand-off of a
// layout to the editor.
TEST(SavedLayoutsProcess, ListsRenamesDeletesAndHandsLayoutsToTheEditor)
{
    InstalledDevice device("iphone-4");
    device.writeLayout(user("Beta.plist"), 4, 20, 60);
    device.writeLayout(user("Alpha.plist"), 3, 30, 90, true, true);
    device.writeLayout(user("Stock Copy.plist"), 5, 12, 80, false);
    device.startApplication();
    device.ok("tab Saved");
    EXPECT_EQ(device.value("[(l['name'], l['default'], l['thumbnail'] > 0) for l in lib['saved']['layouts']]"),
        "[[\"Default Folder.plist\", true, true], [\"Default.plist\", true, true], [\"Alpha.plist\", false, true], "
        "[\"Beta.plist\", false, true], [\"Stock Copy.plist\", false, true]]");
    EXPECT_EQ(device.value(rowsOf("lib['saved']")),
        "[\"Default Folder.plist|darkGray\", \"Default.plist|darkGray\", \"Alpha.plist|black\", \"Beta.plist|black\", \"Stock Copy.plist|darkGray\"]");
    EXPECT_EQ(device.value("[r['accessory'] for s in lib['saved']['sections'] for r in s['rows']][0]"), "\"QVLayoutPreview\"");

    // Rename through the dialog, typed as the user does.
    device.ok("rowtitle Beta.plist");
    EXPECT_EQ(device.value("dump['modalViews'][-1]['buttons']"), "[\"Delete\", \"View / Modify\", \"Upload\", \"Rename\", \"Apply Layout\", \"Cancel\"]");
    device.ok("sheet Rename");
    for (int i = 0; i < 4; ++i)
        device.ok("backspace");
    device.ok("type Gam/ma");
    device.ok("alert Rename");
    EXPECT_FALSE(device.exists(user("Beta.plist")));
    ASSERT_TRUE(device.exists(user("Gamma.plist")));
    EXPECT_EQ(python("import plistlib, sys\nd = plistlib.load(open(sys.argv[1], 'rb'))\nprint(d['QV'], len(d['Origins-4Inch']))",
                  { device.root.hostPath(user("Gamma.plist")).string() }),
        "True 4");
    EXPECT_EQ(device.value("[l['name'] for l in lib['saved']['layouts']][3]"), "\"Gamma.plist\"");

    // Delete from the sheet, and in edit mode; stock rows cannot be edited.
    device.ok("rowtitle Gamma.plist");
    device.ok("sheet Delete");
    EXPECT_FALSE(device.exists(user("Gamma.plist")));
    device.ok("baritem Edit");
    EXPECT_EQ(device.value("[lib['saved']['editing'], lib['saved']['editTitle']]"), "[true, \"Done\"]");
    EXPECT_NE(device.command("editcontrol 0 1").rfind("{\"ok\":false", 0), std::string::npos);
    device.ok("editcontrol 0 2");
    device.ok("confirmdelete");
    EXPECT_FALSE(device.exists(user("Alpha.plist")));
    device.ok("baritem Done");
    EXPECT_EQ(device.value("[l['name'] for l in lib['saved']['layouts']]"), "[\"Default Folder.plist\", \"Default.plist\", \"Stock Copy.plist\"]");

    // "View / Modify" opens the layout in the editor.
    device.ok("rowtitle Stock Copy.plist");
    EXPECT_EQ(device.value("dump['modalViews'][-1]['buttons']"), "[\"View / Modify\", \"Apply Layout\", \"Cancel\"]");
    device.ok("sheet View / Modify");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[[i['frame'][0], i['frame'][1]] for i in editor['icons']]"), "[[12, 80], [22, 95], [32, 110], [42, 125], [52, 140]]");
    EXPECT_EQ(device.quit(), 0);
}

// A layout whose file cannot be removed (a folder took its place, or it is
// gone) keeps its row, and the user is told why, from the sheet as in edit
// mode.
TEST(SavedLayoutsProcess, ADeleteThatCannotBeDoneSaysWhy)
{
    InstalledDevice device("iphone-4");
    device.writeLayout(user("Kept.plist"), 3, 20, 60);
    device.writeLayout(user("Gone.plist"), 2, 30, 90);
    device.startApplication();
    device.ok("tab Saved");
    std::filesystem::remove(device.root.hostPath(user("Kept.plist")));
    std::filesystem::create_directories(device.root.hostPath(user("Kept.plist")) / "inside");
    std::filesystem::remove(device.root.hostPath(user("Gone.plist")));
    const char* names = "[l['name'] for l in lib['saved']['layouts']]";
    const std::string allRows = "[\"Default Folder.plist\", \"Default.plist\", \"Gone.plist\", \"Kept.plist\"]";
    const char* alert = "[dump['modalViews'][-1]['title'], dump['modalViews'][-1]['message'], dump['modalViews'][-1]['buttons']]";

    device.ok("rowtitle Kept.plist");
    device.ok("sheet Delete");
    EXPECT_EQ(device.value(alert),
        "[\"Error deleting layout\", \"\\u201cKept.plist\\u201d couldn\\u2019t be removed: it is a folder, not a layout file.\", [\"Ok\"]]");
    device.ok("alert Ok");
    EXPECT_TRUE(std::filesystem::is_directory(device.root.hostPath(user("Kept.plist")) / "inside"));
    EXPECT_EQ(device.value(names), allRows);

    device.ok("baritem Edit");
    device.ok("editcontrol 0 2");
    device.ok("confirmdelete");
    EXPECT_EQ(device.value(alert),
        "[\"Error deleting layout\", \"\\u201cGone.plist\\u201d couldn\\u2019t be removed: the layout file is no longer there.\", [\"Ok\"]]");
    device.ok("alert Ok");
    EXPECT_EQ(device.value(names), allRows);
    EXPECT_EQ(device.quit(), 0);
}

// Applying from the application's apply screen, to the whole home screen and
// then to one page: the references are stored, SETTINGS_CHANGED reaches the
// running SpringBoard, and its extension places the icons.
TEST(ApplyLayoutProcess, SpringBoardPlacesTheIconsOfTheAppliedLayout)
{
    InstalledDevice device("iphone-4");
    // The install step lays the extension into the substrate folder.
    ASSERT_TRUE(std::filesystem::is_regular_file(device.root.hostPath(kSubstrateLibraryFolder) / "Quiltvane.dylib"));
    device.writeLayout(user("Diagonal.plist"), 30, 10, 60);
    sbhosttest::SpringBoardHost springboard("iphone-4");
    sbhosttest::DumpView before(springboard.dump());
    const std::vector<std::string> firstPage = before.iconNames("page0");
    const std::vector<std::string> secondPage = before.iconNames("page1");
    ASSERT_GE(firstPage.size(), 3u);
    ASSERT_GE(secondPage.size(), 3u);
    const std::string stockFirst = before.icon("page0", firstPage[1]);
    const std::string stockSecond = before.icon("page1", secondPage[1]);

    device.startApplication();
    device.ok("tab Saved");
    device.ok("rowtitle Diagonal.plist");
    device.ok("sheet Apply Layout");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[lib['apply']['title'], lib['apply']['mode'], lib['apply']['saveEnabled']]"), "[\"Apply Diagonal.plist\", 0, false]");
    EXPECT_EQ(device.value(rowsOf("lib['apply']")), "[\"Default.plist|black\"]");
    device.ok("row 0 0");
    EXPECT_EQ(device.value(rowsOf("lib['apply']")), "[\"Diagonal.plist|black|check\"]");
    device.ok("baritem Save");
    device.ok("wait 500");
    EXPECT_EQ(device.value("lib['apply']"), "null");
    EXPECT_EQ(device.storedPreference("CurrentLayout"), "\"Diagonal.plist//USER\"");
    EXPECT_EQ(device.storedPreference("Enable"), "true");
    EXPECT_EQ(device.storedPreference("EnablePerPageLayouts"), "0");

    // The icons of the first page go to the layout's origins (less the
    // status bar), in list order.
    auto iconAt = [&](const std::string& page, const std::string& name, const std::string& expected) {
        std::string frame;
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < deadline;) {
            frame = sbhosttest::DumpView(springboard.dump()).icon(page, name);
            if (frame.rfind(expected, 0) == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return frame;
    };
    EXPECT_EQ(iconAt("page0", firstPage[1], "20 55 ").substr(0, 6), "20 55 ");
    EXPECT_EQ(iconAt("page0", firstPage[2], "30 70 ").substr(0, 6), "30 70 ");

    // Per page: the layout on the second page only; the first page falls
    // back to the stock layout.
    device.ok("rowtitle Diagonal.plist");
    device.ok("sheet Apply Layout");
    device.ok("wait 500");
    device.ok("segment Per-Page");
    EXPECT_EQ(device.value("[s['header'] for s in lib['apply']['sections']][::10]"), "[\"Page 1\", \"Page 11+\"]");
    device.ok("row 1 0");
    device.ok("baritem Save");
    device.ok("wait 500");
    EXPECT_EQ(device.storedPreference("EnablePerPageLayouts"), "1");
    EXPECT_EQ(device.storedPreference("Page0Layout"), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(device.storedPreference("Page1Layout"), "\"Diagonal.plist//USER\"");
    EXPECT_EQ(device.storedPreference("CurrentLayout"), "\"Diagonal.plist//USER\"") << "the other mode's key stays";
    EXPECT_EQ(iconAt("page0", firstPage[1], stockFirst), stockFirst);
    const std::string secondIcon = sbhosttest::DumpView(springboard.dump()).iconNames("page1")[1];
    EXPECT_EQ(iconAt("page1", secondIcon, "20 55 ").substr(0, 6), "20 55 ");
    EXPECT_NE(stockSecond.substr(0, 6), "20 55 ");
    EXPECT_EQ(device.quit(), 0);
    EXPECT_EQ(springboard.quit(), 0);
}

// The theme browser of the running application over the installed sample
// themes and a fixture tree: usable and unusable themes, a link inside the
// themes folder and one to a folder elsewhere on the device (both usable),
// links that leave the device or loop (not listed), a corrupt image;
// choosing an icon image changes every icon of the editor, a wallpaper its
// background.
TEST(ThemeBrowserProcess, ChoosingThemeImagesChangesTheEditor)
{
    InstalledDevice device("iphone-4");
    device.root.writeFile("/Library/Themes/Broken.theme/Icons/Bad.png", "this is no image");
    device.root.writeFile("/var/mobile/Outside/Icons/Secret.png", device.root.readFile("/Library/Themes/Quilt.theme/Icons/Amber.png"));
    std::filesystem::create_directory_symlink("Quilt.theme", device.root.hostPath("/Library/Themes/Linked.theme"));
    std::filesystem::create_directory_symlink(device.root.hostPath("/var/mobile/Outside"), device.root.hostPath("/Library/Themes/Outside.theme"));
    qv::testing::TemporaryDirectory offDevice;
    std::filesystem::copy(device.root.hostPath("/var/mobile/Outside"), offDevice.path(), std::filesystem::copy_options::recursive);
    std::filesystem::create_directory_symlink(offDevice.path(), device.root.hostPath("/Library/Themes/OffDevice.theme"));
    std::filesystem::create_directory_symlink("Loop.theme", device.root.hostPath("/Library/Themes/Loop.theme"));
    // The sample tree of the scanning rules, with the entries that must not count.
    const std::string png = device.root.readFile("/Library/Themes/Quilt.theme/Icons/Coral.png");
    for (const char* file : { "Bundles/A/icon.png", "Bundles/A/icon@2x.png", "Bundles/A/icon~ipad.png", "Bundles/B/Icon.PNG",
             "Folders/Games/icon.png", "Icons/Safari.png", "Icons/Notes.PNG", "Icons/readmepng", "Bundles/notes.txt" })
        device.root.writeFile(std::string("/Library/Themes/Sample.theme/") + file, png);
    std::filesystem::create_directories(device.root.hostPath("/Library/Themes/Sample.theme/Icons/x.png"));
    device.startApplication();
    device.ok("button +");
    device.ok("wait 300");
    ASSERT_EQ(device.value("len(editor['icons']) >= 2"), "true");
    EXPECT_EQ(device.value("set(map(tuple, lib['images']['editorIcons'])) == {(60, 60)}"), "true");

    device.ok("button Image");
    device.ok("sheet Change Icon Image");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[lib['themes']['screen'], lib['themes']['title']]"), "[\"browser\", \"Themes\"]");
    EXPECT_EQ(device.value(rowsOf("lib['themes']")),
        "[\"Broken.theme|black\", \"Dusk.theme|gray|off\", \"Linked.theme|black\", \"Outside.theme|black\", \"Quilt.theme|black\", "
        "\"Sample.theme|black\"]");

    device.ok("rowtitle Sample.theme");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[[r['text'] for r in s['rows']] for s in lib['themes']['sections']]"),
        "[[\"icon.png\", \"icon@2x.png\", \"Icon.PNG\"], [\"icon.png\"], [\"Safari.png\", \"readmepng\"]]");
    device.ok("back");
    device.ok("wait 500");

    device.ok("rowtitle Linked.theme");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[s['header'] for s in lib['themes']['sections']]"), "[\"From \\\"Bundles\\\"\", \"From \\\"Folders\\\"\", \"From \\\"Icons\\\"\"]");
    EXPECT_EQ(device.value("[r['text'] for s in lib['themes']['sections'] for r in s['rows']]"),
        "[\"icon.png\", \"icon.png\", \"icon.png\", \"Amber.png\", \"Coral.png\"]");
    device.ok("back");
    device.ok("wait 500");

    device.ok("rowtitle Broken.theme");
    device.ok("wait 500");
    device.ok("rowtitle Bad.png");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[lib['themes']['screen'], lib['themes']['title'], lib['images']['iconReset']]"), "[\"detail\", \"Broken.theme\", true]");
    device.ok("back");
    device.ok("wait 500");

    // The picture of a theme linked in from elsewhere is read through the link.
    device.ok("rowtitle Outside.theme");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[lib['themes']['title'], [r['text'] for s in lib['themes']['sections'] for r in s['rows']]]"),
        "[\"Outside.theme\", [\"Secret.png\"]]");
    device.ok("rowtitle Secret.png");
    device.ok("wait 800");
    EXPECT_EQ(device.value("lib['themes']"), "null") << "the browser closed";
    EXPECT_EQ(device.value("[lib['images']['icon'], lib['images']['iconReset']]"), "[[120, 120], false]");
    EXPECT_EQ(device.value("set(map(tuple, lib['images']['editorIcons'])) == {(120, 120)}"), "true");

    device.ok("button Image");
    device.ok("sheet Change Background Image");
    device.ok("wait 500");
    EXPECT_EQ(device.value(rowsOf("lib['themes']")),
        "[\"Broken.theme|gray|off\", \"Dusk.theme|black\", \"Linked.theme|black\", \"Outside.theme|gray|off\", \"Quilt.theme|black\", "
        "\"Sample.theme|gray|off\"]");
    device.ok("rowtitle Dusk.theme");
    device.ok("wait 500");
    device.ok("rowtitle Wallpaper.png");
    device.ok("wait 800");
    EXPECT_EQ(device.value("[lib['images']['background'], lib['images']['editorBackground'], lib['images']['backgroundReset']]"),
        "[[640, 1136], [640, 1136], false]");
    EXPECT_EQ(device.quit(), 0);
}

// On the iPad the editor shows the theme browser in a popover from its
// image button and closes it once an image was chosen.
TEST(ThemeBrowserProcess, OnTheIPadTheBrowserIsAPopover)
{
    InstalledDevice device("ipad");
    device.startApplication();
    device.ok("button Image");
    device.ok("sheet Change Icon Image");
    device.ok("wait 500");
    EXPECT_EQ(device.value("[[p['content'], p['frame'][2:]] for p in dump['popovers']]"), "[[\"UINavigationController\", [320, 568]]]");
    EXPECT_EQ(device.value("lib['themes']['screen']"), "\"browser\"");
    device.ok("rowtitle Quilt.theme");
    device.ok("wait 500");
    device.ok("rowtitle Coral.png");
    device.ok("wait 800");
    EXPECT_EQ(device.value("[lib['themes'], len(dump['popovers'])]"), "[null, 0]");
    EXPECT_EQ(device.value("set(map(tuple, lib['images']['editorIcons'])) == {(120, 120)}"), "true");
    EXPECT_EQ(device.quit(), 0);
}
