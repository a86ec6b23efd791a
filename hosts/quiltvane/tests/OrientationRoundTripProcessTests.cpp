// The application as a real process on the device, driven as a user would
// drive it: an icon deleted while the device turns (the last one of a half
// too), and a layout opened in one orientation and written back, each saved
// file read by plistlib.
#include "QuiltVaneTestSupport.h"
#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;

namespace {

constexpr const char* layoutsFolder = "/var/mobile/Library/Quiltvane/Layouts";

class OrientationRoundTripProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.writeFile(qv::quiltvanetest::preferencesPath, qv::quiltvanetest::preferencesWithTutorialSeen());
        app = std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/Quilt Vane" });
        app->expectOk("wait 300");
    }

    // A Python expression over `editor`, the dump's editor section, as JSON.
    std::string editorValue(const std::string& expression)
    {
        return app->answerThroughPython("editor = json.loads(sys.stdin.read())['dump']['editor']\nprint(json.dumps(" + expression + "))", "dump");
    }
    // A Python expression over `layout`, the user layout as plistlib reads it.
    std::string layoutValue(const std::string& name, const std::string& expression)
    {
        auto result = qv::testing::runPython("import json, plistlib, sys\nlayout = plistlib.load(open(sys.argv[1], 'rb'))\nprint(json.dumps(" + expression + "))",
            { root.hostPath(std::string(layoutsFolder) + "/" + name + ".plist").string() });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        std::string output = result.output;
        while (!output.empty() && output.back() == '\n')
            output.pop_back();
        return output;
    }

    qv::testing::TemporaryDeviceRoot root;
    qv::testing::ScopedEnvironment device { "QV_DEVICE", "iphone-4" };
    qv::testing::ScopedEnvironment driver { "QV_DRIVER", "stdin" };
    std::unique_ptr<qv::testing::DrivenProcess> app;
};

} // namespace

// "+", Options, Show Delete On Icons, the new icon's "X" and a turn
// within the 0.2 s shrink. The icon is gone: from the cache, from the file
// `writelayout` writes, and from the screen when the device turns back.
TEST_F(OrientationRoundTripProcessTest, IconDeletedDuringATurn)
{
    app->expectOk("button +");
    app->expectOk("wait 400");
    app->expectOk("button Options");
    app->expectOk("sheet Show Delete On Icons");
    ASSERT_EQ(editorValue("[icon['frame'] for icon in editor['icons']]"), "[[130.5, 30, 59, 60], [130.5, 30, 59, 60]]");
    // The "X" of icon 2, on top, and the turn in the same write: no pause of
    // a busy machine can let the shrink end before the turn.
    app->expectOkAtOnce({ "tap 141 41", "rotate landscapeleft", "wait 600" });
    EXPECT_EQ(editorValue("editor['portraitCache']"), "1");
    app->expectOk("writelayout Deleted both");
    EXPECT_EQ(layoutValue("Deleted", "layout['Origins-4Inch']"), "[{\"LockedIndex\": -1, \"x\": 130, \"y\": 30}]");
    app->expectOk("rotate portrait");
    app->expectOk("wait 600");
    EXPECT_EQ(editorValue("[[icon['number']] + icon['frame'] for icon in editor['icons']]"), "[[1, 130.5, 30, 59, 60]]");
    EXPECT_EQ(app->quit(), 0);
}

// A layout opened in portrait keeps its landscape half as read,
// and one opened in landscape its portrait half.
TEST_F(OrientationRoundTripProcessTest, OtherOrientationKeptAsRead)
{
    std::filesystem::create_directories(root.hostPath(layoutsFolder));
    auto written = qv::testing::runPython("import plistlib, sys\nplistlib.dump({'QV': True, 'FolderLayout': False, "
                                          "'Origins-4Inch': [{'x': 200, 'y': 400, 'LockedIndex': -1}], "
                                          "'Origins-4Inch-Landscape': [{'x': 480, 'y': 150, 'LockedIndex': 2}]}, open(sys.argv[1], 'wb'))",
        { root.hostPath(std::string(layoutsFolder) + "/Peer.plist").string() });
    ASSERT_EQ(written.exitCode, 0) << written.errors;

    app->expectOk("openlayout Peer");
    app->expectOk("writelayout FromPortrait both");
    EXPECT_EQ(layoutValue("FromPortrait", "layout['Origins-4Inch-Landscape']"), "[{\"LockedIndex\": 2, \"x\": 480, \"y\": 150}]");
    app->expectOk("rotate landscapeleft");
    app->expectOk("wait 600");
    EXPECT_EQ(editorValue("[icon['frame'][:2] for icon in editor['icons']]"), "[[480, 150]]");
    app->expectOk("openlayout Peer");
    app->expectOk("writelayout FromLandscape both");
    EXPECT_EQ(layoutValue("FromLandscape", "layout['Origins-4Inch']"), "[{\"LockedIndex\": -1, \"x\": 200, \"y\": 400}]");
    EXPECT_EQ(layoutValue("FromLandscape", "layout['Origins-4Inch-Landscape']"), "[{\"LockedIndex\": 2, \"x\": 480, \"y\": 150}]");
    EXPECT_EQ(app->quit(), 0);
}

