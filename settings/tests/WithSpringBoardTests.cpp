#include "SettingsTestSupport.h"
#include "hosts/settings/tests/SettingsHostProcess.h"
#include "hosts/springboard/tests/SpringBoardHostProcess.h"
#include "model/QVPreferenceNames.h"
#include "platform/objc/DynamicLibraries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace qv;
using namespace qv::settingstest;
using qv::sbhosttest::SpringBoardHost;
using qv::testing::TemporaryDeviceRoot;

namespace {

// The Settings host and the SpringBoard host with the extension, each a
// process of its own on one device root, meeting only through the shared
// domain and Darwin notifications.
class WithSpringBoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(installDeviceRoot(root));
        const std::filesystem::path substrate = root.hostPath(kSubstrateLibraryFolder);
        std::filesystem::create_directories(substrate);
        if (!std::filesystem::exists(substrate / "Quiltvane.dylib"))
            std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/Quiltvane.dylib", substrate / "Quiltvane.dylib");
    }

    void start()
    {
        springBoard = std::make_unique<SpringBoardHost>("iphone-4");
        // SpringBoard answers its driver once the extension has loaded and
        // observes its requests; a request posted before that would go
        // unanswered, as on the device.
        ASSERT_EQ(extensionValue("qv is not None"), "true");
        settings = std::make_unique<SettingsHost>();
        settings->expectOk("open Quiltvane");
    }

    // A value of the extension's part of SpringBoard's dump, a Python
    // expression over `qv`, as JSON.
    std::string extensionValue(const std::string& expression)
    {
        qv::testing::ProcessResult result = qv::testing::runPython(
            "import json, sys\nqv = json.loads(sys.stdin.read())['dump']['quiltvane']\nprint(json.dumps(" + expression + "))", {},
            springBoard->command("dump"));
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        while (!result.output.empty() && result.output.back() == '\n')
            result.output.pop_back();
        return result.output;
    }

    // Asks SpringBoard until the value is the one expected, for a bounded
    // time: notifications arrive on its run loop in their own time.
    std::string extensionValueBecomes(const std::string& expression, const std::string& expected)
    {
        std::string value;
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < deadline;) {
            value = extensionValue(expression);
            if (value == expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return value;
    }

    bool settingsRowsBecome(const std::vector<std::string>& expected)
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (settings->rows() == expected)
                return true;
            settings->expectOk("wait 50");
        }
        EXPECT_EQ(settings->rows(), expected);
        return false;
    }

    // The Settings page of the layouts, with the extension switched on (and
    // folder layouts too, when asked).
    void openLayouts(bool folderLayouts)
    {
        settings->expectOk("toggle Enable");
        if (folderLayouts)
            settings->expectOk("toggle Folder Layouts");
        settings->expectOk("select Layouts");
        ASSERT_TRUE(settingsPageBecomes("Layouts"));
    }

    bool settingsPageBecomes(const std::string& title)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string shown = settings->answerThroughPython("a = json.loads(sys.stdin.read()); print(a.get('title', ''))", "table");
            if (shown == title)
                return true;
            settings->expectOk("wait 50");
        }
        ADD_FAILURE() << "the page " << title << " never showed";
        return false;
    }

    // Applies a listed layout to the row of the apply screen, and saves.
    void apply(const std::string& layout, const char* sheetButton, const std::vector<std::string>& taps)
    {
        settings->expectOk("rowtitle " + layout);
        settings->expectOk(std::string("sheet ") + sheetButton);
        ASSERT_TRUE(settingsPageBecomes("Apply " + layout));
        for (const std::string& tap : taps)
            settings->expectOk(tap);
        settings->expectOk("back");
        ASSERT_TRUE(settingsPageBecomes("Layouts"));
        settings->expectOk("baritem Save");
    }

    // The origins of the icons of a list of SpringBoard's dump ("page1",
    // "Utilities:0"), "x,y" each, in slot order.
    std::string iconOrigins(const std::string& label)
    {
        qv::testing::ProcessResult result = qv::testing::runPython(std::string(qv::sbhosttest::flattenDump), {}, springBoard->command("dump"));
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        std::string origins;
        std::stringstream lines(result.output);
        for (std::string line; std::getline(lines, line);) {
            qv::sbhosttest::Fields fields = qv::sbhosttest::splitFields(line);
            if (fields.size() == 8 && fields[0] == "icon" && fields[1] == label)
                origins += (origins.empty() ? "" : " ") + fields[3] + "," + fields[4];
        }
        return origins;
    }

    std::string iconOriginsBecome(const std::string& label, const std::string& expected)
    {
        std::string origins;
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < deadline;) {
            origins = iconOrigins(label);
            if (origins == expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return origins;
    }


    // The names in the user layouts folder, sorted, space-separated; files
    // being written (hidden) left out.
    std::string userLayoutNames()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root.hostPath("/var/mobile/Library/Quiltvane/Layouts"))) {
            if (entry.path().filename().string().front() != '.')
                names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }

    // Which file is at a user layout's path and when it was last written:
    // an upgrade written back makes another.
    std::string fileVersion(const std::string& name)
    {
        struct stat status {};
        if (::stat(root.hostPath("/var/mobile/Library/Quiltvane/Layouts/" + name).c_str(), &status) != 0)
            return "missing";
        return std::to_string(status.st_ino) + " " + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
    }

    void writeLayout(const std::string& name, const std::string& pythonValue)
    {
        const std::string path = root.hostPath("/var/mobile/Library/Quiltvane/Layouts/" + name).string();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        qv::testing::ProcessResult result = qv::testing::runPython(
            "import plistlib, sys\nplistlib.dump(" + pythonValue + ", open(sys.argv[1], 'wb'))", { path });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }

    TemporaryDeviceRoot root;
    std::unique_ptr<SpringBoardHost> springBoard;
    std::unique_ptr<SettingsHost> settings;
};

