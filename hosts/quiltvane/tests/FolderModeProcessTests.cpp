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
        auto result = qv::testing::runPython("import json, sys\nanswer = json.loads(sys.stdin.read())\ndump = answer['dump']\neditor = dump['editor']\nprint(json.dumps(" + expression + "))", {}, app.command("dump"));
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
        app.expectOk("sheet Enable Folder Mode");
        EXPECT_EQ(dumpValue(app, "editor['folderModeRequested']"), "true");
        for (int wait = 0; wait < 50 && dumpValue(app, "editor['folderMode']") != "true"; ++wait)
            app.expectOk("wait 100");
        ASSERT_EQ(dumpValue(app, "editor['folderMode']"), "true");
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
    app.expectOk("sheet Enable Folder Mode");
    app.expectOk("wait 9500");
    EXPECT_EQ(dumpValue(app, "[m['class'] for m in dump['modalViews']]"), "[]");
    app.expectOk("wait 1500");
    EXPECT_EQ(dumpValue(app, "[m['buttons'] for m in dump['modalViews']]"), "[[\"Ok\"]]");
    EXPECT_EQ(dumpValue(app, "editor['folderMode']"), "false");
    EXPECT_EQ(dumpValue(app, "editor['folderModeRequested']"), "false");
    EXPECT_EQ(app.quit(), 0);
}
