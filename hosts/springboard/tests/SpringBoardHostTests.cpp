#include "SpringBoardHostProcess.h"

#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"
#include "platform/objc/DynamicLibraries.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace qv;
using namespace qv::sbhosttest;

namespace {

std::string number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// "x y width height alpha" as the flattened dump writes them.
std::string frameText(CGRect frame, double alpha = 1)
{
    return number(frame.origin.x) + " " + number(frame.origin.y) + " " + number(frame.size.width) + " " + number(frame.size.height) + " " + number(alpha);
}

// The geometry a list of the label's kind has on the device.
SBIconListGeometry geometryFor(const std::string& label, const SBIconGridMetrics& metrics, SBGridOrientation orientation)
{
    if (label == "dock")
        return metrics.dock(orientation);
    if (label.rfind("page", 0) == 0)
        return metrics.homePage(orientation);
    return metrics.folderPage(orientation);
}

// Every list of the dump lies where the stock grid puts it, and each of its
// icons at the stock slot of its index, moved by the offset.
void expectStockGrid(const DumpView& dump, const SBIconGridMetrics& metrics, SBGridOrientation orientation, CGPoint offset = CGPointZero)
{
    std::vector<Fields> lists = dump.linesOf("list");
    ASSERT_GE(lists.size(), 9u) << "three pages, the dock, five folder pages";
    for (const Fields& list : lists) {
        const std::string& label = list[1];
        SCOPED_TRACE(label);
        SBIconListGeometry geometry = geometryFor(label, metrics, orientation);
        EXPECT_EQ(list[3] + " " + list[4] + " " + list[5] + " " + list[6] + " 1", frameText(geometry.frame));
        std::vector<std::string> names = dump.iconNames(label);
        for (size_t index = 0; index < names.size(); ++index)
            EXPECT_EQ(dump.icon(label, names[index]), frameText(CGRectOffset(geometry.frameForIconAtIndex(index), offset.x, offset.y))) << names[index];
    }
}

// The middle of a slot of the home screen's page, on the screen.
std::string slotCenterOnScreen(const SBIconGridMetrics& metrics, uint64_t index)
{
    SBIconListGeometry page = metrics.homePage(SBGridOrientation::Portrait);
    CGRect slot = page.frameForIconAtIndex(index);
    return number(page.frame.origin.x + CGRectGetMidX(slot)) + " " + number(page.frame.origin.y + CGRectGetMidY(slot));
}

class SpringBoardHostTest : public ::testing::Test {
protected:
    qv::testing::TemporaryDeviceRoot root;
    const SBIconGridMetrics& phone = *SBIconGridMetrics::forDeviceClass(1);
};

} // namespace

TEST_F(SpringBoardHostTest, TheDumpMatchesTheStockGridOnThePhoneAndThePadInBothOrientations)
{
    struct Case {
        const char* device;
        int64_t deviceClass;
    };
    struct Turn {
        const char* command;
        int64_t orientation;
    };
    for (Case device : { Case { "iphone-4", 1 }, Case { "ipad", 4 } }) {
        SCOPED_TRACE(device.device);
        const SBIconGridMetrics& metrics = *SBIconGridMetrics::forDeviceClass(device.deviceClass);
        SpringBoardHost host(device.device);
        for (Turn turn : { Turn { nullptr, 1 }, Turn { "rotate landscaperight", 3 }, Turn { "rotate landscapeleft", 4 }, Turn { "rotate upsidedown", 2 } }) {
            SCOPED_TRACE(turn.orientation);
            if (turn.command)
                host.expectOk(turn.command);
            DumpView dump(host.dump());
            EXPECT_EQ(dump.state("finishedLaunching"), "true");
            EXPECT_EQ(dump.state("orientation"), std::to_string(turn.orientation));
            expectStockGrid(dump, metrics, turn.orientation >= 3 ? SBGridOrientation::Landscape : SBGridOrientation::Portrait);
        }
        EXPECT_EQ(host.quit(), 0) << "a clean end, leaks included";
    }
}