// A user layout made by the application whose portrait origins for the
// 4-inch phone are a grid from (x, y), 70 points apart across and 80 down,
// four a row; and the origins SpringBoard then shows for the first `count`
// icons: the layout's, 20 points higher.
std::string gridLayout(int x, int y, int slots, bool forFolders)
{
    std::string entries;
    for (int i = 0; i < slots; ++i)
        entries += "{'x': " + std::to_string(x + (i % 4) * 70) + ", 'y': " + std::to_string(y + (i / 4) * 80) + ", 'LockedIndex': -1}, ";
    return "{'QV': True, 'FolderLayout': " + std::string(forFolders ? "True" : "False") + ", 'Origins-4Inch': [" + entries
        + "], 'Origins-4Inch-Landscape': [" + entries + "]}";
}

std::string shownOrigins(int x, int y, int count)
{
    std::string origins;
    for (int i = 0; i < count; ++i)
        origins += (i ? " " : "") + std::to_string(x + (i % 4) * 70) + "," + std::to_string(y + (i / 4) * 80 - 20);
    return origins;
}

} // namespace

// Each switch of the Settings page reaches the domain file and, through
// SETTINGS_CHANGED, the extension's switches in the running SpringBoard.
TEST_F(WithSpringBoardTest, EachSwitchReachesTheExtension)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(extensionValue("qv['switches']"),
        "{\"enabled\": false, \"placeholdersEnabled\": false, \"hiddenIconsEnabled\": false, \"folderLayoutsEnabled\": false, "
        "\"reduceMotionEnabled\": false}");
    settings->expectOk("toggle Enable");
    EXPECT_EQ(extensionValueBecomes("qv['switches']['enabled']", "true"), "true");
    EXPECT_EQ(storedSwitches(root), "Enable=True");

    const std::pair<const char*, const char*> switches[] = {
        { "Folder Layouts", "folderLayoutsEnabled" },
        { "Hide Icons During Animations", "hiddenIconsEnabled" },
        { "Placeholder Icons", "placeholdersEnabled" },
    };
    for (const auto& [label, name] : switches) {
        settings->expectOk(std::string("toggle ") + label);
        EXPECT_EQ(extensionValueBecomes(std::string("qv['switches']['") + name + "']", "true"), "true") << label;
    }
    EXPECT_EQ(storedSwitches(root), "Enable=True EnableFolderLayouts=True EnableHiddenIcons=True EnablePlaceholders=True");
    for (const auto& [label, name] : switches) {
        settings->expectOk(std::string("toggle ") + label);
        EXPECT_EQ(extensionValueBecomes(std::string("qv['switches']['") + name + "']", "false"), "false") << label;
    }
    settings->expectOk("toggle Enable");
    EXPECT_EQ(extensionValueBecomes("qv['switches']['enabled']", "false"), "false");
    EXPECT_EQ(storedSwitches(root), "Enable=False EnableFolderLayouts=False EnableHiddenIcons=False EnablePlaceholders=False");
    EXPECT_EQ(springBoard->quit(), 0);
    EXPECT_EQ(settings->quit(), 0);
}

