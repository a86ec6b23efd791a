#include "EditorTestSupport.h"

#include "model/QVSettings.h"
#include "platform/Foundation/PathUtilities.h"
#include "testing/Process.h"

#include <cmath>

using namespace qv;
using namespace qv::editortest;

namespace {

// Every built-in device, with its suffix and its screen in portrait.
struct ProfileCase {
    const char* profile;
    const char* suffix;
    CGSize screen;
};
constexpr ProfileCase allProfiles[] = {
    { "iphone-3.5", "-3_5Inch", { 320, 480 } },
    { "iphone-4", "-4Inch", { 320, 568 } },
    { "iphone-4.7", "-4_7Inch", { 375, 667 } },
    { "iphone-5.5", "-5_5Inch", { 414, 736 } },
    { "ipad", "-iPad", { 768, 1024 } },
};

std::string userLayout(const std::string& name)
{
    return std::string("/var/mobile/Library/Quiltvane/Layouts/") + name + ".plist";
}

// The file as Python's plistlib reads it, as JSON with sorted keys (so
// that true, 1 and 1.0 stay apart).
std::string plistlibJSON(const ApplicationScreen& app, const std::string& devicePath)
{
    auto result = qv::testing::runPython("import json, plistlib, sys\n"
                                         "with open(sys.argv[1], 'rb') as file:\n"
                                         "    value = plistlib.load(file)\n"
                                         "sys.stdout.write(json.dumps(value, sort_keys=True))\n",
        { app.root.hostPath(devicePath).string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

// Writes a layout with plistlib from a Python dictionary expression.
void writeWithPlistlib(const ApplicationScreen& app, const std::string& devicePath, const std::string& pythonValue)
{
    std::filesystem::create_directories(app.root.hostPath(devicePath).parent_path());
    auto result = qv::testing::runPython("import plistlib, sys\n"
                                         "value = " + pythonValue + "\n"
                                         "with open(sys.argv[1], 'wb') as file:\n"
                                         "    plistlib.dump(value, file)\n",
        { app.root.hostPath(devicePath).string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
}

// Puts the icons at the origins, unlocked unless a slot is given.
void placeIcons(ApplicationScreen& app, const std::vector<std::pair<CGPoint, int32_t>>& icons)
{
    app.icons()->deleteAllIcons(false);
    for (const auto& [origin, slot] : icons) {
        Ref<QVIcon> icon = app.icons()->addIconWithFrame(CGRectMake(origin.x, origin.y, 10, 10), slot);
        icon->setFrame(CGRectMake(origin.x, origin.y, icon->frame().size.width, icon->frame().size.height));
    }
}

// Opens a layout file as "View / Modify" does.
void openLayout(ApplicationScreen& app, const std::string& name)
{
    RefPtr<NSDictionary> layout = NSDictionary::dictionaryWithContentsOfFile(userLayout(name));
    ASSERT_TRUE(layout);
    app.appDelegate->setViewLayout(true);
    app.appDelegate->setViewLayoutData(layout);
    app.editor->viewWillAppear(true);
}

} // namespace

// The example of the format: a portrait save on the 4-inch phone of two
// unlocked icons on a 5 x 6 grid, read back by plistlib with exactly the
// keys and types the format gives.
TEST(LayoutFileTest, PortraitSaveOnTheFourInchPhone)
{
    ApplicationScreen app(deviceCases[0]);
    placeIcons(app, { { { 20.7, 40.2 }, -1 }, { { 100, 200 }, -1 } });
    app.grid()->gridBG()->setFrame(CGRectMake(10, 30, 300, 400));
    QVSettings::currentSettings()->setGridSize(CGSizeMake(5, 6));
    RefPtr<NSDictionary> layout = app.editor->generateLayout(true, false);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(app.editor->writeLayout(*layout, "Example"));
    EXPECT_EQ(plistlibJSON(app, userLayout("Example")),
        R"({"FolderLayout": false, "GridSize-4Inch": {"Dimensions-Height": 6, "Dimensions-Width": 5, "height": 400.0, "width": 300.0, "x": 10.0, "y": 30.0}, )"
        R"("Origins-4Inch": [{"LockedIndex": -1, "x": 20, "y": 40}, {"LockedIndex": -1, "x": 100, "y": 200}], "QV": true})");
}

// On every device the keys carry the device's suffix, before "-Landscape";
// the half in the caches is written from them; a save without icons on the
// screen writes an empty list; a wanted half that is not there gives no
// layout.
TEST(LayoutFileTest, EveryDeviceBothHalves)
{
    for (const ProfileCase& profile : allProfiles) {
        SCOPED_TRACE(profile.profile);
        ApplicationScreen app({ profile.profile, profile.screen });
        EXPECT_FALSE(app.editor->generateLayout(false, true)) << "nothing in landscape yet";
        placeIcons(app, { { { 30.9, 60.1 }, 4 } });
        ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
        app.icons()->deleteAllIcons(false);
        RefPtr<NSDictionary> layout = app.editor->generateLayout(true, true);
        ASSERT_TRUE(layout);
        ASSERT_TRUE(app.editor->writeLayout(*layout, "Both"));
        const std::string json = plistlibJSON(app, userLayout("Both"));
        const std::string suffix = profile.suffix;
        EXPECT_NE(json.find("\"Origins" + suffix + "\": [{\"LockedIndex\": 4, \"x\": 30, \"y\": 60}]"), std::string::npos) << json;
        EXPECT_NE(json.find("\"Origins" + suffix + "-Landscape\": []"), std::string::npos) << json;
        EXPECT_NE(json.find("\"GridSize" + suffix + "\": {\"Dimensions-Height\": "), std::string::npos) << json;
        EXPECT_NE(json.find("\"GridSize" + suffix + "-Landscape\": {"), std::string::npos) << json;
        EXPECT_NE(json.find("\"QV\": true"), std::string::npos);
    }
}

// A landscape save on the iPad writes the iPad's landscape keys only.
TEST(LayoutFileTest, LandscapeSaveOnTheIPad)
{
    ApplicationScreen app(deviceCases[1]);
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeRight));
    RefPtr<NSDictionary> layout = app.editor->generateLayout(false, true);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(app.editor->writeLayout(*layout, "Wide"));
    const std::string json = plistlibJSON(app, userLayout("Wide"));
    EXPECT_NE(json.find("\"Origins-iPad-Landscape\": [{\"LockedIndex\": -1, \"x\": 472, \"y\": 30}]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"GridSize-iPad-Landscape\""), std::string::npos);
    EXPECT_EQ(json.find("\"Origins-iPad\":"), std::string::npos);
    EXPECT_EQ(json.find("\"GridSize-iPad\":"), std::string::npos);
}

// A file written by plistlib from the format's example opens in the editor
// unchanged, on every device: the screen's half on the screen in file
// order, the other half in the caches, with their grids.
TEST(LayoutFileTest, PlistlibLayoutOpensUnchanged)
{
    for (const ProfileCase& profile : allProfiles) {
        SCOPED_TRACE(profile.profile);
        ApplicationScreen app({ profile.profile, profile.screen });
        const std::string suffix = profile.suffix;
        writeWithPlistlib(app, userLayout("Peer"),
            "{'QV': True, 'FolderLayout': False, "
            "'Origins" + suffix + "': [{'x': 20, 'y': 40, 'LockedIndex': -1}, {'x': 100, 'y': 200, 'LockedIndex': 3}, {'x': 7, 'y': 90}], "
            "'GridSize" + suffix + "': {'Dimensions-Width': 5, 'Dimensions-Height': 6, 'x': 10.0, 'y': 30.0, 'width': 300.0, 'height': 400.0}, "
            "'Origins" + suffix + "-Landscape': [{'x': 50, 'y': 60, 'LockedIndex': 0}], "
            "'GridSize" + suffix + "-Landscape': {'Dimensions-Width': 7, 'Dimensions-Height': 3, 'x': 0.0, 'y': 20.0, 'width': 400.0, 'height': 250.0}}");
        openLayout(app, "Peer");
        const std::vector<Ref<QVIcon>> icons = app.icons()->icons();
        ASSERT_EQ(icons.size(), 3u);
        EXPECT_EQ(icons[0]->frame().origin, CGPointMake(20, 40));
        EXPECT_EQ(icons[1]->frame().origin, CGPointMake(100, 200));
        EXPECT_EQ(icons[1]->lockedIndex(), 3);
        EXPECT_EQ(icons[2]->lockedIndex(), -1) << "no slot given, none taken";
        EXPECT_EQ(icons[2]->tag(), 3);
        EXPECT_EQ(icons[0]->frame().size, app.editor->defaultIconFrame().size);
        EXPECT_EQ(app.grid()->gridBG()->frame(), CGRectMake(10, 30, 300, 400));
        EXPECT_EQ(QVSettings::currentSettings()->gridSize(), CGSizeMake(5, 6));
        ASSERT_EQ(app.icons()->landscapeIconCache().size(), 1u);
        EXPECT_EQ(app.icons()->landscapeIconCache()[0]->frame().origin, CGPointMake(50, 60));
        EXPECT_EQ(app.icons()->landscapeGridSizeCache(), CGSizeMake(7, 3));
        EXPECT_EQ(app.icons()->landscapeGridFrameCache(), CGRectMake(0, 20, 400, 250));
        EXPECT_FALSE(app.appDelegate->viewLayout());
        EXPECT_FALSE(app.appDelegate->viewLayoutData());

        // Saved again, the portrait half is what was read.
        RefPtr<NSDictionary> layout = app.editor->generateLayout(true, false);
        ASSERT_TRUE(layout);
        ASSERT_TRUE(app.editor->writeLayout(*layout, "Again"));
        EXPECT_NE(plistlibJSON(app, userLayout("Again")).find("[{\"LockedIndex\": -1, \"x\": 20, \"y\": 40}, {\"LockedIndex\": 3, \"x\": 100, \"y\": 200}, {\"LockedIndex\": -1, \"x\": 7, \"y\": 90}]"), std::string::npos);
    }
}

// A file is untrusted: entries that are no dictionaries are skipped, reals
// are truncated, the grid is held within 2 to 100 columns and rows, a frame
// that is no number keeps the grid where it is.
TEST(LayoutFileTest, UntrustedFileOpensSafely)
{
    ApplicationScreen app(deviceCases[0]);
    const CGRect gridBefore = app.grid()->gridBG()->frame();
    writeWithPlistlib(app, userLayout("Odd"),
        "{'Origins-4Inch': ['icon', 5, {'x': 33.9, 'y': -0.5, 'LockedIndex': 2.7}, [1, 2]], "
        "'GridSize-4Inch': {'Dimensions-Width': 10**12, 'Dimensions-Height': 1, 'x': float('nan'), 'y': 1.0, 'width': 2.0, 'height': 3.0}}");
    openLayout(app, "Odd");
    ASSERT_EQ(app.icons()->icons().size(), 1u);
    EXPECT_EQ(app.icons()->icons()[0]->frame().origin, CGPointMake(33, 0));
    EXPECT_EQ(app.icons()->icons()[0]->lockedIndex(), 2);
    EXPECT_EQ(QVSettings::currentSettings()->gridSize(), CGSizeMake(100, 2)) << "held within 2 to 100";
    EXPECT_EQ(app.grid()->gridBG()->frame(), gridBefore);
}
