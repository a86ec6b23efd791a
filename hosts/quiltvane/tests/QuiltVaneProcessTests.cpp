// The application as a real process on a device root, driven through its
// standard input; what it shows is read from its dump by Python.
#include "QuiltVaneTestSupport.h"
#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <vector>

using namespace qv;

namespace {

// Flattens the answer of "dump" into "key<TAB>value" lines: the editor's
// state, its grid, each icon ("icon<N>": x y width height lockedIndex
// selected panel) and button, and the top modal view's buttons.
const char* flattenDump = R"(
import json, sys
answer = json.loads(sys.stdin.read())
dump = answer["dump"]
editor = dump["editor"]
def n(value):
    return "%g" % value
def out(key, *values):
    print(key + "\t" + " ".join(str(v) for v in values))
out("orientation", editor["orientation"])
out("view", *map(n, editor["viewFrame"]))
out("defaultIcon", *map(n, editor["defaultIconFrame"]))
grid = editor["grid"]
out("grid", int(grid["shown"]), *map(n, grid["frame"]))
out("gridSize", n(grid["columns"]), n(grid["rows"]), grid["slots"])
out("snap", int(grid["snapToGrid"]))
out("sizePanel", int(grid["sizePanelShowing"]))
out("icons", len(editor["icons"]))
for icon in editor["icons"]:
    out("icon%d" % icon["number"], *map(n, icon["frame"]), icon["lockedIndex"], int(icon["selected"]), int(icon["positionPanelShowing"]))
out("caches", editor["portraitCache"], editor["landscapeCache"])
for name, button in editor["buttons"].items():
    out("button" + name, *map(n, button["frame"]), n(button["alpha"]))
modals = dump["modalViews"]
out("modal", "|".join(modals[-1]["buttons"]) if modals else "")
)";

// The running application on its own device root, every tutorial card
// marked as seen.
class QuiltVaneProcess {
public:
    explicit QuiltVaneProcess(const std::string& device)
        : m_device("QV_DEVICE", device)
        , m_driver("QV_DRIVER", "stdin")
    {
        root.writeFile(qv::quiltvanetest::preferencesPath, qv::quiltvanetest::preferencesWithTutorialSeen());
        m_process = std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/Quilt Vane" });
    }

    std::string command(const std::string& line) { return m_process->command(line); }
    void expectOk(const std::string& line) { m_process->expectOk(line); }
    void expectOkAtOnce(const std::vector<std::string>& lines) { m_process->expectOkAtOnce(lines); }

    std::map<std::string, std::string> dump()
    {
        const std::string answer = command("dump");
        qv::testing::ProcessResult parsed = qv::testing::runPython(flattenDump, {}, answer);
        EXPECT_EQ(parsed.exitCode, 0) << parsed.errors << "\n" << answer.substr(0, 2000);
        std::map<std::string, std::string> values;
        std::stringstream stream(parsed.output);
        for (std::string line; std::getline(stream, line);) {
            const size_t tab = line.find('\t');
            if (tab != std::string::npos)
                values[line.substr(0, tab)] = line.substr(tab + 1);
        }
        return values;
    }

    std::string plistlibJSON(const std::string& devicePath)
    {
        qv::testing::ProcessResult result = qv::testing::runPython(
            "import json, plistlib, sys\nwith open(sys.argv[1], 'rb') as f:\n    print(json.dumps(plistlib.load(f), sort_keys=True))\n",
            { root.hostPath(devicePath).string() });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }

    int quit()
    {
        return m_process->quit();
    }

    qv::testing::TemporaryDeviceRoot root;

private:
    qv::testing::ScopedEnvironment m_device;
    qv::testing::ScopedEnvironment m_driver;
    std::unique_ptr<qv::testing::DrivenProcess> m_process;
};

struct DeviceCase {
    const char* profile;
    double width;
    double height;
    double iconWidth;
    double iconHeight;
    const char* gridSize;
    const char* suffix;
};

class QuiltVaneProcessTest : public ::testing::TestWithParam<DeviceCase> { };

std::string number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

