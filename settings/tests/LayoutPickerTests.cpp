#include "SettingsTestSupport.h"
#include "hosts/settings/tests/SettingsHostProcess.h"
#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/tests/PeerProcess.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using namespace qv::settingstest;
using qv::testing::PeerProcess;
using qv::testing::TemporaryDeviceRoot;

namespace {

const std::string userFolder = "/var/mobile/Library/Quiltvane/Layouts/";
const std::string defaultFolder = "/Library/Application Support/Quiltvane/Layouts/";

// The page's table as lines: "title ...", "header ..." when there is one,
// each row as "<text>" with " = <detail>", " [check]" and " (gray)" as they
// apply, and "items" with each bar button and whether it is enabled.
const char* const flattenTable = R"PY(
answer = json.loads(sys.stdin.read())
if not answer["ok"]:
    print("error " + answer["error"])
    sys.exit()
print("title " + answer["title"])
if answer["header"] is not None:
    print("header " + answer["header"].replace("\n", "|"))
for cell in answer["cells"]:
    line = cell["text"]
    if cell["detail"]: line += " = " + cell["detail"]
    if cell["checkmark"]: line += " [check]"
    if cell["gray"]: line += " (gray)"
    print(line)
print("items " + " ".join("%s:%d" % (item["title"], item["enabled"]) for item in answer["items"]))
)PY";

// The top alert or sheet: its title and buttons, "|"-separated.
const char* const flattenModal = R"PY(
modals = json.loads(sys.stdin.read())["dump"]["modalViews"]
print("|".join([modals[-1]["title"]] + modals[-1]["buttons"]) if modals else "none")
)PY";

std::string layoutFile(bool madeByApplication, bool forFolders)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
    if (madeByApplication)
        body += "<key>QV</key><true/>";
    if (forFolders)
        body += "<key>FolderLayout</key><true/>";
    return body + "</dict></plist>\n";
}

// The Settings host on the layout picker, user layouts of every kind in
// place, and another process of the device where the extension would be.
class LayoutPickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(installDeviceRoot(root));
        root.writeFile(userFolder + "Blue.plist", layoutFile(true, false));
        root.writeFile(userFolder + "Folders.plist", layoutFile(true, true));
        root.writeFile(userFolder + "Found.plist", layoutFile(false, false));
        root.writeFile(userFolder + "Broken.plist", "not a layout");
        root.writeFile(userFolder + "notes.txt", "not listed");
        root.writeFile(userFolder + "Dotless-plist", layoutFile(true, false));
        extension = std::make_unique<PeerProcess>(QVPreferenceDomain);
        for (const char* name : { QVSettingsChangedNotification, QVGetAllFoldersNotification, "Marker" })
            extension->command(std::string("observe ") + name);
        host = std::make_unique<SettingsHost>();
    }

    void openPicker()
    {
        host->expectOk("open Quiltvane");
        if (host->rows().size() == 1)
            host->expectOk("toggle Enable");
        host->expectOk("select Layouts");
        ASSERT_TRUE(pageBecomes("Layouts"));
        settingsChangedCount();
    }

    // Pushes finish on the host's run loop: the page is asked for again, a
    // bounded number of times.
    bool pageBecomes(const std::string& title)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::vector<std::string> lines = table();
            if (!lines.empty() && lines[0] == "title " + title)
                return true;
            host->expectOk("wait 50");
        }
        ADD_FAILURE() << "the page " << title << " never showed";
        return false;
    }

    std::vector<std::string> table()
    {
        std::vector<std::string> lines;
        std::stringstream stream(host->answerThroughPython(flattenTable, "table"));
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }

    // Opens the folder screen of a layout until its rows are the folders
    // expected: the reply arrives on the host's run loop in its own time.
    bool folderScreenShows(const std::string& layout, const std::vector<std::string>& folders)
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            host->expectOk("rowtitle " + layout);
            host->expectOk("sheet Apply to Folders");
            if (!pageBecomes("Apply " + layout))
                return false;
            std::vector<std::string> lines = table();
            std::vector<std::string> shown;
            for (const std::string& line : lines) {
                if (line.rfind("title ", 0) != 0 && line.rfind("header ", 0) != 0 && line.rfind("items", 0) != 0)
                    shown.push_back(line);
            }
            host->expectOk("back");
            if (!pageBecomes("Layouts"))
                return false;
            if (shown == folders)
                return true;
            host->expectOk("wait 50");
        }
        ADD_FAILURE() << "the folders never showed";
        return false;
    }

    std::string topModal() { return host->answerThroughPython(flattenModal, "dump"); }

    // The SETTINGS_CHANGED posts since the last call.
    size_t settingsChangedCount()
    {
        extension->command("post Marker");
        std::vector<std::string> heard = extension->notificationsUntil("Marker");
        allHeard.insert(allHeard.end(), heard.begin(), heard.end());
        return static_cast<size_t>(std::count(heard.begin(), heard.end(), std::string("notified ") + QVSettingsChangedNotification));
    }

    // A stored value as the extension's process reads it after a sync.
    std::string stored(const std::string& key)
    {
        extension->command("sync");
        return extension->ask("get " + key);
    }

    // The folder list as the extension answers it: written to the domain,
    // then ALL_FOLDERS.
    void answerFolders(const std::string& pythonList)
    {
        ASSERT_NO_FATAL_FAILURE(storeWithPython(root, QVFolderListKey, pythonList));
        extension->command(std::string("post ") + QVAllFoldersNotification);
    }

    TemporaryDeviceRoot root;
    std::unique_ptr<PeerProcess> extension;
    std::unique_ptr<SettingsHost> host;
    // Every notification the extension's stand-in heard so far.
    std::vector<std::string> allHeard;
};

} // namespace

