#pragma once

// The whole system as a person uses it: a device root laid out by the
// install program, the SpringBoard host with the Quiltvane extension, the
// application and the Settings host, each a process of its own driven
// through its standard input. What the tests compare is what a person can
// see: the saved layout files and the preference file (read by Python's
// plistlib) and SpringBoard's icons (its dump, read by Python's json).

#include "hosts/quiltvane/tests/QuiltVaneTestSupport.h"
#include "model/QVPreferenceNames.h"
#include "testing/DrivenProcess.h"
#include "testing/InstalledDeviceRoot.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv::systemtest {

// A device profile and the key suffix its layouts are saved under.
struct DeviceCase {
    const char* profile;
    const char* suffix;
};

// Names the case in test output (instead of its bytes).
inline void PrintTo(const DeviceCase& device, std::ostream* out)
{
    *out << device.profile;
}

inline std::string originsKey(const DeviceCase& device, bool landscape)
{
    return std::string("Origins") + device.suffix + (landscape ? "-Landscape" : "");
}

inline constexpr const char* userLayoutsFolder = "/var/mobile/Library/Quiltvane/Layouts";
inline constexpr const char* sharedPreferencesPath = "/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist";

// Python's answer to a script; its output without the last line break. A
// failing script fails the test.
inline std::string python(const std::string& script, const std::vector<std::string>& arguments = {}, const std::string& input = {})
{
    qv::testing::ProcessResult result = qv::testing::runPython(script, arguments, input);
    EXPECT_EQ(result.exitCode, 0) << result.errors << "\n" << script;
    std::string output = result.output;
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

// Checks one list of SpringBoard's dump (on the standard input) against a
// saved layout file: icon i of the list must lie at entry i of the file's
// origins list, "x" and "y" less the 20 points of the status bar, and the
// list holds no more icons than the layout has slots. Arguments: the file,
// the origins key, then "page N" or "folder NAME N". Prints "placed N of M"
// for a list of M icons of which N were checked, then one line for each
// icon out of place.
inline const char* checkPlacement = R"(
import json, plistlib, sys
layout_path, key, kind = sys.argv[1:4]
answer = json.loads(sys.stdin.read())
board = answer["dump"]["springboard"]
if kind == "page":
    icons = board["pages"][int(sys.argv[4])]["icons"]
else:
    folder = [f for f in board["folders"] if f["name"] == sys.argv[4]][0]
    icons = folder["pages"][int(sys.argv[5])]["icons"]
with open(layout_path, "rb") as f:
    origins = plistlib.load(f)[key]
placed = min(len(origins), len(icons))
print("placed %d of %d" % (placed, len(icons)))
if len(icons) > len(origins):
    print("%d icons on a layout of %d slots" % (len(icons), len(origins)))
for index in range(placed):
    want = [int(origins[index]["x"]), int(origins[index]["y"]) - 20]
    got = icons[index]["frame"][:2]
    if got != want:
        print("%s at %s, the layout says %s" % (icons[index]["name"], got, want))
)";

// A simulated device with the system installed: the install program's
// device root, every tutorial card of the application seen, the profile
// chosen, the programs driven through their standard input.
class SimulatedDevice {
public:
    explicit SimulatedDevice(const char* profile)
        : m_profile("QV_DEVICE", profile)
    {
        qv::testing::installDeviceRoot(root);
        root.writeFile(sharedPreferencesPath, qv::quiltvanetest::preferencesWithTutorialSeen());
    }

