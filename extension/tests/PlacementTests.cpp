// Where the icons land with the extension loaded by the real SpringBoard
// host, on every device profile and in both orientations: the home-screen
// pages at the applied layout's origins, folder pages at their folder's
// layout (a home-screen layout shown in a folder scaled to the folder's
// background), and the dock and the newsstand where SpringBoard puts them.
// The expected origins come from the layout files as Python's plistlib
// reads them and from the arithmetic of the layout rules.

#include "ExtensionHostTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "platform/Foundation/NSNumber.h"
#include "platform/SpringBoard/SpringBoardTypes.h"
#include "platform/UIKit/DeviceProfile.h"

using namespace qv;
using namespace qv::extensiontest;

namespace {

struct Device {
    const char* profile;
    const char* suffix;
};

void PrintTo(const Device& device, std::ostream* stream)
{
    *stream << device.profile;
}

const Device devices[] = {
    { "iphone-3.5", "-3_5Inch" },
    { "iphone-4", "-4Inch" },
    { "iphone-4.7", "-4_7Inch" },
    { "iphone-5.5", "-5_5Inch" },
    { "ipad", "-iPad" },
};

// Layouts with origins of their own for every device and orientation: the
// home-screen layout with 24 slots, the folder layout with 12.
const char* homeLayout = "{'QV': True, **{'Origins' + s + l: [{'x': 12 + 5 * i + d, 'y': 60 + 17 * i + 3 * d, 'LockedIndex': -1} for i in range(24)] "
                         "for d, (s, l) in enumerate((s, l) for s in ('-3_5Inch', '-4Inch', '-4_7Inch', '-5_5Inch', '-iPad') for l in ('', '-Landscape'))}}";
const char* folderLayout = "{'QV': True, 'FolderLayout': True, **{'Origins' + s + l: [{'x': 20 + 9 * i + d, 'y': 30 + 11 * i + 2 * d, 'LockedIndex': -1} "
                           "for i in range(12)] for d, (s, l) in enumerate((s, l) for s in ('-3_5Inch', '-4Inch', '-4_7Inch', '-5_5Inch', '-iPad') "
                           "for l in ('', '-Landscape'))}}";

// Checks a dump against the rules; prints the places that differ, nothing
// when all agree (and every kind of list held icons to compare). Its argument is a JSON object of the files, the origins
// key and SpringBoard's own numbers.
const char* placementCheck = R"(
import json, plistlib, struct, sys
p = json.loads(sys.argv[1])
board = json.loads(sys.stdin.read())['dump']['springboard']
def f32(v):
    return struct.unpack('f', struct.pack('f', v))[0]
def slots(path):
    # Entry i: its x, and its y less 20, in single precision.
    return [[f32(e['x']), f32(f32(e['y']) - 20.0)] for e in plistlib.load(open(path, 'rb'))[p['key']]]
def scaled(points):
    sx = f32(p['background'][0] / p['content'][0])
    sy = f32(p['background'][1] / p['content'][1])
    return [[sx * x - 5.0, sy * y] for x, y in points]
problems = []
compared = set()
def check(label, entry, expected):
    for i, icon in enumerate(entry['icons']):
        compared.add(label)
        got = icon['frame'][:2]
        if i >= len(expected) or got != expected[i]:
            problems.append('%s %s: %s, expected %s' % (label, icon['name'], got, expected[i] if i < len(expected) else 'none'))
home = slots(p['home'])
for index, page in enumerate(board['pages']):
    check('page%d' % index, page, home)
check('dock', board['dock'], p['dock'])
for folder in board['folders']:
    if folder['kind'] == 'newsstand' or not p['folderLayouts']:
        expected = p['folderStock']
    elif folder['name'] == 'Utilities':
        expected = slots(p['folder'])
    elif folder['name'] == 'Games':
        expected = scaled(home)
    else:
        expected = slots(p['defaultFolder'])
    for index, page in enumerate(folder['pages']):
        check('%s:%d' % (folder['name'], index), page, expected)
# Every kind of list was looked at: the pages, the dock, each folder's pages.
if len(compared) < 8:
    problems.append('only %s compared' % sorted(compared))
if problems:
    print('\n'.join(problems[:12]))
)";

