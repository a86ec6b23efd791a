// A layout drawn and saved in the application, applied from the Settings
// app, rearranges SpringBoard's icons: every icon of a page or folder lies at its entry of
// the saved file, on the phone and the iPad, upright and turned.
#include "SystemTestSupport.h"

#include <cmath>

using namespace qv;
using namespace qv::systemtest;

namespace {

const char* const defaultLayoutPath = "/Library/Application Support/Quiltvane/Layouts/Default.plist";

// Every icon of SpringBoard's dump (on the standard input) with its frame:
// the pages, the dock and the folders' pages.
const char* const homeScreenFrames = R"(
import json, sys
board = json.loads(sys.stdin.read())["dump"]["springboard"]
def frames(icons):
    return [[icon["name"], icon["frame"]] for icon in icons]
print(json.dumps({"pages": [frames(page["icons"]) for page in board["pages"]], "dock": frames(board["dock"]["icons"]),
                  "folders": [[folder["name"], [frames(page["icons"]) for page in folder["pages"]]] for folder in board["folders"]]}))
)";

class AppliedLayoutTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    // Draws the icons at fractions of the area (the screen, or the open
    // folder in folder mode), upright and then turned, and saves both halves.
    void drawBothOrientations(qv::testing::DrivenProcess& application, const std::vector<std::pair<double, double>>& fractions, const std::string& area, const std::string& name)
    {
        for (const char* orientation : { "portrait", "landscapeleft" }) {
            application.expectOk(std::string("rotate ") + orientation);
            application.expectOk("wait 600");
            const std::string frame = dumpValue(application, area);
            double x = 0, y = 0, width = 0, height = 0;
            ASSERT_EQ(std::sscanf(frame.c_str(), "[%lf, %lf, %lf, %lf]", &x, &y, &width, &height), 4) << frame;
            std::vector<std::pair<int, int>> points;
            for (const auto& [across, down] : fractions)
                points.emplace_back(static_cast<int>(x + across * width), static_cast<int>(y + down * height));
            ASSERT_NO_FATAL_FAILURE(drawIcons(application, points));
        }
        saveInEditor(application, name);
    }

    // The placement of each list, upright and turned; SpringBoard ends
    // upright. Each check is (layout file, list), the list as the checker
    // takes it, and its expected placement. Answers the frames of every
    // icon of the home screen in each of the three turns.
    std::vector<std::string> expectPlaced(qv::testing::DrivenProcess& springBoard, const std::vector<std::pair<std::string, std::vector<std::string>>>& checks,
        const std::vector<std::string>& expected)
    {
        std::vector<std::string> frames;
        for (const char* orientation : { "portrait", "landscaperight", "portrait" }) {
            SCOPED_TRACE(orientation);
            springBoard.expectOk(std::string("rotate ") + orientation);
            springBoard.expectOk("wait 600");
            // A folder is laid out when it opens, as the owner sees it.
            const std::vector<std::string>& firstList = checks.front().second;
            const bool folder = firstList.front() == "folder";
            if (folder) {
                springBoard.expectOk("page " + dumpValue(springBoard,
                    "[i for i, p in enumerate(dump['springboard']['pages']) if any(icon['name'] == '" + firstList[1] + "' for icon in p['icons'])][0]"));
                springBoard.expectOk("open " + firstList[1]);
                springBoard.expectOk("wait 600");
            }
            const std::string dump = springBoard.command("dump");
            frames.push_back(python(homeScreenFrames, {}, dump));
            if (folder) {
                springBoard.expectOk("close");
                springBoard.expectOk("wait 600");
                springBoard.expectOk("page 0");
            }
            for (size_t index = 0; index < checks.size(); ++index) {
                const bool landscape = std::string(orientation) == "landscaperight";
                const std::string placement = SimulatedDevice::placement(dump, checks[index].first, originsKey(GetParam(), landscape), checks[index].second);
                // "*": any number of icons, none out of place.
                if (expected[index] == "*")
                    EXPECT_TRUE(placement.rfind("placed ", 0) == 0 && placement.find('\n') == std::string::npos) << placement;
                else
                    EXPECT_EQ(placement, expected[index]) << checks[index].first;
            }
        }
        return frames;
    }

    SimulatedDevice device { GetParam().profile };
};

const std::vector<std::pair<double, double>> fourCorners { { 0.08, 0.12 }, { 0.62, 0.12 }, { 0.08, 0.55 }, { 0.62, 0.55 } };
const std::vector<std::pair<double, double>> twoInTheMiddle { { 0.35, 0.3 }, { 0.35, 0.62 } };

} // namespace

// One layout for the whole home screen: every page takes its slots.
TEST_P(AppliedLayoutTest, HomeScreenLayout)
{
    auto springBoard = device.startSpringBoard();
    auto application = device.startApplication();
    ASSERT_NO_FATAL_FAILURE(drawBothOrientations(*application, fourCorners, "dump['editor']['viewFrame']", "Corners"));
    EXPECT_EQ(application->quit(), 0);

    ASSERT_NO_FATAL_FAILURE(applyFromSettings(device, { { "Corners.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" } } }));
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Corners.plist//USER"));
    const std::string corners = device.layoutPath("Corners");
    expectPlaced(*springBoard, { { corners, { "page", "0" } }, { corners, { "page", "1" } } }, { "placed 4 of 4", "placed 4 of 4" });
    EXPECT_EQ(springBoard->quit(), 0);
}