// When the extension cannot read its default layout it switches itself off
// and says so: the open Settings page falls back to the master switch.
TEST_F(WithSpringBoardTest, TheExtensionSwitchingItselfOffRebuildsThePage)
{
    root.writeFile("/Library/Application Support/Quiltvane/Layouts/Default.plist", "this is no property list");
    ASSERT_NO_FATAL_FAILURE(start());
    settings->expectOk("toggle Enable");
    EXPECT_TRUE(settingsRowsBecome({ "switch Enable=false" }));
    EXPECT_EQ(extensionValue("qv['switches']['enabled']"), "false");
    EXPECT_EQ(storedSwitches(root), "Enable=False");
    EXPECT_EQ(settings->quit(), 0);
}

// A layout applied from the Settings host to the whole home screen, then
// to page 2 alone, places SpringBoard's icons at its origins.
TEST_F(WithSpringBoardTest, LayoutsAppliedFromSettingsPlaceTheIcons)
{
    ASSERT_NO_FATAL_FAILURE(writeLayout("Wide.plist", gridLayout(10, 60, 24, false)));
    ASSERT_NO_FATAL_FAILURE(writeLayout("Narrow.plist", gridLayout(30, 100, 24, false)));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(openLayouts(false));
    const std::string page0Count = std::to_string(iconOrigins("page0").empty() ? 0 : 1);
    ASSERT_NO_FATAL_FAILURE(apply("Wide.plist", "Apply to Homescreen", { "rowtitle Homescreen Layout" }));
    EXPECT_EQ(extensionValueBecomes("qv['references']['CurrentLayout']", "\"Wide.plist//USER\""), "\"Wide.plist//USER\"");
    const std::string page0 = iconOrigins("page0");
    const int count = static_cast<int>(std::count(page0.begin(), page0.end(), ' ')) + 1;
    ASSERT_GT(count, 4) << page0Count;
    EXPECT_EQ(iconOriginsBecome("page0", shownOrigins(10, 60, count)), shownOrigins(10, 60, count));
    const std::string page1 = iconOrigins("page1");
    const int count1 = static_cast<int>(std::count(page1.begin(), page1.end(), ' ')) + 1;
    EXPECT_EQ(iconOriginsBecome("page1", shownOrigins(10, 60, count1)), shownOrigins(10, 60, count1));

    ASSERT_NO_FATAL_FAILURE(apply("Narrow.plist", "Apply to Homescreen", { "segment Per-Page", "rowtitle Page 2" }));
    EXPECT_EQ(extensionValueBecomes("qv['references']['Page1Layout']", "\"Narrow.plist//USER\""), "\"Narrow.plist//USER\"");
    EXPECT_EQ(iconOriginsBecome("page1", shownOrigins(30, 100, count1)), shownOrigins(30, 100, count1));
    EXPECT_EQ(settings->quit(), 0);
}