    std::unique_ptr<qv::testing::DrivenProcess> startSpringBoard() const
    {
        auto springBoard = std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/springboard" });
        springBoard->expectOk("wait 200");
        return springBoard;
    }
    // The application as the install step laid it into the device root.
    std::unique_ptr<qv::testing::DrivenProcess> startApplication() const
    {
        auto application = std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { root.hostPath("/Applications/Quilt Vane.app/Quilt Vane").string() });
        application->expectOk("wait 300");
        return application;
    }
    std::unique_ptr<qv::testing::DrivenProcess> startSettings() const
    {
        return std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/settings" });
    }

    std::string layoutPath(const std::string& name) const
    {
        return root.hostPath(std::string(userLayoutsFolder) + "/" + name + ".plist").string();
    }

    // "placed N of M" and the icons out of place, for one list of a dump.
    static std::string placement(const std::string& dumpAnswer, const std::string& layoutPath, const std::string& key, const std::vector<std::string>& list)
    {
        std::vector<std::string> arguments { layoutPath, key };
        arguments.insert(arguments.end(), list.begin(), list.end());
        return python(checkPlacement, arguments, dumpAnswer);
    }

    // A preference of the shared domain as plistlib reads the file, as
    // Python's repr; the file must be whole.
    std::string sharedPreference(const std::string& key) const
    {
        return python("import plistlib, sys\nprint(repr(plistlib.load(open(sys.argv[1], 'rb')).get(sys.argv[2])))",
            { root.hostPath(sharedPreferencesPath).string(), key });
    }

    qv::testing::TemporaryDeviceRoot root;

private:
    qv::testing::ScopedEnvironment m_profile;
    qv::testing::ScopedEnvironment m_driver { "QV_DRIVER", "stdin" };
};

// A value of a program's dump: a Python expression over `dump`, printed as
// JSON.
inline std::string dumpValue(qv::testing::DrivenProcess& program, const std::string& expression)
{
    return program.answerThroughPython("dump = json.loads(sys.stdin.read())['dump']\nprint(json.dumps(" + expression + "))", "dump");
}

// Runs SpringBoard's main run loop until its extension holds the reference
// under the key, for at most ten seconds.
inline bool waitForReference(qv::testing::DrivenProcess& springBoard, const std::string& key, const std::string& reference)
{
    for (int wait = 0; wait < 100; ++wait) {
        if (dumpValue(springBoard, "dump['quiltvane']['references'].get('" + key + "')") == "\"" + reference + "\"")
            return true;
        springBoard.expectOk("wait 100");
    }
    return false;
}

// Runs the Settings app's main run loop until the page of the title shows,
// for at most five seconds.
inline bool settingsPageBecomes(qv::testing::DrivenProcess& settings, const std::string& title)
{
    for (int wait = 0; wait < 100; ++wait) {
        if (settings.answerThroughPython("print(json.loads(sys.stdin.read()).get('title', ''))", "table") == title)
            return true;
        settings.expectOk("wait 50");
    }
    ADD_FAILURE() << "the Settings page " << title << " never showed";
    return false;
}

// One choice on the Settings app's layout picker: the layout's row, the
// button of its sheet ("Apply to Homescreen", "Apply to Folders") and the
// taps on the apply screen.
struct SettingsChoice {
    std::string layoutFile;
    std::string sheetButton;
    std::vector<std::string> taps;
};

// The Settings app as the owner uses it: started on the device, the
// Quiltvane page open and switched on.
class SettingsApp {
public:
    explicit SettingsApp(const SimulatedDevice& device)
        : m_settings(device.startSettings())
    {
        m_settings->expectOk("open Quiltvane");
        switchOn("Enable");
    }

    // Applies layouts as their owner does: folder layouts switched on when
    // asked, each choice made on the picker and its apply screen, then
    // Save; `afterSave` runs as soon as Save has been tapped. The page
    // ends on the Quiltvane page again.
    void apply(const std::vector<SettingsChoice>& choices, bool folderLayouts = false, const std::function<void()>& afterSave = {})
    {
        if (folderLayouts)
            switchOn("Folder Layouts");
        m_settings->expectOk("select Layouts");
        ASSERT_TRUE(settingsPageBecomes(*m_settings, "Layouts"));
        for (const SettingsChoice& choice : choices) {
            m_settings->expectOk("rowtitle " + choice.layoutFile);
            m_settings->expectOk("sheet " + choice.sheetButton);
            ASSERT_TRUE(settingsPageBecomes(*m_settings, "Apply " + choice.layoutFile));
            for (const std::string& tap : choice.taps) {
                // A folder's row comes with SpringBoard's answer to the
                // picker's folder list request, which the screen shows as
                // soon as it arrives.
                if (choice.sheetButton == "Apply to Folders" && tap.rfind("rowtitle ", 0) == 0) {
                    ASSERT_TRUE(rowShows(tap.substr(9)));
                }
                m_settings->expectOk(tap);
            }
            m_settings->expectOk("back");
            ASSERT_TRUE(settingsPageBecomes(*m_settings, "Layouts"));
        }
        m_settings->expectOk("baritem Save");
        if (afterSave)
            afterSave();
        m_settings->expectOk("back");
        ASSERT_TRUE(quiltvanePageShows());
    }

