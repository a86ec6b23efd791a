// Folder mode between two real processes: the application asks, the
// SpringBoard host with the Quiltvane extension answers through the shared
// preferences; without SpringBoard the application gives up.
#include "QuiltVaneTestSupport.h"
#include "testing/DrivenProcess.h"
#include "testing/InstalledDeviceRoot.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;

namespace {

// The device root as the install program lays it out (the extension in
// the substrate folder included), with every tutorial card of the application seen.
class FolderModeProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(qv::testing::installDeviceRoot(root));
        ASSERT_TRUE(std::filesystem::is_regular_file(root.hostPath("/Library/MobileSubstrate/DynamicLibraries/Quiltvane.dylib")));
        root.writeFile(qv::quiltvanetest::preferencesPath, qv::quiltvanetest::preferencesWithTutorialSeen());
    }

    // A value of the application's dump: a Python expression over `editor`
    // and `dump`, printed as JSON.
    std::string dumpValue(qv::testing::DrivenProcess& app, const std::string& expression)
    {
        return valueOf(app.command("dump"), expression);
    }
    // The same, of a dump's answer line already read.
    std::string valueOf(const std::string& dumpAnswer, const std::string& expression)
    {
        auto result = qv::testing::runPython("import json, sys\nanswer = json.loads(sys.stdin.read())\ndump = answer['dump']\neditor = dump['editor']\nprint(json.dumps(" + expression + "))", {}, dumpAnswer);
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        std::string output = result.output;
        while (!output.empty() && output.back() == '\n')
            output.pop_back();
        return output;
    }
    std::string sharedValue(const std::string& key)
    {
        auto result = qv::testing::runPython("import plistlib, sys\nprint(plistlib.load(open(sys.argv[1], 'rb')).get(sys.argv[2]))",
            { root.hostPath("/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist").string(), key });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }

    // Waits, a bounded while, for SpringBoard's answer to put the editor
    // into folder mode.
    void waitForFolderMode(qv::testing::DrivenProcess& app)
    {
        for (int wait = 0; wait < 50 && dumpValue(app, "editor['folderMode']") != "true"; ++wait)
            app.expectOk("wait 100");
        ASSERT_EQ(dumpValue(app, "editor['folderMode']"), "true");
    }
    // A point of the screen, "X Y", given as two Python expressions over the
    // dump.
    std::string point(qv::testing::DrivenProcess& app, const std::string& x, const std::string& y)
    {
        const std::string quoted = dumpValue(app, "'%r %r' % (" + x + ", " + y + ")");
        EXPECT_GE(quoted.size(), 2u) << x << ", " << y;
        return quoted.size() < 2 ? quoted : quoted.substr(1, quoted.size() - 2);
    }
    // A finger command at a point given as two Python expressions over the
    // dump: a command that is a touch of its own (a tap). A gesture's points
    // are worked out first (`point`) and its commands sent at once
    // (`expectOkAtOnce`): a finger that is down while the test reads a dump
    // is a finger held, and the icon under it opens its sheet.
    void finger(qv::testing::DrivenProcess& app, const std::string& verb, const std::string& x, const std::string& y)
    {
        app.expectOk(verb + " " + point(app, x, y));
    }
    // The editor's layout saved through its Save button with the half on
    // the screen; the titles of the alerts that answered, in order.
    std::string saveLandscape(qv::testing::DrivenProcess& app, const std::string& name)
    {
        app.expectOk("button Save");
        app.expectOk("sheet Save Landscape");
        app.expectOk("type " + name);
        app.expectOk("alert Save");
        std::string titles = dumpValue(app, "[m['title'] for m in dump['modalViews']]");
        if (titles == "[\"" + name + "\"]") {
            app.expectOk("alert Overwrite");
            titles += dumpValue(app, "[m['title'] for m in dump['modalViews']]");
        }
        app.expectOk("alert Ok");
        return titles;
    }
    std::string layoutOrigins(const std::string& name, const std::string& key)
    {
        auto result = qv::testing::runPython("import json, plistlib, sys\nlayout = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                             "print(json.dumps([[entry['x'], entry['y']] for entry in layout.get(sys.argv[2], [])]))",
            { root.hostPath("/var/mobile/Library/Quiltvane/Layouts/" + name + ".plist").string(), key });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }

    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment driver { "QV_DRIVER", "stdin" };
};

} // namespace