// The folder names come from SpringBoard; a folder layout applied to one
// of them places that folder's icons.
TEST_F(WithSpringBoardTest, FolderLayoutsFromSettingsPlaceTheFoldersIcons)
{
    ASSERT_NO_FATAL_FAILURE(writeLayout("Inside.plist", gridLayout(20, 40, 12, true)));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(openLayouts(true));
    std::string folders;
    for (int attempt = 0; attempt < 100 && folders.find("Utilities") == std::string::npos; ++attempt) {
        settings->expectOk("rowtitle Inside.plist");
        settings->expectOk("sheet Apply to Folders");
        ASSERT_TRUE(settingsPageBecomes("Apply Inside.plist"));
        folders = settings->answerThroughPython("print(' '.join(c['text'] for c in json.loads(sys.stdin.read())['cells']))", "table");
        settings->expectOk("back");
        ASSERT_TRUE(settingsPageBecomes("Layouts"));
    }
    ASSERT_NE(folders.find("Utilities"), std::string::npos) << folders;
    ASSERT_NO_FATAL_FAILURE(apply("Inside.plist", "Apply to Folders", { "rowtitle Utilities" }));
    EXPECT_EQ(extensionValueBecomes("qv['references']['Folder_Utilities_Layout']", "\"Inside.plist//USER\""), "\"Inside.plist//USER\"");
    // The folder opens from the page that shows its icon.
    bool opened = false;
    for (int page = 0; page < 4 && !opened; ++page) {
        springBoard->expectOk("page " + std::to_string(page));
        opened = springBoard->errorOf("open Utilities") == "ok";
    }
    ASSERT_TRUE(opened);
    const std::string inside = iconOrigins("Utilities:0");
    const int count = static_cast<int>(std::count(inside.begin(), inside.end(), ' ')) + 1;
    EXPECT_EQ(iconOriginsBecome("Utilities:0", shownOrigins(20, 40, count)), shownOrigins(20, 40, count));
    EXPECT_EQ(settings->quit(), 0);
}

// Deleting an applied layout falls back to the default; renaming one keeps
// it applied under its new name. Each comes right after the Save that
// applied the layout, while SpringBoard may still be loading it; once
// SpringBoard has reloaded, the user layouts folder holds the renamed
// file under its new name only and the deleted one not at all. A layout
// that needs no upgrade is never rewritten by a reload.
TEST_F(WithSpringBoardTest, DeleteAndRenameOfAppliedLayouts)
{
    ASSERT_NO_FATAL_FAILURE(writeLayout("Wide.plist", gridLayout(10, 60, 24, false)));
    ASSERT_NO_FATAL_FAILURE(writeLayout("Gone.plist", gridLayout(30, 100, 24, false)));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(openLayouts(false));
    ASSERT_NO_FATAL_FAILURE(apply("Wide.plist", "Apply to Homescreen", { "segment Per-Page", "rowtitle Page 1" }));
    EXPECT_EQ(extensionValueBecomes("qv['references']['Page0Layout']", "\"Wide.plist//USER\""), "\"Wide.plist//USER\"");
    // Upgraded for the device and written back by that reload, at most.
    const std::string wideVersion = fileVersion("Wide.plist");

    // On ten pages, so that SpringBoard's reload loads it for ten keys.
    std::vector<std::string> pages;
    for (int page = 2; page <= 11; ++page)
        pages.push_back("rowtitle Page " + std::to_string(page) + (page == 11 ? "+" : ""));
    ASSERT_NO_FATAL_FAILURE(apply("Gone.plist", "Apply to Homescreen", pages));
    settings->expectOk("rowtitle Gone.plist");
    settings->expectOk("sheet Delete");
    EXPECT_EQ(extensionValueBecomes("qv['references']['Page1Layout']", "\"Default.plist//DEFAULT\""), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(userLayoutNames(), "Wide.plist") << "the deleted layout stays deleted";
    EXPECT_EQ(fileVersion("Wide.plist"), wideVersion) << "reloads that loaded Wide.plist left it alone";

    ASSERT_NO_FATAL_FAILURE(apply("Wide.plist", "Apply to Homescreen", pages));
    settings->expectOk("rowtitle Wide.plist");
    settings->expectOk("sheet Rename");
    settings->expectOk("type er");
    settings->expectOk("alert Rename");
    EXPECT_EQ(extensionValueBecomes("qv['references']['Page0Layout']", "\"Wideer.plist//USER\""), "\"Wideer.plist//USER\"");
    EXPECT_EQ(extensionValue("qv['references']['Page10Layout']"), "\"Wideer.plist//USER\"");
    EXPECT_EQ(userLayoutNames(), "Wideer.plist") << "the old name does not come back";
    const std::string page0 = iconOrigins("page0");
    const int count = static_cast<int>(std::count(page0.begin(), page0.end(), ' ')) + 1;
    EXPECT_EQ(iconOriginsBecome("page0", shownOrigins(10, 60, count)), shownOrigins(10, 60, count)) << "still applied";
    EXPECT_EQ(settings->quit(), 0);
}
