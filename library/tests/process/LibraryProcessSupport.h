#pragma once

// The application as a real process on an installed device root, driven
// through its commands; what it shows is read from its dumps and from the
// files, by Python.
#include "model/QVLayoutKeys.h"
#include "testing/DrivenProcess.h"
#include "testing/InstalledDeviceRoot.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv::libraryprocess {

inline std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

inline std::string python(const std::string& script, const std::vector<std::string>& arguments = {}, const std::string& input = {})
{
    qv::testing::ProcessResult result = qv::testing::runPython(script, arguments, input);
    EXPECT_EQ(result.exitCode, 0) << result.errors << "\n" << script;
    return trimmed(result.output);
}

// A value of the application's dump: a Python expression over `lib` (the
// "library" section), `editor` and `dump`, printed as JSON.
inline std::string dumpValue(const std::string& answer, const std::string& expression)
{
    return python("import json, sys\nanswer = json.loads(sys.stdin.read())\nassert answer['ok'], answer\ndump = answer['dump']\n"
                  "lib = dump['library']\neditor = dump['editor']\nprint(json.dumps(" + expression + "))",
        {}, answer);
}

// The rows of a table in the library section, as "text|colour|marks".
inline const char* rowsOf(const char* table)
{
    static std::string expression;
    expression = std::string("['%s|%s%s%s' % (r['text'], r['colour'], '|check' if r['checked'] else '', '' if r['selectable'] else '|off') "
                             "for s in ")
        + table + "['sections'] for r in s['rows']]";
    return expression.c_str();
}

// An installed device (the install program's device root) with every
// tutorial card seen, and the application running on it.
class InstalledDevice {
public:
    // `preferences`: further keys of the application's domain, as XML.
    explicit InstalledDevice(const std::string& device, const std::string& preferences = {})
        : m_device("QV_DEVICE", device)
        , m_driver("QV_DRIVER", "stdin")
    {
        qv::testing::installDeviceRoot(root);
        std::filesystem::create_directories(root.hostPath(QVUserLayoutsFolder));
        std::string keys;
        for (const char* key : { "Welcome", "Quick-Actions", "Icon", "Options-Button", "Add-Icon-Button", "Save-Button", "Grid-Button",
                 "Image-Button", "Orientation", "Grid-View-Welcome", "Reset-Grid-Position", "Change-Grid-Dimensions", "Unlock-All-Icons",
                 "Fill-Grid", "Ignore-Icon-Touches" })
            keys += std::string("<key>Tutorial-") + key + "</key><true/>";
        root.writeFile("/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + keys + preferences + "</dict></plist>");
    }

    void startApplication()
    {
        m_app = std::make_unique<qv::testing::DrivenProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/Quilt Vane" });
        ok("wait 200");
    }
    std::string command(const std::string& line) { return m_app->command(line); }
    void ok(const std::string& line) { m_app->expectOk(line); }
    std::string value(const std::string& expression) { return dumpValue(command("dump"), expression); }
    // A value of the dump taken in the same write as the action, which must
    // succeed: a look at what the action started (a request on its way)
    // before its end can come.
    std::string valueRightAfter(const std::string& action, const std::string& expression)
    {
        return dumpValue(m_app->commandRightAfter(action, "dump"), expression);
    }
    int quit() { return m_app->quit(); }

    // Writes a layout file with plistlib: `count` icons along a diagonal
    // from (x, y) in both orientations of the 4-inch phone.
    void writeLayout(const std::string& devicePath, int count, int x, int y, bool madeByApplication = true, bool folder = false) const
    {
        python("import plistlib, sys\ncount, x, y = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])\n"
               "icons = [{'x': x + 10 * i, 'y': y + 15 * i, 'LockedIndex': -1} for i in range(count)]\n"
               "layout = {'Origins-4Inch': icons, 'Origins-4Inch-Landscape': icons}\n"
               "if sys.argv[5] == '1': layout['QV'] = True\n"
               "if sys.argv[6] == '1': layout['FolderLayout'] = True\n"
               "plistlib.dump(layout, open(sys.argv[1], 'wb'))",
            { root.hostPath(devicePath).string(), std::to_string(count), std::to_string(x), std::to_string(y), madeByApplication ? "1" : "0",
                folder ? "1" : "0" });
    }
    // A preference as plistlib reads the domain's file, as JSON.
    std::string storedPreference(const std::string& key) const
    {
        return python("import json, plistlib, sys\nprint(json.dumps(plistlib.load(open(sys.argv[1], 'rb')).get(sys.argv[2])))",
            { root.hostPath("/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist").string(), key });
    }
    bool exists(const std::string& devicePath) const { return std::filesystem::exists(root.hostPath(devicePath)); }

    qv::testing::TemporaryDeviceRoot root;

private:
    qv::testing::ScopedEnvironment m_device;
    qv::testing::ScopedEnvironment m_driver;
    std::unique_ptr<qv::testing::DrivenProcess> m_app;
};

inline std::string user(const std::string& name)
{
    return std::string(QVUserLayoutsFolder) + "/" + name;
}


} // namespace qv::libraryprocess