// One layout a page: each page by its own, a page without a choice of its
// own by the default layout.
TEST_P(AppliedLayoutTest, PerPageLayouts)
{
    auto springBoard = device.startSpringBoard();
    auto application = device.startApplication();
    ASSERT_NO_FATAL_FAILURE(drawBothOrientations(*application, fourCorners, "dump['editor']['viewFrame']", "Corners"));
    EXPECT_EQ(application->quit(), 0);
    application = device.startApplication();
    ASSERT_NO_FATAL_FAILURE(drawBothOrientations(*application, twoInTheMiddle, "dump['editor']['viewFrame']", "Middle"));
    EXPECT_EQ(application->quit(), 0);

    ASSERT_NO_FATAL_FAILURE(applyFromSettings(device, { { "Middle.plist", "Apply to Homescreen", { "segment Per-Page", "rowtitle Page 1" } },
        { "Corners.plist", "Apply to Homescreen", { "rowtitle Page 2" } } }));
    ASSERT_TRUE(waitForReference(*springBoard, "Page1Layout", "Corners.plist//USER"));
    const std::string stock = device.root.hostPath(defaultLayoutPath).string();
    expectPlaced(*springBoard,
        { { device.layoutPath("Middle"), { "page", "0" } }, { device.layoutPath("Corners"), { "page", "1" } }, { stock, { "page", "2" } } },
        { "placed 2 of 2", "placed 4 of 4", "*" });
    EXPECT_EQ(springBoard->quit(), 0);
}

// A layout drawn in folder mode, whose folder SpringBoard measured for the
// editor, places the icons inside a folder.
TEST_P(AppliedLayoutTest, FolderLayout)
{
    auto springBoard = device.startSpringBoard();
    auto application = device.startApplication();
    application->expectOk("button Options");
    application->expectOk("sheet Enable Folder Mode");
    for (int wait = 0; wait < 50 && dumpValue(*application, "dump['editor']['folderMode']") != "true"; ++wait)
        application->expectOk("wait 100");
    ASSERT_EQ(dumpValue(*application, "dump['editor']['folderMode']"), "true") << "SpringBoard told the folder's size";
    ASSERT_NO_FATAL_FAILURE(drawBothOrientations(*application, twoInTheMiddle, "dump['editor']['folderFrame']", "Inside"));
    EXPECT_EQ(application->quit(), 0);
    EXPECT_EQ(python("import plistlib, sys\nprint(plistlib.load(open(sys.argv[1], 'rb'))['FolderLayout'])", { device.layoutPath("Inside") }), "True");

    ASSERT_NO_FATAL_FAILURE(applyFromSettings(device, { { "Inside.plist", "Apply to Folders", { "rowtitle Utilities" } } }, true));
    ASSERT_TRUE(waitForReference(*springBoard, "Folder_Utilities_Layout", "Inside.plist//USER"));
    // The icons past the layout's two slots went on to the folder's later
    // pages, laid out by the same layout.
    const std::string inside = device.layoutPath("Inside");
    expectPlaced(*springBoard, { { inside, { "folder", "Utilities", "0" } }, { inside, { "folder", "Utilities", "1" } } }, { "placed 2 of 2", "placed 2 of 2" });
    EXPECT_EQ(springBoard->quit(), 0);
}

// The application's own apply screen does what the Settings app does: one
// saved layout applied from the application's "Saved" tab, and then, after
// the stock layout came back, from the Settings app, puts every icon of the
// home screen at the same frame, upright and turned, each at its entry of
// the saved file.
TEST_P(AppliedLayoutTest, TheApplicationsApplyScreenDoesAsSettingsDoes)
{
    auto springBoard = device.startSpringBoard();
    auto application = device.startApplication();
    ASSERT_NO_FATAL_FAILURE(drawBothOrientations(*application, fourCorners, "dump['editor']['viewFrame']", "Corners"));
    application->expectOk("rotate portrait");
    // A tab chosen while the editor still turns is covered by the editor
    // again when the turn ends.
    application->expectOk("wait 600");
    application->expectOk("tab Saved");
    application->expectOk("rowtitle Corners.plist");
    application->expectOk("sheet Apply Layout");
    for (int wait = 0; wait < 100 && dumpValue(*application, "dump['library']['apply'] is not None") != "true"; ++wait)
        application->expectOk("wait 50");
    ASSERT_EQ(dumpValue(*application, "[dump['library']['apply']['title'], dump['library']['apply']['mode']]"), "[\"Apply Corners.plist\", 0]");
    application->expectOk("row 0 0");
    application->expectOk("baritem Save");
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Corners.plist//USER"));
    const std::string corners = device.layoutPath("Corners");
    const std::vector<std::pair<std::string, std::vector<std::string>>> firstTwoPages { { corners, { "page", "0" } }, { corners, { "page", "1" } } };
    const std::vector<std::string> fromApplication = expectPlaced(*springBoard, firstTwoPages, { "placed 4 of 4", "placed 4 of 4" });
    EXPECT_EQ(application->quit(), 0);

    SettingsApp settings(device);
    ASSERT_NO_FATAL_FAILURE(settings.apply({ { "Default.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" } } }));
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Default.plist//DEFAULT"));
    EXPECT_NE(SimulatedDevice::placement(springBoard->command("dump"), corners, originsKey(GetParam(), false), { "page", "0" }), "placed 4 of 4")
        << "the stock layout moved the icons away";
    ASSERT_NO_FATAL_FAILURE(settings.apply({ { "Corners.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" } } }));
    EXPECT_EQ(settings.quit(), 0);
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Corners.plist//USER"));
    EXPECT_EQ(expectPlaced(*springBoard, firstTwoPages, { "placed 4 of 4", "placed 4 of 4" }), fromApplication);
    EXPECT_EQ(springBoard->quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, AppliedLayoutTest, ::testing::Values(DeviceCase { "iphone-4", "-4Inch" }, DeviceCase { "ipad", "-iPad" }),
    [](const auto& info) { return std::string(info.param.profile) == "ipad" ? "iPad" : "iPhone4"; });