    // The program, for a step of the owner's own.
    qv::testing::DrivenProcess& program() { return *m_settings; }
    int quit() { return m_settings->quit(); }

private:
    // Taps a switch of the Quiltvane page that is off.
    void switchOn(const std::string& label)
    {
        if (m_settings->answerThroughPython("print([r.get('value') for r in json.loads(sys.stdin.read())['rows'] if r['label'] == '" + label + "'])", "rows")
            != "[True]")
            m_settings->expectOk("toggle " + label);
    }
    // Runs the main run loop until the Quiltvane page is back on the
    // screen, for at most five seconds.
    bool quiltvanePageShows()
    {
        for (int wait = 0; wait < 100; ++wait) {
            if (m_settings->answerThroughPython("print(json.loads(sys.stdin.read()).get('page', ''))", "rows") == "QuiltvanePrefsListController")
                return true;
            m_settings->expectOk("wait 50");
        }
        ADD_FAILURE() << "the Quiltvane page never came back";
        return false;
    }
    // Runs the main run loop until the page shown has a row of the text,
    // for at most ten seconds.
    bool rowShows(const std::string& text)
    {
        for (int wait = 0; wait < 200; ++wait) {
            if (m_settings->answerThroughPython("print(any(c['text'] == '" + text + "' for c in json.loads(sys.stdin.read())['cells']))", "table") == "True")
                return true;
            m_settings->expectOk("wait 50");
        }
        ADD_FAILURE() << "the row " << text << " never showed";
        return false;
    }

    std::unique_ptr<qv::testing::DrivenProcess> m_settings;
};

// Applies layouts from a Settings app started for them and ended after.
inline void applyFromSettings(const SimulatedDevice& device, const std::vector<SettingsChoice>& choices, bool folderLayouts = false)
{
    SettingsApp settings(device);
    ASSERT_NO_FATAL_FAILURE(settings.apply(choices, folderLayouts));
    EXPECT_EQ(settings.quit(), 0);
}

inline std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Draws icons in the editor, in the orientation it shows: one icon for each
// point (the first is the editor's only icon, when it shows just one), each
// dragged by its centre until its top-left corner is near the point.
inline void drawIcons(qv::testing::DrivenProcess& application, const std::vector<std::pair<int, int>>& points)
{
    const bool oneWaiting = dumpValue(application, "len(dump['editor']['icons'])") == "1";
    for (size_t index = 0; index < points.size(); ++index) {
        if (index > 0 || !oneWaiting)
            application.expectOk("button +");
        // The newest icon, where the editor put it.
        const std::string frame = dumpValue(application, "max(dump['editor']['icons'], key=lambda icon: icon['number'])['frame']");
        double x = 0, y = 0, width = 0, height = 0;
        ASSERT_EQ(std::sscanf(frame.c_str(), "[%lf, %lf, %lf, %lf]", &x, &y, &width, &height), 4) << frame;
        const double startX = x + width / 2, startY = y + height / 2;
        const double endX = points[index].first + width / 2, endY = points[index].second + height / 2;
        // One write: a pause of a busy machine between the finger's down and
        // its move would be a hold, which opens the icon's sheet instead.
        application.expectOkAtOnce({ "down " + number(startX) + " " + number(startY),
            "move " + number((startX + endX) / 2) + " " + number((startY + endY) / 2), "move " + number(endX) + " " + number(endY), "up" });
        application.expectOk("wait 50");
    }
}

// Saves the editor's layout under the name through its Save button, both
// orientations; the application must say it was saved.
inline void saveInEditor(qv::testing::DrivenProcess& application, const std::string& name)
{
    application.expectOk("button Save");
    application.expectOk("sheet Save Portrait & Landscape");
    application.expectOk("type " + name);
    application.expectOk("alert Save");
    EXPECT_EQ(dumpValue(application, "[m['title'] for m in dump['modalViews']]"), "[\"Saved\"]");
    application.expectOk("alert Ok");
}

} // namespace qv::systemtest