// SpringBoard tells the folder's size; the editor's folder background and
// grid take it; the answer is gone afterwards and first use is recorded.
TEST_F(FolderModeProcessTest, SpringBoardAnswers)
{
    for (const char* device : { "iphone-4", "ipad" }) {
        SCOPED_TRACE(device);
        qv::testing::ScopedEnvironment profile("QV_DEVICE", device);
        qv::testing::DrivenProcess springBoard({ qv::testing::buildDirectory() + "/bin/springboard" });
        springBoard.expectOk("wait 200");
        qv::testing::DrivenProcess app({ qv::testing::buildDirectory() + "/bin/Quilt Vane" });
        app.expectOk("wait 300");
        app.expectOk("button Options");
        // SpringBoard's answer ends the request a few tenths of a second
        // later: the look comes before it can.
        EXPECT_EQ(valueOf(app.commandRightAfter("sheet Enable Folder Mode", "dump"), "editor['folderModeRequested']"), "true");
        ASSERT_NO_FATAL_FAILURE(waitForFolderMode(app));
        const std::string folder = dumpValue(app, "editor['folderFrame']");
        EXPECT_EQ(dumpValue(app, "editor['grid']['viewFrame']"), folder) << "the grid lies over the folder";
        EXPECT_EQ(dumpValue(app, "editor['folderFrame'][2] > 0 and editor['folderFrame'][3] > 0"), "true") << folder;
        EXPECT_EQ(dumpValue(app, "editor['folderAlpha']"), "1");
        EXPECT_EQ(dumpValue(app, "all(icon['frame'][0] >= editor['folderFrame'][0] and icon['frame'][1] >= editor['folderFrame'][1] for icon in editor['icons'])"), "true");
        EXPECT_EQ(app.quit(), 0);
        EXPECT_EQ(springBoard.quit(), 0);
        EXPECT_EQ(sharedValue("FolderViewSize"), "None\n");
        EXPECT_EQ(sharedValue("UsedFolderModeBefore"), "True\n");
    }
}

// Without SpringBoard nobody answers: after the 101st empty poll the error.
TEST_F(FolderModeProcessTest, NoSpringBoard)
{
    qv::testing::ScopedEnvironment profile("QV_DEVICE", "iphone-4");
    qv::testing::DrivenProcess app({ qv::testing::buildDirectory() + "/bin/Quilt Vane" });
    app.expectOk("wait 300");
    app.expectOk("button Options");
    // The polls run on the program's own time from the request on: the look
    // at 9.5 s is taken there, not after the test's own pauses.
    EXPECT_EQ(valueOf(app.commandRightAfterAll({ "sheet Enable Folder Mode", "wait 9500" }, "dump"), "[m['class'] for m in dump['modalViews']]"), "[]");
    // A poll a busy machine starves is skipped, not made up for: the error
    // comes with the 101st poll, however late that is.
    std::string buttons;
    for (int wait = 0; wait < 50 && (buttons = dumpValue(app, "[m['buttons'] for m in dump['modalViews']]")) == "[]"; ++wait)
        app.expectOk("wait 100");
    EXPECT_EQ(buttons, "[[\"Ok\"]]");
    EXPECT_EQ(dumpValue(app, "editor['folderMode']"), "false");
    EXPECT_EQ(dumpValue(app, "editor['folderModeRequested']"), "false");
    EXPECT_EQ(app.quit(), 0);
}