TEST_F(SpringBoardHostTest, TheDefaultHomeScreenHasPagesFoldersTheNewsstandAndTheDock)
{
    SpringBoardHost host("iphone-4");
    DumpView dump(host.dump());
    EXPECT_EQ(dump.iconNames("dock"), (std::vector<std::string> { "Phone", "Mail", "Safari", "Music" }));
    EXPECT_EQ(dump.iconNames("page0").front(), "Messages");
    EXPECT_EQ(dump.iconNames("page1").front(), "Utilities");
    EXPECT_EQ(dump.iconNames("Utilities:1"), (std::vector<std::string> { "FaceTime", "Podcasts", "Watch" }));
    EXPECT_EQ(dump.iconNames("Newsstand:0"), (std::vector<std::string> { "Daily News", "Travel Weekly" }));
    std::map<std::string, std::string> classes;
    for (const Fields& list : dump.linesOf("list"))
        classes[list[1]] = list[2];
    EXPECT_EQ(classes["page0"], "SBRootIconListView");
    EXPECT_EQ(classes["dock"], "SBDockIconListView");
    EXPECT_EQ(classes["Utilities:0"], "SBFolderIconListView");
    EXPECT_EQ(classes["Newsstand:0"], "SBNewsstandIconListView");
    EXPECT_EQ(dump.capacity("SBRootIconListView"), "20");
    EXPECT_EQ(dump.capacity("SBFolderIconListView"), "9");
    EXPECT_EQ(dump.capacity("SBDockIconListView"), "4");
    EXPECT_EQ(dump.state("openFolder"), "null");
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(SpringBoardHostTest, CommandsHoldDragAndReleaseIcons)
{
    SpringBoardHost host("iphone-4");
    host.expectOk("hold Messages");
    EXPECT_EQ(host.errorOf("hold Calendar"), "an icon is held already");
    DumpView held(host.dump());
    EXPECT_EQ(held.state("editing"), "true");
    EXPECT_EQ(held.state("grabbedIcon"), "\"Messages\"");

    host.expectOk("drag " + slotCenterOnScreen(phone, 3));
    DumpView dragged(host.dump());
    std::vector<std::string> page = dragged.iconNames("page0");
    EXPECT_EQ(std::vector<std::string>(page.begin(), page.begin() + 5), (std::vector<std::string> { "Calendar", "Photos", "Camera", "Messages", "Weather" }));
    EXPECT_EQ(dragged.icon("page0", "Calendar"), frameText(phone.homePage(SBGridOrientation::Portrait).frameForIconAtIndex(0)));

    host.expectOk("release");
    DumpView dropped(host.dump());
    EXPECT_EQ(dropped.state("grabbedIcon"), "null");
    EXPECT_EQ(dropped.icon("page0", "Messages"), frameText(phone.homePage(SBGridOrientation::Portrait).frameForIconAtIndex(3)));

    struct Refusal {
        const char* command;
        const char* error;
    };
    for (Refusal refusal : { Refusal { "release", "no icon is held" }, Refusal { "drag 10 10", "no icon is held" }, Refusal { "hold", "name an icon" },
             Refusal { "hold Nothing", "no icon \"Nothing\"" }, Refusal { "hold Keynote", "\"Keynote\" is not on the screen" }, Refusal { "edit maybe", "say edit on or edit off" },
             Refusal { "page 3", "no page \"3\"" }, Refusal { "page -1", "no page \"-1\"" } }) {
        EXPECT_EQ(host.errorOf(refusal.command), refusal.error) << refusal.command;
    }
    host.expectOk("hold Photos");
    EXPECT_EQ(host.errorOf("drag 10"), "give the point as X Y");
    host.expectOk("edit off");
    DumpView done(host.dump());
    EXPECT_EQ(done.state("editing"), "false");
    EXPECT_EQ(done.state("grabbedIcon"), "null") << "leaving edit mode drops the held icon";
    EXPECT_EQ(host.quit(), 0);
}

// Fingers act on the home screen as on the device: a tap launches, a
// finger held on an icon enters edit mode and carries the icon, a sideways
// swipe turns the page, a tap outside an open folder closes it. The
// commands of each touch are written at once, so that no pause between
// them can pass for a long press.
TEST_F(SpringBoardHostTest, TouchesLaunchHoldAndTurnPagesAsOnTheDevice)
{
    SpringBoardHost host("iphone-4");
    auto touch = [&](const std::vector<std::string>& commands) { return DumpView(host.dumpRightAfter(commands)); };
    const std::string weather = slotCenterOnScreen(phone, 4), maps = slotCenterOnScreen(phone, 6);
    const std::string emptyLeft = slotCenterOnScreen(phone, 16), emptyRight = slotCenterOnScreen(phone, 19);

    DumpView tapped = touch({ "tap " + weather });
    EXPECT_EQ(tapped.state("lastLaunchedApplication"), "\"Weather\"");
    EXPECT_EQ(tapped.state("editing"), "false");
    DumpView locked = touch({ "lock", "tap " + maps, "unlock" });
    EXPECT_EQ(locked.state("lastLaunchedApplication"), "\"Weather\"") << "the lock screen takes the tap";

    EXPECT_EQ(touch({ "down " + emptyRight, "move " + emptyLeft, "up" }).state("currentPage"), "1") << "to the left: the next page";
    EXPECT_EQ(touch({ "down " + emptyRight, "move 238 415", "up" }).state("currentPage"), "1") << "too short";
    EXPECT_EQ(touch({ "down " + emptyRight, "move 230 150", "up" }).state("currentPage"), "1") << "up, not sideways";
    EXPECT_EQ(touch({ "down " + emptyLeft, "move " + emptyRight, "up" }).state("currentPage"), "0") << "to the right: the page before";
    EXPECT_EQ(touch({ "down " + emptyLeft, "move " + emptyRight, "up" }).state("currentPage"), "0") << "there is none before the first";
    EXPECT_EQ(touch({ "down " + emptyLeft, "wait 600", "up" }).state("editing"), "false") << "a long press on no icon does nothing";

    DumpView held = touch({ "down " + slotCenterOnScreen(phone, 0), "wait 600" });
    EXPECT_EQ(held.state("editing"), "true");
    EXPECT_EQ(held.state("grabbedIcon"), "\"Messages\"");
    DumpView carried = touch({ "move " + slotCenterOnScreen(phone, 2), "move " + slotCenterOnScreen(phone, 3) });
    std::vector<std::string> page = carried.iconNames("page0");
    EXPECT_EQ(std::vector<std::string>(page.begin(), page.begin() + 4), (std::vector<std::string> { "Calendar", "Photos", "Camera", "Messages" }));
    DumpView dropped = touch({ "up" });
    EXPECT_EQ(dropped.state("grabbedIcon"), "null");
    EXPECT_EQ(dropped.state("editing"), "true");
    EXPECT_EQ(dropped.icon("page0", "Messages"), frameText(phone.homePage(SBGridOrientation::Portrait).frameForIconAtIndex(3)));
    EXPECT_EQ(touch({ "tap " + maps }).state("lastLaunchedApplication"), "\"Weather\"") << "in edit mode an application does not open";
    EXPECT_EQ(touch({ "down " + maps, "wait 600" }).state("grabbedIcon"), "\"Maps\"");
    EXPECT_EQ(touch({ "cancel" }).state("grabbedIcon"), "null") << "a cancelled touch drops the icon";

    DumpView open = touch({ "edit off", "page 1", "tap " + slotCenterOnScreen(phone, 1) });
    EXPECT_EQ(open.state("openFolder"), "\"Games\"");
    EXPECT_EQ(touch({ "tap 4 560" }).state("openFolder"), "null") << "a tap outside the folder closes it";
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(SpringBoardHostTest, CommandsLaunchOpenCloseTurnPagesLockAndUnlock)
{
    SpringBoardHost host("iphone-4");
    // The look at the launch's animation comes before its end can.
    DumpView launching(host.dumpRightAfter({ "launch Weather" }));
    EXPECT_EQ(launching.state("lastLaunchedApplication"), "\"Weather\"");
    EXPECT_EQ(launching.icon("page0", "Weather").substr(launching.icon("page0", "Weather").rfind(' ') + 1), "0") << "the icon opens into the application";
    host.expectOk("wait 600");
    DumpView launched(host.dump());
    EXPECT_EQ(launched.icon("page0", "Weather").substr(launched.icon("page0", "Weather").rfind(' ') + 1), "1") << "cleaned up";

    EXPECT_EQ(host.errorOf("launch Translate"), "\"Translate\" is not on the screen");
    host.expectOk("page 1");
    host.expectOk("launch Translate");
    EXPECT_EQ(host.errorOf("open Translate"), "\"Translate\" is no folder");
    host.expectOk("open Utilities");
    DumpView open(host.dump());
    EXPECT_EQ(open.state("openFolder"), "\"Utilities\"");
    EXPECT_EQ(open.state("currentPage"), "1");
    host.expectOk("page 1");
    host.expectOk("launch Podcasts");
    EXPECT_EQ(host.errorOf("launch Compass"), "\"Compass\" is not on the screen") << "the folder's second page is shown";
    host.expectOk("close");
    EXPECT_EQ(host.errorOf("close"), "no folder is open");
    host.expectOk("launch Games");
    EXPECT_EQ(DumpView(host.dump()).state("openFolder"), "\"Games\"") << "launching a folder opens it";
    host.expectOk("close");

    host.expectOk("lock");
    EXPECT_EQ(DumpView(host.dump()).state("locked"), "true");
    EXPECT_EQ(host.errorOf("launch Translate"), "the device is locked");
    EXPECT_EQ(host.errorOf("edit on"), "the device is locked");
    host.expectOk("unlock");
    EXPECT_EQ(host.errorOf("unlock"), "the device is not locked");
    EXPECT_EQ(DumpView(host.dump()).state("locked"), "false");
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(SpringBoardHostTest, TheHomeScreenComesFromTheDeviceRoot)
{
    qv::testing::ProcessResult written = qv::testing::runPython(
        "import plistlib, sys; sys.stdout.buffer.write(plistlib.dumps({'pages': [['Mail', {'kind': 'folder', 'name': 'Box', 'pages': [['Notes']]}], ['Maps']], 'dock': ['Phone', 'Safari']}))");
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    root.writeFile(SBHomeScreenDescription::homeScreenPath, written.output);
    SpringBoardHost host("iphone-4");
    DumpView dump(host.dump());
    EXPECT_EQ(dump.iconNames("page0"), (std::vector<std::string> { "Mail", "Box" }));
    EXPECT_EQ(dump.iconNames("page1"), std::vector<std::string> { "Maps" });
    EXPECT_EQ(dump.iconNames("Box:0"), std::vector<std::string> { "Notes" });
    EXPECT_EQ(dump.iconNames("dock"), (std::vector<std::string> { "Phone", "Safari" }));
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(SpringBoardHostTest, AnExtensionInTheSubstrateFolderReplacesAndAddsMethodsForEveryList)
{
    std::filesystem::path substrate = root.hostPath(kSubstrateLibraryFolder);
    std::filesystem::create_directories(substrate);
    std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/SpringBoardTestExtension.dylib", substrate / "SpringBoardTestExtension.dylib");
    SpringBoardHost host("iphone-4");

    // Loaded before SpringBoard finished launching: the first layout of
    // every kind of list already went through the replacement, which called
    // SpringBoard's own method and the method the extension added.
    DumpView dump(host.dump());
    expectStockGrid(dump, phone, SBGridOrientation::Portrait, CGPointMake(7, 11));
    struct Capacity {
        const char* listClass;
        const char* count;
    };
    for (Capacity capacity : { Capacity { "SBRootIconListView", "23" }, Capacity { "SBFolderIconListView", "12" }, Capacity { "SBDockIconListView", "7" },
             Capacity { "SBNewsstandIconListView", "12" } })
        EXPECT_EQ(dump.capacity(capacity.listClass), capacity.count) << capacity.listClass;

    // A Darwin notification reaches the extension on SpringBoard's main run
    // loop while it waits for commands.
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), "com.corvellan.test/SHIFT", nullptr, nullptr, true);
    std::string shifted = frameText(CGRectOffset(phone.homePage(SBGridOrientation::Portrait).frameForIconAtIndex(0), 17, 21));
    std::string first;
    for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < deadline;) {
        first = DumpView(host.dump()).icon("page0", "Messages");
        if (first == shifted)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(first, shifted);
    EXPECT_EQ(host.quit(), 0);
}

// Started by hand at a terminal, without QV_DRIVER, the host reads its
// commands from there and says so, naming its own commands too.
TEST_F(SpringBoardHostTest, StartedAtATerminalTheHostSaysItAwaitsCommands)
{
    qv::testing::ScopedEnvironment channels("QV_DRIVER", std::nullopt);
    qv::testing::ScopedEnvironment device("QV_DEVICE", std::nullopt);
    qv::testing::ProcessResult result = qv::testing::runPython(R"(
import os, pty, subprocess, sys
master, slave = pty.openpty()
host = subprocess.Popen([sys.argv[1]], stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
os.close(slave)
os.write(master, b"launch Maps\nquit\n")
output, errors = host.communicate(timeout=60)
os.close(master)
print(host.returncode)
print(output.decode(), end="")
print(errors.decode(), end="")
)", { qv::testing::buildDirectory() + "/bin/springboard" });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output.rfind("0\n{\"ok\":true,\"command\":\"launch Maps\"}\n{\"ok\":true,\"command\":\"quit\"}\n", 0), 0u) << result.output;
    EXPECT_NE(result.output.find("springboard: type commands, one a line"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("close, confirmdelete, down, drag, dump, edit, editcontrol, foreground, hold, launch, lock"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("SpringBoard: launching com.apple.maps from location 0"), std::string::npos) << result.output;
}
