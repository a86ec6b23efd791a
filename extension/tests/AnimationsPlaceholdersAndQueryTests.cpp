// With the real host driven through its commands: icons fading out of the
// way of launches and folder openings and coming back, the numbered markers
// on the free slots while an icon is held, and the query another extension
// reaches through the runtime.

#include "ExtensionHostTestSupport.h"

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"

using namespace qv;
using namespace qv::extensiontest;

namespace {

// Twelve slots in two rows of six, 45 points apart across and 80 down.
const char* twelveSlots = "{'QV': True, 'Origins-4Inch': [{'x': 20 + 45 * (i % 6), 'y': 40 + 80 * (i // 6), 'LockedIndex': -1} for i in range(12)]}";

// Python: the slot origins of that layout as the extension reads them.
const char* slotOrigins = "[(20 + 45 * (i % 6), 40 + 80 * (i // 6) - 20) for i in range(12)]";

class DrivenExtension : public ExtensionHostTest {
protected:
    void SetUp() override
    {
        ExtensionHostTest::SetUp();
        // A0 to A8 and the folder Box on the first page, a folder in the dock.
        std::string homeScreen = root.hostPath(SBHomeScreenDescription::homeScreenPath).string();
        std::filesystem::create_directories(std::filesystem::path(homeScreen).parent_path());
        python("import plistlib\nplistlib.dump({'pages': [['A%d' % i for i in range(9)] + [{'kind': 'folder', 'name': 'Box', 'pages': [['B0', 'B1']]}], ['C0']], "
               "'dock': ['Phone', {'kind': 'folder', 'name': 'Tray', 'pages': [['T0']]}]}, open(r'''"
            + homeScreen + "''', 'wb'))");
        writeLayout(std::string(QVUserLayoutsFolder) + "/Twelve.plist", twelveSlots);
        setPreference(QVEnableKey, NSNumber::numberWithBool(true));
        setPreference(QVCurrentLayoutKey, NSString::create("Twelve.plist//USER"));
    }

    // The names of the first page's icons that are faded out, but for the
    // launched one, which SpringBoard's own launch animation fades.
    static std::string faded(const std::string& answer, const std::string& launched = "")
    {
        return dumpValue(answer, fadedExpression(launched));
    }
    static std::string fadedExpression(const std::string& launched = "")
    {
        return "sorted(i['name'] for i in dump['springboard']['pages'][0]['icons'] if i['alpha'] == 0 and i['name'] != '" + launched + "')";
    }

    // The icons whose slot centres lie within an icon's size, 10 points
    // wider and 30 taller, of the slot centre of icon `index`.
    static std::string around(const std::string& answer, int index)
    {
        return dumpValue(answer, "(lambda icons, s: sorted(icons[i]['name'] for i in range(len(icons)) if i != " + std::to_string(index)
                + " and abs(s[i][0] - s[" + std::to_string(index) + "][0]) <= icons[0]['frame'][2] + 10 and abs(s[i][1] - s["
                + std::to_string(index) + "][1]) <= icons[0]['frame'][3] + 30))(dump['springboard']['pages'][0]['icons'], " + slotOrigins + ")");
    }

    // The markers on the first page: their frames and numbers.
    static std::string markers(const std::string& answer)
    {
        return dumpValue(answer, "[[v['frame'], v['texts']] for v in dump['springboard']['pages'][0]['views'] if v['class'] == 'QVPlaceholderIcon']");
    }
};

} // namespace

TEST_F(DrivenExtension, IconsAroundALaunchOrAnOpeningFolderFadeAndComeBack)
{
    setPreference(QVEnableHiddenIconsKey, NSNumber::numberWithBool(true));
    SpringBoardHost host("iphone-4");
    EXPECT_EQ(faded(host.command("dump")), "[]");

    // Each look at a fade is taken before the animation's end can come.
    std::string answer = host.commandRightAfter("launch A3", "dump");
    EXPECT_EQ(faded(answer, "A3"), around(answer, 3));
    EXPECT_EQ(faded(answer, "A3"), "[\"A2\", \"A4\", \"A8\", \"Box\"]") << "the neighbours in its row and below it";
    EXPECT_EQ(dumpValue(answer, "sorted(qv['hiddenIcons'])"), faded(answer, "A3"));
    host.expectOk("wait 500");
    EXPECT_EQ(faded(host.command("dump")), "[]") << "back after the animation's clean-up";

    // A folder zooms open and closed as an icon animation: its clean-up
    // brings the faded icons back, with no lock and unlock needed.
    answer = host.commandRightAfter("open Box", "dump");
    EXPECT_EQ(faded(answer), around(answer, 9));
    host.expectOk("close");
    EXPECT_EQ(waitForDumpValue(host, "[sorted(qv['hiddenIcons']), " + fadedExpression() + ", dump['springboard']['openFolder']]", "[[], [], null]"),
        "[[], [], null]") << "back after the folder closed";

    EXPECT_NE(faded(host.commandRightAfter("open Box", "dump")), "[]");
    host.expectOk("close");
    host.expectOk("lock");
    host.expectOk("unlock");
    EXPECT_EQ(waitForDumpValue(host, fadedExpression(), "[]"), "[]") << "and after an unlock";

    // In edit mode a tap on a folder icon opens it and hides nothing.
    host.expectOk("edit on");
    answer = host.command("dump");
    const std::string box = dumpValue(answer, "' '.join('%g %g' % (f[0] + f[2] / 2, f[1] + f[3] / 2) for f in [i['frame'] for i in dump['springboard']['pages'][0]['icons'] if i['name'] == 'Box'])");
    // Looked at in the same write as the tap, before a fade could be over.
    answer = host.commandRightAfter("tap " + box.substr(1, box.size() - 2), "dump");
    EXPECT_EQ(dumpValue(answer, "dump['springboard']['openFolder']['name']"), "\"Box\"") << "the folder opened";
    EXPECT_EQ(faded(answer), "[]");
    EXPECT_EQ(dumpValue(answer, "qv['hiddenIcons']"), "[]");
    host.expectOk("close");
    host.expectOk("edit off");

    // A folder in the dock has no neighbours on the page.
    EXPECT_EQ(faded(host.commandRightAfter("open Tray", "dump")), "[]");
    host.expectOk("close");

    root.writeFile("/User/Library/Preferences/com.apple.Accessibility.plist",
        "<plist version=\"1.0\"><dict><key>ReduceMotionEnabled</key><true/></dict></plist>");
    EXPECT_EQ(faded(host.commandRightAfter("launch A3", "dump"), "A3"), "[]") << "Reduce Motion: nothing fades";
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(DrivenExtension, HoldingAnIconMarksExactlyTheFreeSlotsOnce)
{
    setPreference(QVEnablePlaceholdersKey, NSNumber::numberWithBool(true));
    SpringBoardHost host("iphone-4");
    // Ten icons on twelve slots: slots 10 and 11 are free.
    std::string expected = python("import json\ns = " + std::string(slotOrigins)
        + "\nprint(json.dumps([[[s[i][0], s[i][1], 60, 60], [str(i + 1)]] for i in (10, 11)]))");

    host.expectOk("hold A1");
    EXPECT_EQ(markers(host.command("dump")), expected);
    host.expectOk("release");
    EXPECT_EQ(markers(host.command("dump")), "[]");

    for (int hold = 0; hold < 4; ++hold) {
        host.expectOk("hold A1");
        host.expectOk("release");
    }
    host.expectOk("hold A2");
    host.command("hold A2");
    EXPECT_EQ(markers(host.command("dump")), expected) << "repeated holds leave one set";

    // SpringBoard closes the icons up while one is dragged: the markers go
    // and come back a tenth of a second later.
    host.expectOk("drag 250 300");
    host.expectOk("wait 300");
    EXPECT_EQ(markers(host.command("dump")), expected);
    host.expectOk("release");
    host.expectOk("edit off");
    EXPECT_EQ(markers(host.command("dump")), "[]");
    EXPECT_EQ(host.quit(), 0);
}

TEST_F(DrivenExtension, AnotherExtensionFindsTheQueryByNameAndGetsTheIconsInEachDirection)
{
    std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/QVXSupportClient.dylib",
        root.hostPath(kSubstrateLibraryFolder) / "QVXSupportClient.dylib");
    root.writeFile("/var/mobile/Library/QVXClient/Query.txt", "A3");
    observe("com.corvellan.test/QVX_ANSWERED");
    SpringBoardHost host("iphone-4");
    std::string answer = host.command("dump");

    post("com.corvellan.test/QVX_QUERY");
    ASSERT_TRUE(waitForNotification("com.corvellan.test/QVX_ANSWERED"));
    // The rules applied to the layout's origins: a lane of an icon's width
    // (up, down) or height (left, right) and the side.
    std::string expected = python(R"(import json, sys
board = json.loads(sys.stdin.read())['dump']['springboard']
icons = board['pages'][0]['icons']
w, h = icons[0]['frame'][2], icons[0]['frame'][3]
s = )" + std::string(slotOrigins) + R"(
o = s[3]
def takes(p, d):
    if d in (0, 1):
        return abs(p[0] - o[0]) <= w and (p[1] < o[1] if d == 0 else p[1] > o[1])
    if d in (2, 3):
        return abs(p[1] - o[1]) <= h and (p[0] < o[0] if d == 2 else p[0] > o[0])
    return False
for d in range(-1, 5):
    print('%d: %s' % (d, ','.join(icons[i]['name'] for i in range(len(icons)) if i != 3 and takes(s[i], d))))
)",
        answer);
    EXPECT_EQ(root.readFile("/var/mobile/Library/QVXClient/Answers.txt"), expected + "\n");
    EXPECT_EQ(expected, "-1: \n0: \n1: A8,Box\n2: A0,A1,A2\n3: A4,A5\n4: ");

    setPreference(QVEnableKey, NSNumber::numberWithBool(false));
    post(QVSettingsChangedNotification);
    waitForDumpValue(host, "qv['switches']['enabled']", "false");
    post("com.corvellan.test/QVX_QUERY");
    runFor(1.0);
    EXPECT_EQ(root.readFile("/var/mobile/Library/QVXClient/Answers.txt"), "-1: nil\n0: nil\n1: nil\n2: nil\n3: nil\n4: nil\n");
    EXPECT_EQ(host.quit(), 0);
}