// The default layouts come first, then the user's, every name ending in
// "plist"; a layout the application did not make, or one that cannot be
// read, is gray. Save and Cancel start disabled. The picker asks for the
// folders when it is made.
TEST_F(LayoutPickerTest, ListsTheLayouts)
{
    ASSERT_NO_FATAL_FAILURE(openPicker());
    EXPECT_EQ(table(), (std::vector<std::string> { "title Layouts", "Default Folder.plist (gray)", "Default.plist (gray)", "Blue.plist",
                           "Broken.plist (gray)", "Dotless-plist", "Folders.plist", "Found.plist (gray)", "items Save:0 Cancel:0" }));
    EXPECT_NE(std::find(allHeard.begin(), allHeard.end(), std::string("notified ") + QVGetAllFoldersNotification), allHeard.end());
}

// The sheet of a row offers what suits the layout: no home screen for a
// folder layout, rename and delete only for the application's layouts.
TEST_F(LayoutPickerTest, TheSheetOfARowSuitsItsLayout)
{
    ASSERT_NO_FATAL_FAILURE(openPicker());
    const std::pair<const char*, const char*> cases[] = {
        { "Default.plist", "|Apply to Folders|Apply to Homescreen|Cancel" },
        { "Folders.plist", "|Delete|Apply to Folders|Rename|Cancel" },
        { "Blue.plist", "|Delete|Apply to Folders|Apply to Homescreen|Rename|Cancel" },
        { "Found.plist", "|Apply to Folders|Apply to Homescreen|Cancel" },
    };
    for (const auto& [row, sheet] : cases) {
        host->expectOk(std::string("rowtitle ") + row);
        EXPECT_EQ(topModal(), sheet) << row;
        host->expectOk("sheet Cancel");
    }
}

// A choice on the apply screen is pending: it shows with its checkmark,
// enables Save and Cancel, and reaches the domain only with Save, which
// tells the extension once. Cancel drops it and writes nothing.
TEST_F(LayoutPickerTest, ChoicesArePendingUntilSave)
{
    ASSERT_NO_FATAL_FAILURE(openPicker());
    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Apply to Homescreen");
    ASSERT_TRUE(pageBecomes("Apply Blue.plist"));
    EXPECT_EQ(table(), (std::vector<std::string> { "title Apply Blue.plist", "Homescreen Layout", "items :1" }));
    host->expectOk("rowtitle Homescreen Layout");
    EXPECT_EQ(table()[1], "Homescreen Layout = Blue.plist [check]");
    host->expectOk("segment Per-Page");
    std::vector<std::string> pages = table();
    ASSERT_EQ(pages.size(), 13u);
    EXPECT_EQ(pages[1], "Page 1");
    EXPECT_EQ(pages[11], "Page 11+");
    host->expectOk("rowtitle Page 3");
    host->expectOk("back");
    ASSERT_TRUE(pageBecomes("Layouts"));
    EXPECT_EQ(table().back(), "items Save:1 Cancel:1");
    EXPECT_EQ(stored(QVCurrentLayoutKey), "none");

    host->expectOk("baritem Cancel");
    EXPECT_EQ(table().back(), "items Save:0 Cancel:0");
    EXPECT_EQ(settingsChangedCount(), 0u);
    EXPECT_EQ(stored(QVCurrentLayoutKey), "none");

    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Apply to Homescreen");
    ASSERT_TRUE(pageBecomes("Apply Blue.plist"));
    EXPECT_EQ(table()[1], "Homescreen Layout") << "the cancelled choice is gone";
    host->expectOk("segment Per-Page");
    host->expectOk("rowtitle Page 3");
    host->expectOk("back");
    ASSERT_TRUE(pageBecomes("Layouts"));
    host->expectOk("baritem Save");
    EXPECT_EQ(settingsChangedCount(), 1u);
    EXPECT_EQ(stored("Page2Layout"), "value Blue.plist//USER");
    EXPECT_EQ(stored(QVCurrentLayoutKey), "none");
    EXPECT_EQ(table().back(), "items Save:0 Cancel:0");
}

// The apply screen shows each key's layout, pending or stored, and a
// checkmark only where the key names this very layout; its segment shows
// the per-page switch as the extension reads it.
TEST_F(LayoutPickerTest, TheApplyScreenShowsWhatIsApplied)
{
    extension->command("set CurrentLayout Default.plist//DEFAULT");
    extension->command("set Page0Layout Blue.plist//USER");
    extension->command("set Page1Layout Blue.plist//DEFAULT");
    extension->command("set Page2Layout Default.plist");
    extension->command("sync");
    ASSERT_NO_FATAL_FAILURE(openPicker());
    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Apply to Homescreen");
    ASSERT_TRUE(pageBecomes("Apply Blue.plist"));
    EXPECT_EQ(table()[1], "Homescreen Layout = Default.plist");
    host->expectOk("segment Per-Page");
    std::vector<std::string> pages = table();
    EXPECT_EQ(pages[1], "Page 1 = Blue.plist [check]");
    EXPECT_EQ(pages[2], "Page 2 = Blue.plist") << "the same name in the other folder";
    EXPECT_EQ(pages[3], "Page 3") << "a bare name names no layout";
    host->expectOk("rowtitle Page 1");
    EXPECT_EQ(table().back(), "items :1");
    host->expectOk("back");
    ASSERT_TRUE(pageBecomes("Layouts"));

    // A stored 2 is per page to the extension, and so to the segment.
    host->expectOk("baritem Cancel");
    ASSERT_NO_FATAL_FAILURE(storeWithPython(root, QVEnablePerPageLayoutsKey, "2"));
    host->expectOk("back");
    host->expectOk("wait 400");
    host->expectOk("select Layouts");
    ASSERT_TRUE(pageBecomes("Layouts"));
    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Apply to Homescreen");
    ASSERT_TRUE(pageBecomes("Apply Blue.plist"));
    EXPECT_EQ(table().size(), 13u);
}

// The folder list arrives from the extension and is shown on the folder
// screen; without a reply the screen shows the header and no folders, and
// a reply that comes while it is shown fills its rows.
TEST_F(LayoutPickerTest, FoldersComeFromTheExtension)
{
    ASSERT_NO_FATAL_FAILURE(openPicker());
    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Apply to Folders");
    ASSERT_TRUE(pageBecomes("Apply Blue.plist"));
    const std::vector<std::string> noFolders { "title Apply Blue.plist", "header WARNING: Layout is not optimized for folders||Folders:", "items " };
    EXPECT_EQ(table(), noFolders);

    ASSERT_NO_FATAL_FAILURE(answerFolders("['Social', 'Games']"));
    std::vector<std::string> shown = table();
    for (int attempt = 0; attempt < 100 && shown == noFolders; ++attempt) {
        host->expectOk("wait 50");
        shown = table();
    }
    EXPECT_EQ(shown, (std::vector<std::string> { "title Apply Blue.plist", "header WARNING: Layout is not optimized for folders||Folders:", "Social",
                         "Games", "items " }));
    host->expectOk("back");
    ASSERT_TRUE(pageBecomes("Layouts"));
    ASSERT_TRUE(folderScreenShows("Folders.plist", { "Social", "Games" }));
    host->expectOk("rowtitle Folders.plist");
    host->expectOk("sheet Apply to Folders");
    ASSERT_TRUE(pageBecomes("Apply Folders.plist"));
    EXPECT_EQ(table(), (std::vector<std::string> { "title Apply Folders.plist", "header Folders:", "Social", "Games", "items " }));
    host->expectOk("rowtitle Games");
    host->expectOk("back");
    ASSERT_TRUE(pageBecomes("Layouts"));
    host->expectOk("baritem Save");
    EXPECT_EQ(stored("Folder_Games_Layout"), "value Folders.plist//USER");
    EXPECT_EQ(stored("Folder_Social_Layout"), "none");
}

// Deleting an applied layout removes its file and row and points every key
// that named it at the bare default, telling the extension once; a key
// naming the same file name in the other folder stays.
TEST_F(LayoutPickerTest, DeleteFallsBackToTheDefault)
{
    extension->command("set CurrentLayout Blue.plist//USER");
    extension->command("set Page3Layout Blue.plist//USER");
    extension->command("set Page4Layout Blue.plist//DEFAULT");
    extension->command("sync");
    ASSERT_NO_FATAL_FAILURE(openPicker());
    ASSERT_NO_FATAL_FAILURE(answerFolders("['Social']"));
    ASSERT_TRUE(folderScreenShows("Blue.plist", { "Social" }));
    extension->command("set Folder_Social_Layout Blue.plist//USER");
    extension->command("sync");
    settingsChangedCount();

    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Delete");
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(userFolder + "Blue.plist")));
    std::vector<std::string> rows = table();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Blue.plist"), 0);
    EXPECT_EQ(settingsChangedCount(), 1u);
    EXPECT_EQ(stored(QVCurrentLayoutKey), "value Default.plist");
    EXPECT_EQ(stored("Page3Layout"), "value Default.plist");
    EXPECT_EQ(stored("Page4Layout"), "value Blue.plist//DEFAULT");
    EXPECT_EQ(stored("Folder_Social_Layout"), "value Default Folder.plist");
}

// A delete whose file stays (here an immutable file, which not even the
// superuser removes) changes nothing: the row, the stored values and the
// extension are left as they were.
TEST_F(LayoutPickerTest, ADeleteThatFailsChangesNothing)
{
    extension->command("set CurrentLayout Blue.plist//USER");
    extension->command("sync");
    ASSERT_NO_FATAL_FAILURE(openPicker());
    const std::string file = root.hostPath(userFolder + "Blue.plist").string();
    if (qv::testing::runProcess({ "chattr", "+i", file }).exitCode != 0)
        GTEST_SKIP() << "this file system cannot make a file immutable";
    // Mutable again whatever happens, so that the device root can go.
    struct Release {
        std::string file;
        ~Release() { qv::testing::runProcess({ "chattr", "-i", file }); }
    } release { file };
    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Delete");
    EXPECT_TRUE(std::filesystem::exists(file));
    std::vector<std::string> rows = table();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Blue.plist"), 1);
    EXPECT_EQ(settingsChangedCount(), 0u);
    EXPECT_EQ(stored(QVCurrentLayoutKey), "value Blue.plist//USER");
}

// Renaming moves the file and keeps the layout applied under its new name;
// "/" is taken out of the typed name; an empty or unchanged name asks
// again; a name that exists is refused; a refused rename changes nothing.
TEST_F(LayoutPickerTest, RenameKeepsTheLayoutApplied)
{
    extension->command("set CurrentLayout Blue.plist//USER");
    extension->command("set Page0Layout Blue.plist//DEFAULT");
    extension->command("sync");
    ASSERT_NO_FATAL_FAILURE(openPicker());
    settingsChangedCount();

    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Rename");
    EXPECT_EQ(topModal(), "Rename Layout|Cancel|Rename");
    for (int i = 0; i < 4; ++i)
        host->expectOk("backspace");
    host->expectOk("alert Rename");
    EXPECT_EQ(topModal(), "Rename Layout|Cancel|Rename") << "an empty name asks again";
    for (int i = 0; i < 4; ++i)
        host->expectOk("backspace");
    host->expectOk("type Found");
    host->expectOk("alert Rename");
    EXPECT_EQ(topModal(), "Error renaming layout|Ok");
    host->expectOk("alert Ok");
    EXPECT_TRUE(std::filesystem::exists(root.hostPath(userFolder + "Blue.plist")));
    EXPECT_EQ(settingsChangedCount(), 0u);

    host->expectOk("rowtitle Blue.plist");
    host->expectOk("sheet Rename");
    host->expectOk("type /Sky/");
    host->expectOk("alert Rename");
    EXPECT_EQ(topModal(), "none");
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(userFolder + "Blue.plist")));
    EXPECT_TRUE(std::filesystem::exists(root.hostPath(userFolder + "BlueSky.plist")));
    std::vector<std::string> rows = table();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "BlueSky.plist"), 1);
    EXPECT_EQ(settingsChangedCount(), 1u);
    EXPECT_EQ(stored(QVCurrentLayoutKey), "value BlueSky.plist//USER");
    EXPECT_EQ(stored("Page0Layout"), "value Blue.plist//DEFAULT");
}

// A picker that has gone no longer observes: a late folder reply reaches
// nothing, and the next picker gets it.
TEST_F(LayoutPickerTest, ALeftPickerIsNotReachedByALateReply)
{
    ASSERT_NO_FATAL_FAILURE(openPicker());
    host->expectOk("back");
    host->expectOk("wait 500");
    ASSERT_NO_FATAL_FAILURE(answerFolders("['Late']"));
    host->expectOk("wait 300");
    host->expectOk("select Layouts");
    ASSERT_TRUE(pageBecomes("Layouts"));
    ASSERT_NO_FATAL_FAILURE(answerFolders("['Social']"));
    EXPECT_TRUE(folderScreenShows("Folders.plist", { "Social" }));
    EXPECT_EQ(host->quit(), 0);
}