std::string pointList(const std::vector<CGPoint>& points)
{
    std::string text = "[";
    for (const CGPoint& point : points)
        text += (text.size() > 1 ? ", [" : "[") + std::to_string(point.x) + ", " + std::to_string(point.y) + "]";
    return text + "]";
}

class Placement : public ExtensionHostTest, public ::testing::WithParamInterface<Device> {
protected:
    void SetUp() override
    {
        ExtensionHostTest::SetUp();
        writeLayout(userPath("Home.plist"), homeLayout);
        writeLayout(userPath("Folder.plist"), folderLayout);
        setPreference(QVEnableKey, NSNumber::numberWithBool(true));
        setPreference(QVEnableFolderLayoutsKey, NSNumber::numberWithBool(true));
        setPreference(QVCurrentLayoutKey, NSString::create("Home.plist//USER"));
        setPreference(QVFolderLayoutPreferenceKey("Utilities"), NSString::create("Folder.plist//USER"));
        setPreference(QVFolderLayoutPreferenceKey("Games"), NSString::create("Home.plist//USER"));
    }

    static std::string userPath(const std::string& name) { return std::string(QVUserLayoutsFolder) + "/" + name; }

    // The differences between the dump and the rules, for an orientation.
    std::string placementProblems(SpringBoardHost& host, bool landscape, bool folderLayouts)
    {
        const Device& device = GetParam();
        auto profile = DeviceProfile::named(device.profile);
        EXPECT_TRUE(profile);
        applyDeviceProfile(*profile);
        const SBIconGridMetrics& metrics = SBCurrentGridMetrics();
        SBGridOrientation orientation = landscape ? SBGridOrientation::Landscape : SBGridOrientation::Portrait;
        std::vector<CGPoint> dock, folderStock;
        for (uint64_t index = 0; index < 12; ++index) {
            dock.push_back(metrics.dock(orientation).originForIconAtIndex(index));
            folderStock.push_back(metrics.folderPage(orientation).originForIconAtIndex(index));
        }
        CGSize background = metrics.folderBackgroundSize();
        CGSize content = metrics.screenSize(orientation);
        std::string key = std::string("Origins") + device.suffix + (landscape ? "-Landscape" : "");
        std::string parameters = "{\"key\": \"" + key + "\", \"home\": \"" + root.hostPath(userPath("Home.plist")).string() + "\", \"folder\": \""
            + root.hostPath(userPath("Folder.plist")).string() + "\", \"defaultFolder\": \""
            + root.hostPath(std::string(QVDefaultLayoutsFolder) + "/Default Folder.plist").string() + "\", \"dock\": " + pointList(dock)
            + ", \"folderStock\": " + pointList(folderStock) + ", \"background\": [" + std::to_string(background.width) + ", "
            + std::to_string(background.height) + "], \"content\": [" + std::to_string(content.width) + ", " + std::to_string(content.height)
            + "], \"folderLayouts\": " + (folderLayouts ? "true" : "false") + "}";
        qv::testing::ProcessResult result = qv::testing::runPython(placementCheck, { parameters }, host.command("dump"));
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }

    void switchFolderLayouts(SpringBoardHost& host, bool on)
    {
        setPreference(QVEnableFolderLayoutsKey, NSNumber::numberWithBool(on));
        post(QVSettingsChangedNotification);
        EXPECT_EQ(waitForDumpValue(host, "qv['switches']['folderLayoutsEnabled']", on ? "true" : "false"), on ? "true" : "false");
    }
};

} // namespace

TEST_P(Placement, EveryIconLandsWhereItsLayoutSaysInBothOrientations)
{
    SpringBoardHost host(GetParam().profile);
    EXPECT_EQ(placementProblems(host, false, true), "");

    // Folder layouts off: the folder pages are SpringBoard's again (laid out
    // anew when the screen turns).
    switchFolderLayouts(host, false);
    host.expectOk("rotate landscaperight");
    EXPECT_EQ(placementProblems(host, true, false), "");

    switchFolderLayouts(host, true);
    host.expectOk("rotate landscapeleft");
    EXPECT_EQ(placementProblems(host, true, true), "");
    EXPECT_EQ(host.quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, Placement, ::testing::ValuesIn(devices),
    [](const ::testing::TestParamInfo<Device>& info) {
        std::string name = info.param.profile;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });
