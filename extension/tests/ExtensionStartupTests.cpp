// The extension loaded by the real SpringBoard host from the device root:
// applied layouts arriving from another process, the tidying of the user
// layouts folder, switching itself off without a default layout, and the
// answers to the other deliverables' requests.

#include "ExtensionHostTestSupport.h"

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"

using namespace qv;
using namespace qv::extensiontest;

namespace {

constexpr const char* userFolder = "/var/mobile/Library/Quiltvane/Layouts";
constexpr const char* defaultFolder = "/Library/Application Support/Quiltvane/Layouts";
constexpr const char* sharedPreferencesFile = "/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist";

std::string userLayout(const std::string& name)
{
    return std::string(userFolder) + "/" + name;
}

// A layout of two icons for the 4-inch phone, in both orientations.
std::string twoIconLayout(int x, int y)
{
    return "{'QV': True, 'Origins-4Inch': [{'x': " + std::to_string(x) + ", 'y': " + std::to_string(y) + ", 'LockedIndex': -1}, {'x': "
        + std::to_string(x + 70) + ".5, 'y': " + std::to_string(y + 60) + ", 'LockedIndex': -1}], 'Origins-4Inch-Landscape': [{'x': 1, 'y': 21, 'LockedIndex': -1}]}";
}

// The origins a layout file holds under a key, read by plistlib, as the
// dump writes them.
std::string originsInFile(const std::string& hostPath, const std::string& key)
{
    return "[[float(e['x']), float(e['y'])] for e in plistlib.load(open(r'''" + hostPath + "''', 'rb'))['" + key + "']]";
}

} // namespace

class ExtensionStartup : public ExtensionHostTest { };

