// A layout drawn and saved in the application, applied from the Settings
// app, rearranges SpringBoard's icons: every icon of a page or folder lies at its entry of
// the saved file, on the phone and the iPad, upright and turned.
#include "SystemTestSupport.h"

#include <cmath>

using namespace qv;
using namespace qv::systemtest;

namespace {

const char* const defaultLayoutPath = "/Library/Application Support/Quiltvane/Layouts/Default.plist";

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
    // takes it, and its expected placement.
    void expectPlaced(qv::testing::DrivenProcess& springBoard, const std::vector<std::pair<std::string, std::vector<std::string>>>& checks, const std::vector<std::string>& expected)
    {
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
    expectPlaced(*springBoard, { { device.layoutPath("Inside"), { "folder", "Utilities", "0" } } }, { "placed 2 of 2" });
    EXPECT_EQ(springBoard->quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, AppliedLayoutTest, ::testing::Values(DeviceCase { "iphone-4", "-4Inch" }, DeviceCase { "ipad", "-iPad" }),
    [](const auto& info) { return std::string(info.param.profile) == "ipad" ? "iPad" : "iPhone4"; });