// In landscape, an icon dragged to the bottom of the folder SpringBoard
// measured, saved through the Save button, and the layout opened again in
// landscape and saved again, with folder mode on and then off: the file
// holds the same place each time. On these phones the landscape folder
// reaches lower than the whole screen's largest icon origin.
TEST_F(FolderModeProcessTest, FolderBottomSurvivesItsRoundTrip)
{
    struct Device {
        const char* name;
        const char* keySuffix;
    };
    for (const Device& device : { Device { "iphone-3.5", "-3_5Inch" }, Device { "iphone-4", "-4Inch" }, Device { "iphone-4.7", "-4_7Inch" } }) {
        SCOPED_TRACE(device.name);
        qv::testing::ScopedEnvironment profile("QV_DEVICE", device.name);
        qv::testing::DrivenProcess springBoard({ qv::testing::buildDirectory() + "/bin/springboard" });
        springBoard.expectOk("wait 200");
        qv::testing::DrivenProcess app({ qv::testing::buildDirectory() + "/bin/Quilt Vane" });
        app.expectOk("wait 300");
        app.expectOk("rotate landscapeleft");
        app.expectOk("wait 600");
        app.expectOk("button Options");
        app.expectOk("sheet Enable Folder Mode");
        ASSERT_NO_FATAL_FAILURE(waitForFolderMode(app));

        // Icon 1 taken below the top row of buttons and dragged so that its
        // origin goes 100 points into the folder, on its bottom row.
        const std::string icon = "editor['icons'][0]['frame']";
        const std::string folder = "editor['folderFrame']";
        const std::string bottom = "[int(" + folder + "[0]) + 100, " + folder + "[1] + " + folder + "[3] - " + icon + "[3]]";
        const std::string saved = dumpValue(app, "[[int(int(" + folder + "[0]) + 100 - " + folder + "[0]), int(" + folder + "[3] - " + icon + "[3] + 20)]]");
        const std::string from = point(app, icon + "[0] + 10", icon + "[1] + 40");
        const std::string to = point(app, bottom + "[0] + 10", bottom + "[1] + 40");
        app.expectOkAtOnce({ "down " + from, "move " + to, "up" });
        ASSERT_EQ(dumpValue(app, icon + "[:2] == " + bottom), "true") << dumpValue(app, icon);
        const std::string key = std::string("Origins") + device.keySuffix + "-Landscape";
        // Each device saves a file of its own on the one device root.
        const std::string name = std::string("Bottom") + device.keySuffix;
        EXPECT_EQ(saveLandscape(app, name), "[\"Saved\"]");
        ASSERT_EQ(layoutOrigins(name, key), saved + "\n");

        app.expectOk("openlayout " + name);
        app.expectOk("wait 600");
        EXPECT_EQ(saveLandscape(app, name), "[\"" + name + "\"][\"Overwritten\"]");
        EXPECT_EQ(layoutOrigins(name, key), saved + "\n") << "opened with folder mode on";

        app.expectOk("button Options");
        app.expectOk("sheet Disable Folder Mode");
        app.expectOk("openlayout " + name);
        ASSERT_NO_FATAL_FAILURE(waitForFolderMode(app));
        app.expectOk("wait 600");
        EXPECT_EQ(saveLandscape(app, name), "[\"" + name + "\"][\"Overwritten\"]");
        EXPECT_EQ(layoutOrigins(name, key), saved + "\n") << "opened with folder mode off";
        EXPECT_EQ(app.quit(), 0);
        EXPECT_EQ(springBoard.quit(), 0);
    }
}

namespace {

// Icons moved as the user moves them: every gesture is written at once,
// its points worked out from a dump before the finger goes down.
class FolderModeLeftProcessTest : public FolderModeProcessTest {
protected:
    static std::string iconFrame(int index) { return "editor['icons'][" + std::to_string(index) + "]['frame']"; }

    // Icon `index` (from 0) dragged by a finger 10 points right of and 40
    // below its origin, until the origin would be at (x, y).
    void dragIcon(qv::testing::DrivenProcess& app, int index, int x, int y)
    {
        const std::string frame = iconFrame(index);
        const std::string down = "down " + point(app, frame + "[0] + 10", frame + "[1] + 40");
        const std::string halfway = "move " + point(app, "(" + frame + "[0] + " + std::to_string(x) + ") / 2 + 10", "(" + frame + "[1] + " + std::to_string(y) + ") / 2 + 40");
        app.expectOkAtOnce({ down, halfway, "move " + std::to_string(x + 10) + " " + std::to_string(y + 40), "up" });
    }