TEST_F(ExtensionStartup, ALayoutAppliedFromAnotherProcessIsLoadedAtItsNotificationAndBareReferencesAreRewritten)
{
    SpringBoardHost host("iphone-4");
    // Nothing applied yet: every key was given the default layout's
    // reference, and the domain was synchronised, so others see it.
    std::string answer = host.command("dump");
    EXPECT_EQ(dumpValue(answer, "qv['references']['CurrentLayout']"), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(dumpValue(answer, "qv['switches']['enabled']"), "false");
    EXPECT_EQ(preferenceText(QVCurrentLayoutKey), "Default.plist//DEFAULT");
    EXPECT_EQ(preferenceText("Page10Layout"), "Default.plist//DEFAULT");

    // The Settings bundle applies a user layout and leaves a bare value on a page.
    writeLayout(userLayout("Mine.plist"), twoIconLayout(10, 100));
    setPreference(QVCurrentLayoutKey, NSString::create("Mine.plist//USER"));
    setPreference("Page3Layout", NSString::create("Default.plist"));
    setPreference(QVEnableKey, NSNumber::numberWithBool(true));
    post(QVSettingsChangedNotification);

    std::string path = root.hostPath(userLayout("Mine.plist")).string();
    EXPECT_EQ(waitForDumpValue(host, "qv['layouts']['CurrentLayout']['origins'] == " + originsInFile(path, "Origins-4Inch"), "true"), "true");
    answer = host.command("dump");
    EXPECT_EQ(dumpValue(answer, "qv['switches']['enabled']"), "true");
    EXPECT_EQ(dumpValue(answer, "qv['references']['CurrentLayout']"), "\"Mine.plist//USER\"");
    EXPECT_EQ(dumpValue(answer, "qv['references']['Page3Layout']"), "\"Default.plist//DEFAULT\"");
    EXPECT_EQ(preferenceText("Page3Layout"), "Default.plist//DEFAULT") << "the rewritten reference is synchronised";
    EXPECT_EQ(dumpValue(answer, "qv['maxIconsInAllLayouts']"), "20") << "the default layout's 20 slots are the most";
    EXPECT_EQ(host.quit(), 0);
}

// A reference is a file name, "//" and a folder word; one without a file
// name still is one and stays as stored, its key getting the default
// layout, while a name that would leave the layouts folders is replaced
// by the default layout's reference.
TEST_F(ExtensionStartup, AReferenceWithoutAFileNameIsKeptAndGetsTheDefaultLayout)
{
    writeLayout(userLayout("Mine.plist"), twoIconLayout(10, 100));
    const std::pair<const char*, const char*> cases[] = {
        { QVCurrentLayoutKey, "//USER" },
        { "Page1Layout", "//DEFAULT" },
        { "Page2Layout", "../Layouts/Mine.plist//USER" },
        { "Page3Layout", "Mine.plist//USER" },
    };
    for (const auto& [key, value] : cases)
        setPreference(key, NSString::create(value));

    SpringBoardHost host("iphone-4");
    std::string answer = host.command("dump");
    // SpringBoard synchronised the domain after its own rewrites: the file
    // holds what it kept.
    std::string stored = python("import plistlib, json\nd = plistlib.load(open(r'''" + root.hostPath(sharedPreferencesFile).string()
        + "''', 'rb'))\nprint(json.dumps([d.get(k) for k in ('CurrentLayout', 'Page1Layout', 'Page2Layout', 'Page3Layout')]))");
    EXPECT_EQ(stored, "[\"//USER\", \"//DEFAULT\", \"Default.plist//DEFAULT\", \"Mine.plist//USER\"]");
    EXPECT_EQ(dumpValue(answer, "[qv['references'][k] for k in ('CurrentLayout', 'Page1Layout', 'Page2Layout', 'Page3Layout')]"), stored);

    std::string defaults = root.hostPath(std::string(defaultFolder) + "/Default.plist").string();
    for (const char* key : { QVCurrentLayoutKey, "Page1Layout", "Page2Layout" })
        EXPECT_EQ(dumpValue(answer, "qv['layouts']['" + std::string(key) + "']['origins'] == " + originsInFile(defaults, "Origins-4Inch")), "true") << key;
    std::string mine = root.hostPath(userLayout("Mine.plist")).string();
    EXPECT_EQ(dumpValue(answer, "qv['layouts']['Page3Layout']['origins'] == " + originsInFile(mine, "Origins-4Inch")), "true");
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(ExtensionStartup, PagesAboveTenUseTheLayoutOfPageTen)
{
    // Twelve pages of two icons each.
    std::string pages;
    for (int page = 0; page < 12; ++page)
        pages += "['P" + std::to_string(page) + "a', 'P" + std::to_string(page) + "b'], ";
    std::string homeScreenPath = root.hostPath(SBHomeScreenDescription::homeScreenPath).string();
    std::filesystem::create_directories(std::filesystem::path(homeScreenPath).parent_path());
    python("import plistlib\nplistlib.dump({'pages': [" + pages + "], 'dock': ['Phone']}, open(r'''" + homeScreenPath + "''', 'wb'))");
    writeLayout(userLayout("Ten.plist"), twoIconLayout(100, 300));
    writeLayout(userLayout("Nine.plist"), twoIconLayout(30, 200));
    setPreference(QVEnableKey, NSNumber::numberWithBool(true));
    // The application stores the switch as an integer.
    setPreference(QVEnablePerPageLayoutsKey, NSNumber::numberWithInteger(1));
    setPreference("Page9Layout", NSString::create("Nine.plist//USER"));
    setPreference("Page10Layout", NSString::create("Ten.plist//USER"));

    SpringBoardHost host("iphone-4");
    std::string answer = host.command("dump");
    auto origin = [&](const std::string& page, const std::string& icon) {
        return dumpValue(answer, "[[i['frame'][0], i['frame'][1]] for l in [dump['springboard']['pages'][" + page + "]] for i in l['icons'] if i['name'] == '"
                + icon + "'][0]");
    };
    // Entry i of a page's layout, 20 points higher (the status bar).
    EXPECT_EQ(origin("9", "P9b"), "[100.5, 240]");
    EXPECT_EQ(origin("10", "P10a"), "[100, 280]");
    EXPECT_EQ(origin("11", "P11a"), "[100, 280]");
    EXPECT_EQ(origin("11", "P11b"), "[170.5, 340]");
    EXPECT_EQ(origin("0", "P0a"), "[22, 15]") << "the default layout's first slot";
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(ExtensionStartup, StartingTidiesTheUserLayoutsAndRewritesEveryOneUpgraded)
{
    writeLayout(userLayout("Default.plist"), "{'Origins-4Inch': [{'x': 1, 'y': 2, 'LockedIndex': -1}]}");
    writeLayout(userLayout("Default Folder.plist"), "{'QV': True, 'FolderLayout': True, 'Origins-4Inch': [{'x': 5, 'y': 25, 'LockedIndex': -1}]}");
    writeLayout(userLayout("Old.plist"),
        "{'QV': True, 'Origins': [{'x': 10, 'y': 30, 'LockedIndex': 2}, {'x': 11.5, 'y': 40, 'LockedIndex': -1}], "
        "'GridSize': {'Dimensions-Width': 4, 'Dimensions-Height': 5, 'x': 0.0, 'y': 20.0, 'width': 320.0, 'height': 460.0}}");
    root.writeFile(userLayout("notes.txt"), "not a layout");

    SpringBoardHost host("iphone-4");
    host.command("dump");
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(userLayout("Default.plist")))) << "a copy the application did not make";
    EXPECT_TRUE(std::filesystem::exists(root.hostPath(userLayout("Default Folder.plist"))));
    EXPECT_TRUE(std::filesystem::exists(root.hostPath(userLayout("notes.txt"))));

    // The old form moved to this device's keys, the gaps filled from the
    // default layout, and every value of the kind it was.
    std::string old = root.hostPath(userLayout("Old.plist")).string();
    EXPECT_EQ(python("import plistlib, json\nd = plistlib.load(open(r'''" + old + "''', 'rb'))\n"
                     "o = d['Origins-4Inch']\n"
                     "print(json.dumps([sorted(d.keys()), o, [type(o[0][k]).__name__ for k in ('x', 'y', 'LockedIndex')], type(o[1]['x']).__name__, "
                     "type(d['QV']).__name__, type(d['GridSize-4Inch']['Dimensions-Width']).__name__, type(d['GridSize-4Inch']['x']).__name__, "
                     "len(d['Origins-4Inch-Landscape']) > 0], sort_keys=True))"),
        "[[\"GridSize-4Inch\", \"GridSize-4Inch-Landscape\", \"Origins-4Inch\", \"Origins-4Inch-Landscape\", \"QV\"], "
        "[{\"LockedIndex\": 2, \"x\": 10, \"y\": 30}, {\"LockedIndex\": -1, \"x\": 11.5, \"y\": 40}], [\"int\", \"int\", \"int\"], \"float\", \"bool\", "
        "\"int\", \"float\", true]");
    // The kept folder layout was read and written back by the reader too:
    // the gaps of its keys are filled from "Default Folder.plist".
    std::string folder = root.hostPath(userLayout("Default Folder.plist")).string();
    EXPECT_EQ(python("import plistlib\nprint('Origins-4Inch-Landscape' in plistlib.load(open(r'''" + folder + "''', 'rb')))"), "True");
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(ExtensionStartup, AnUnreadableDefaultLayoutSwitchesTheExtensionOffOnce)
{
    root.writeFile(std::string(defaultFolder) + "/Default.plist", "this is no property list");
    setPreference(QVEnableKey, NSNumber::numberWithBool(true));
    observe(QVReloadSpecifiersNotification);

    SpringBoardHost host("iphone-4");
    std::string answer = host.command("dump");
    EXPECT_EQ(dumpValue(answer, "[[m['title'], m['message'], m['buttons']] for m in dump['modalViews']]"),
        "[[\"Quilt Vane\", \"Error reading default layout, try re-installing from cydia.\", [\"Dismiss\"]]]");
    EXPECT_EQ(dumpValue(answer, "qv['switches']['enabled']"), "false");
    EXPECT_EQ(dumpValue(answer, "qv['layouts']['CurrentLayout']['origins']"), "[]") << "no usable layout for the key";
    RefPtr<NSObject> enable = preference(QVEnableKey);
    ASSERT_TRUE(enable);
    EXPECT_FALSE(enable->boolValue());
    ASSERT_TRUE(waitForNotification(QVReloadSpecifiersNotification));

    // Another change finds the extension off already: no second alert.
    post(QVSettingsChangedNotification);
    runFor(1.0);
    answer = host.command("dump");
    EXPECT_EQ(dumpValue(answer, "len(dump['modalViews'])"), "1");
    EXPECT_EQ(deliveries(QVReloadSpecifiersNotification), 1);
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(ExtensionStartup, TheFolderListAndFolderSizeRequestsAreAnsweredToAnotherProcess)
{
    std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/IconSupport.dylib",
        root.hostPath(kSubstrateLibraryFolder) / "IconSupport.dylib");
    SpringBoardHost host("iphone-4");
    host.command("dump");
    EXPECT_EQ(root.readFile("/var/mobile/Library/IconSupport/Extensions.txt"), "com.corvellan.Quilt-Vane\n");

    observe(QVAllFoldersNotification);
    observe(QVFolderViewSizeNotification);
    post(QVGetAllFoldersNotification);
    ASSERT_TRUE(waitForNotification(QVAllFoldersNotification));
    RefPtr<NSArray> folders = dynamicRefCast<NSArray>(preference(QVFolderListKey));
    ASSERT_TRUE(folders);
    std::vector<std::string> names;
    for (const Ref<NSObject>& name : folders->objects())
        names.push_back(name->description());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "Extras", "Games", "Utilities" })) << "the newsstand is no folder of layouts";

    post(QVGetFolderViewSizeNotification);
    ASSERT_TRUE(waitForNotification(QVFolderViewSizeNotification));
    // The size of SpringBoard's open-folder background, as its dump shows it.
    host.expectOk("page 1");
    host.expectOk("open Utilities");
    std::string answer = host.command("dump");
    std::string domainFile = root.hostPath("/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist").string();
    EXPECT_EQ(dumpValue(answer, "(lambda s, o: [s['width'] == o['frame'][2], s['height'] == o['frame'][3], s['cornerRadius'] == o['cornerRadius'], "
                                "[type(s[k]).__name__ for k in ('width', 'height', 'cornerRadius')]])(plistlib.load(open(r'''"
                + domainFile + "''', 'rb'))['FolderViewSize'], dump['springboard']['openFolder'])"),
        "[true, true, true, [\"float\", \"float\", \"float\"]]");
    EXPECT_EQ(host.quit(), 0);
}