// The only icon of a layout's portrait half deleted with its "X", the
// device turned within the shrink, and the layout saved through the Save
// button, on each phone size and the iPad: the portrait half is saved with
// the fresh icon that takes the place of the last one deleted (at the top
// of the screen, centred), beside the landscape half.
TEST(OnlyIconDeletedDuringATurnProcessTest, PortraitHalfSavedWithAFreshIcon)
{
    struct Device {
        const char* name;
        const char* keySuffix;
        int freshX;
        int deleteButtonInset;
    };
    for (const Device& device : { Device { "iphone-3.5", "-3_5Inch", 130, 11 }, Device { "iphone-4", "-4Inch", 130, 11 },
             Device { "iphone-5.5", "-5_5Inch", 177, 11 }, Device { "ipad", "-iPad", 344, 15 } }) {
        SCOPED_TRACE(device.name);
        qv::testing::TemporaryDeviceRoot root;
        qv::testing::ScopedEnvironment profile("QV_DEVICE", device.name);
        qv::testing::ScopedEnvironment driver("QV_DRIVER", "stdin");
        root.writeFile(qv::quiltvanetest::preferencesPath, qv::quiltvanetest::preferencesWithTutorialSeen());
        const std::string portraitKey = std::string("Origins") + device.keySuffix;
        std::filesystem::create_directories(root.hostPath(layoutsFolder));
        auto written = qv::testing::runPython("import plistlib, sys\nplistlib.dump({'QV': True, 'FolderLayout': False, "
                                              "'" + portraitKey + "': [{'x': 40, 'y': 200, 'LockedIndex': -1}], "
                                              "'" + portraitKey + "-Landscape': [{'x': 60, 'y': 70, 'LockedIndex': 2}]}, open(sys.argv[1], 'wb'))",
            { root.hostPath(std::string(layoutsFolder) + "/One.plist").string() });
        ASSERT_EQ(written.exitCode, 0) << written.errors;

        qv::testing::DrivenProcess app({ qv::testing::buildDirectory() + "/bin/Quilt Vane" });
        app.expectOk("wait 300");
        app.expectOk("openlayout One");
        app.expectOk("button Options");
        app.expectOk("sheet Show Delete On Icons");
        // The "X" at the corner of the only icon, at (40, 200), and the turn
        // in the same write, within the shrink however busy the machine is.
        app.expectOkAtOnce({ "tap " + std::to_string(40 + device.deleteButtonInset) + " " + std::to_string(200 + device.deleteButtonInset),
            "rotate landscapeleft", "wait 600" });
        app.expectOk("button Save");
        app.expectOk("sheet Save Portrait & Landscape");
        app.expectOk("type Saved");
        app.expectOk("alert Save");
        EXPECT_EQ(app.answerThroughPython("print(json.dumps([[m['title'], 'Only' in m['message']] for m in json.loads(sys.stdin.read())['dump']['modalViews']]))", "dump"),
            "[[\"Saved\", false]]");
        app.expectOk("alert Ok");
        EXPECT_EQ(app.quit(), 0);

        auto saved = qv::testing::runPython("import json, plistlib, sys\nlayout = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                            "print(json.dumps([layout.get(sys.argv[2]), layout.get(sys.argv[2] + '-Landscape'), 'GridSize' + sys.argv[3] in layout], sort_keys=True))",
            { root.hostPath(std::string(layoutsFolder) + "/Saved.plist").string(), portraitKey, device.keySuffix });
        ASSERT_EQ(saved.exitCode, 0) << saved.errors;
        EXPECT_EQ(saved.output, "[[{\"LockedIndex\": -1, \"x\": " + std::to_string(device.freshX) + ", \"y\": 30}], "
                                "[{\"LockedIndex\": 2, \"x\": 60, \"y\": 70}], true]\n");
    }
}