    // Icon `index` held until its sheet opens, then "Set Icon Position":
    // the X and the Y field each emptied and typed anew.
    void setIconPosition(qv::testing::DrivenProcess& app, int index, int x, int y)
    {
        const std::string frame = iconFrame(index);
        const std::string hold = "down " + point(app, frame + "[0] + " + frame + "[2] / 2", frame + "[1] + " + frame + "[3] / 2");
        // The fields show the whole points of the origin when the panel opens.
        const int xDigits = std::stoi(dumpValue(app, "len(str(int(" + frame + "[0])))"));
        const int yDigits = std::stoi(dumpValue(app, "len(str(int(" + frame + "[1])))"));
        const std::vector<std::string> answers = app.commandsAtOnce({ hold, "wait 600", "up" });
        ASSERT_EQ(answers.size(), 3u);
        EXPECT_NE(answers[0].find("\"ok\":true"), std::string::npos) << answers[0];
        EXPECT_NE(answers[1].find("\"ok\":true"), std::string::npos) << answers[1];
        // The sheet takes the finger over when it opens; the lift then finds
        // no finger down.
        ASSERT_EQ(dumpValue(app, "dump['modalViews'][-1]['buttons'] if dump['modalViews'] else []"), "[\"Delete\", \"Swap Icon\", \"Set Icon Position\", \"Cancel\"]");
        app.expectOk("sheet Set Icon Position");
        for (const auto& [digits, value] : { std::pair { xDigits, x }, std::pair { yDigits, y } }) {
            for (int digit = 0; digit < digits; ++digit)
                app.expectOk("backspace");
            app.expectOk("type " + std::to_string(value));
            app.expectOk("return");
        }
    }
};

} // namespace

// Folder mode entered in portrait, left in landscape, and the device
// turned back: every icon reaches (10, 40), by a drag and through the
// position panel, as it does when folder mode is left without a turn. Two
// icons start at the default frame and go into the folder's top row
// together; the upper one is dragged, the other set through the panel.
TEST_F(FolderModeLeftProcessTest, WholeScreenOpenOnceFolderModeIsLeft)
{
    for (const char* device : { "iphone-4", "ipad" }) {
        for (const bool turned : { true, false }) {
            SCOPED_TRACE(std::string(device) + (turned ? ", left in landscape" : ", left without a turn"));
            qv::testing::ScopedEnvironment profile("QV_DEVICE", device);
            qv::testing::DrivenProcess springBoard({ qv::testing::buildDirectory() + "/bin/springboard" });
            springBoard.expectOk("wait 200");
            qv::testing::DrivenProcess app({ qv::testing::buildDirectory() + "/bin/Quilt Vane" });
            app.expectOk("wait 300");
            app.expectOk("button +");
            app.expectOk("wait 400");
            app.expectOk("button Options");
            app.expectOk("sheet Enable Folder Mode");
            ASSERT_NO_FATAL_FAILURE(waitForFolderMode(app));
            ASSERT_EQ(dumpValue(app, "[icon['frame'][1] for icon in editor['icons']] == [editor['folderFrame'][1]] * 2"), "true")
                << "held at the folder's top: " << dumpValue(app, "editor['folderFrame']");
            if (turned) {
                app.expectOk("rotate landscapeleft");
                app.expectOk("wait 600");
            }
            app.expectOk("button Options");
            app.expectOk("sheet Disable Folder Mode");
            ASSERT_EQ(dumpValue(app, "editor['folderMode']"), "false");
            if (turned) {
                app.expectOk("rotate portrait");
                app.expectOk("wait 600");
            }
            ASSERT_EQ(dumpValue(app, "editor['orientation']"), "1");

            ASSERT_NO_FATAL_FAILURE(dragIcon(app, 1, 10, 40));
            EXPECT_EQ(dumpValue(app, iconFrame(1) + "[:2] == [10, 40]"), "true") << "by a drag: " << dumpValue(app, iconFrame(1));
            ASSERT_NO_FATAL_FAILURE(setIconPosition(app, 0, 10, 40));
            EXPECT_EQ(dumpValue(app, iconFrame(0) + "[:2] == [10, 40]"), "true") << "through the position panel: " << dumpValue(app, iconFrame(0));
            EXPECT_EQ(dumpValue(app, "editor['icons'][0]['positionPanelShowing']"), "false") << "closed by the return in Y";
            EXPECT_EQ(app.quit(), 0);
            EXPECT_EQ(springBoard.quit(), 0);
        }
    }
}