// A session on the phone and the iPad: icons added, dragged and snapped to
// the shown grid, one moved to exact coordinates, the options sheet and the
// grid size popover, a turn to landscape and back, and the layout written.
TEST_P(QuiltVaneProcessTest, EditingSession)
{
    const DeviceCase& device = GetParam();
    QuiltVaneProcess app(device.profile);
    app.expectOk("wait 300");
    std::map<std::string, std::string> state = app.dump();
    const double iconX = device.width / 2 - device.iconWidth / 2;
    EXPECT_EQ(state["orientation"], "1");
    EXPECT_EQ(state["view"], "0 0 " + number(device.width) + " " + number(device.height));
    EXPECT_EQ(state["icons"], "1");
    EXPECT_EQ(state["icon1"], number(iconX) + " 30 " + number(device.iconWidth) + " " + number(device.iconHeight) + " -1 0 0");
    EXPECT_EQ(state["buttonDone"].substr(state["buttonDone"].rfind(' ') + 1), "0");

    app.expectOk("button +");
    app.expectOk("button Grid");
    app.expectOk("sheet Show Grid");
    app.expectOk("wait 400");
    state = app.dump();
    EXPECT_EQ(state["icons"], "2");
    EXPECT_EQ(state["grid"].substr(0, 2), "1 ");
    EXPECT_EQ(state["snap"], "1");

    // Icon 2 (on top) dragged down and to the left snaps to the slot of the
    // second row, first column, and is glued to it. The drag goes in one
    // write: a pause between the finger's down and its move would be a hold.
    const double centreX = iconX + device.iconWidth / 2;
    app.expectOkAtOnce({ "down " + number(centreX) + " 60", "move " + number(centreX - 100) + " 200",
        "move 40 " + number(60 + (device.height - 44 - device.iconHeight + 40) / 3), "up" });
    app.expectOk("wait 400");
    state = app.dump();
    std::istringstream snapped(state["icon2"]);
    double x, y, width, height;
    int locked;
    snapped >> x >> y >> width >> height >> locked;
    EXPECT_GE(locked, 0) << state["icon2"];
    EXPECT_EQ(locked % static_cast<int>(std::stod(state["gridSize"])), 0) << "first column: " << state["icon2"] << " on " << state["gridSize"];

    // Icon 1: a hold opens its sheet; "Set Icon Position" and typing move it.
    app.expectOkAtOnce({ "down " + number(centreX) + " 60", "wait 600" });
    EXPECT_EQ(app.dump()["modal"], "Delete|Swap Icon|Set Icon Position|Cancel");
    app.expectOk("sheet Set Icon Position");
    app.expectOk("backspace");
    app.expectOk("backspace");
    app.expectOk("backspace");
    app.expectOk("type 50");
    state = app.dump();
    EXPECT_EQ(state["icon1"].substr(0, 3), "50 ") << state["icon1"];
    EXPECT_EQ(state["icon1"].back(), '1') << "the position panel shows";
    // A touch on the canvas above the grid closes the panel.
    app.expectOk("tap 5 5");
    EXPECT_EQ(app.dump()["icon1"].back(), '0');

    app.expectOk("button Options");
    EXPECT_EQ(app.dump()["modal"], "Show Delete On Icons|Show Icon Labels|View Tutorial|Enable Folder Mode|Cancel");
    app.expectOk("sheet Cancel");
    app.expectOk("button Grid");
    app.expectOk(std::string("sheet Change Grid Size (") + device.gridSize + ")");
    app.expectOk("wait 400");
    EXPECT_EQ(app.dump()["sizePanel"], "1");

    const std::string portraitIcon2 = app.dump()["icon2"];
    app.expectOk("rotate landscapeleft");
    app.expectOk("wait 600");
    state = app.dump();
    EXPECT_EQ(state["orientation"], "4");
    EXPECT_EQ(state["view"], "0 0 " + number(device.height) + " " + number(device.width));
    EXPECT_EQ(state["icons"], "1");
    EXPECT_EQ(state["caches"], "2 0");
    EXPECT_EQ(state["buttonImage"].substr(0, state["buttonImage"].find(' ')), number(device.height - 70));
    app.expectOk("rotate portrait");
    app.expectOk("wait 600");
    state = app.dump();
    EXPECT_EQ(state["icons"], "2");
    // Still glued to its slot; the grid put its centre back on the slot's.
    std::istringstream back(state["icon2"]);
    double backX, backY;
    int backLocked;
    back >> backX >> backY >> width >> height >> backLocked;
    EXPECT_EQ(backLocked, locked);
    EXPECT_NEAR(backX, x, 1) << portraitIcon2;
    EXPECT_NEAR(backY, y, 1) << portraitIcon2;
    EXPECT_EQ(state["caches"], "2 1");

    app.expectOk("writelayout Session both");
    const std::string json = app.plistlibJSON("/var/mobile/Library/Quiltvane/Layouts/Session.plist");
    const std::string suffix = device.suffix;
    EXPECT_NE(json.find("\"Origins" + suffix + "\": [{\"LockedIndex\": -1, \"x\": 50, \"y\": 30}, {\"LockedIndex\": " + std::to_string(locked)), std::string::npos) << json;
    EXPECT_NE(json.find("\"Origins" + suffix + "-Landscape\": [{\"LockedIndex\": -1, \"x\": "), std::string::npos) << json;
    EXPECT_NE(json.find("\"GridSize" + suffix + "\": {\"Dimensions-Height\": "), std::string::npos) << json;
    EXPECT_NE(json.find("\"FolderLayout\": false"), std::string::npos);
    EXPECT_EQ(app.quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, QuiltVaneProcessTest,
    ::testing::Values(DeviceCase { "iphone-4", 320, 568, 59, 60, "5 x 6", "-4Inch" }, DeviceCase { "ipad", 768, 1024, 79, 80, "8 x 8", "-iPad" }),
    [](const auto& info) { return std::string(info.param.profile) == "ipad" ? "iPad" : "iPhone4"; });
