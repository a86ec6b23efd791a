// A program of the device that dies mid-way loses nothing: the application
// killed while it overwrites a layout leaves either the old or the new file,
// whole; SpringBoard killed while it starts, reloads or answers a request
// leaves the preference file whole, and once it runs again every layout
// applied before is where it was.
#include "SystemTestSupport.h"

#include <chrono>
#include <thread>

using namespace qv;
using namespace qv::systemtest;

namespace {

const DeviceCase phone { "iphone-4", "-4Inch" };

// Every layout file of the user layouts folder, as plistlib reads it: its
// name and the number of portrait origins, one a line. A file that is not
// whole fails the script.
std::string userLayouts(const SimulatedDevice& device)
{
    return python(R"(
import os, plistlib, sys
folder, key = sys.argv[1:3]
for name in sorted(os.listdir(folder)):
    if name.endswith(".plist") and not name.startswith("."):
        with open(os.path.join(folder, name), "rb") as f:
            print(name, len(plistlib.load(f)[key]))
)",
        { device.root.hostPath(userLayoutsFolder).string(), originsKey(phone, false) });
}

} // namespace

// The layout is overwritten with one icon more each round, and the
// application killed as soon as "Overwrite" is tapped: whatever moment the
// kill hits, the file is the old layout or the new one, never a broken one,
// and SpringBoard places the icons by it afterwards.
TEST(CrashRecovery, TheApplicationKilledWhileSavingLeavesAWholeLayout)
{
    SimulatedDevice device(phone.profile);
    {
        auto application = device.startApplication();
        drawIcons(*application, { { 20, 100 }, { 200, 120 }, { 110, 260 } });
        saveInEditor(*application, "Kept");
        EXPECT_EQ(application->quit(), 0);
    }
    ASSERT_EQ(userLayouts(device), "Kept.plist 3");

    size_t icons = 3;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        auto application = device.startApplication();
        application->expectOk("openlayout Kept");
        application->expectOk("wait 300");
        ASSERT_EQ(dumpValue(*application, "len(dump['editor']['icons'])"), std::to_string(icons));
        application->expectOk("button +");
        application->expectOk("button Save");
        application->expectOk("sheet Save Portrait & Landscape");
        application->expectOk("type Kept");
        application->expectOk("alert Save");
        ASSERT_EQ(dumpValue(*application, "[m['buttons'] for m in dump['modalViews']]"), "[[\"Cancel\", \"Overwrite\"]]");
        application->send("alert Overwrite");
        // The kill comes at a different moment of the write each round;
        // every moment must leave a whole file.
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
        application->kill();
        const std::string layouts = userLayouts(device);
        EXPECT_TRUE(layouts == "Kept.plist " + std::to_string(icons) || layouts == "Kept.plist " + std::to_string(icons + 1)) << layouts;
        icons = std::stoul(layouts.substr(layouts.find(' ') + 1));
    }

    auto springBoard = device.startSpringBoard();
    ASSERT_NO_FATAL_FAILURE(applyFromSettings(device, { { "Kept.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" } } }));
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Kept.plist//USER"));
    EXPECT_EQ(SimulatedDevice::placement(springBoard->command("dump"), device.layoutPath("Kept"), originsKey(phone, false), { "page", "0" }),
        "placed " + std::to_string(icons) + " of " + std::to_string(icons));
    EXPECT_EQ(springBoard->quit(), 0);
}

// SpringBoard is killed while it starts (its extension rewrites every user
// layout), while it reloads after a change, and while it answers the
// folder list request (it writes the preferences): the files stay whole,
// and SpringBoard started again places every page by what was applied.
TEST(CrashRecovery, SpringBoardKilledAndRestartedKeepsEverythingApplied)
{
    SimulatedDevice device(phone.profile);
    {
        auto application = device.startApplication();
        drawIcons(*application, { { 20, 100 }, { 200, 120 }, { 110, 260 } });
        saveInEditor(*application, "Home");
        drawIcons(*application, { { 230, 380 } });
        saveInEditor(*application, "Second Page");
        EXPECT_EQ(application->quit(), 0);
    }
    const std::string layouts = "Home.plist 3\nSecond Page.plist 4";
    ASSERT_EQ(userLayouts(device), layouts);

    auto springBoard = device.startSpringBoard();
    SettingsApp settings(device);
    ASSERT_NO_FATAL_FAILURE(settings.apply({ { "Home.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" } } }));
    ASSERT_TRUE(waitForReference(*springBoard, QVCurrentLayoutKey, "Home.plist//USER"));

    // Killed right after a change was announced, before or while it reloads.
    ASSERT_NO_FATAL_FAILURE(settings.apply({ { "Home.plist", "Apply to Homescreen", { "segment Per-Page", "rowtitle Page 1" } },
                                               { "Second Page.plist", "Apply to Homescreen", { "rowtitle Page 2" } } },
        false, [&] { springBoard->kill(); }));
    // Killed while it answers the folder list request, which the layout
    // picker makes when it opens.
    springBoard = device.startSpringBoard();
    settings.program().expectOk("select Layouts");
    springBoard->kill();
    settings.program().expectOk("back");
    EXPECT_EQ(settings.quit(), 0);
    // Killed while it starts, at different moments.
    for (int round = 0; round < 3; ++round) {
        qv::testing::DrivenProcess starting({ qv::testing::buildDirectory() + "/bin/springboard" });
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 20));
        starting.kill();
    }

    EXPECT_EQ(userLayouts(device), layouts);
    EXPECT_EQ(device.sharedPreference(QVEnableKey), "True");
    EXPECT_EQ(device.sharedPreference(QVCurrentLayoutKey), "'Home.plist//USER'");
    EXPECT_EQ(device.sharedPreference("Page0Layout"), "'Home.plist//USER'");
    EXPECT_EQ(device.sharedPreference("Page1Layout"), "'Second Page.plist//USER'");
    EXPECT_EQ(device.sharedPreference(QVEnablePerPageLayoutsKey), "True");

    springBoard = device.startSpringBoard();
    ASSERT_TRUE(waitForReference(*springBoard, "Page1Layout", "Second Page.plist//USER"));
    const std::string dump = springBoard->command("dump");
    EXPECT_EQ(SimulatedDevice::placement(dump, device.layoutPath("Home"), originsKey(phone, false), { "page", "0" }), "placed 3 of 3");
    EXPECT_EQ(SimulatedDevice::placement(dump, device.layoutPath("Second Page"), originsKey(phone, false), { "page", "1" }), "placed 4 of 4");
    EXPECT_EQ(springBoard->quit(), 0);
}
