#pragma once

// The SpringBoard host as the tests run it: a real process on the test's
// device root, driven through its standard input, its dump read back by
// Python's json module.

#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qv::sbhosttest {

// Flattens the "springboard" section of a dump answer into lines of
// tab-separated fields:
//   state <key> <JSON value>
//   capacity <class> <count>
//   list <label> <class> <x> <y> <width> <height> <orientation> <hidden>
//   icon <label> <name> <x> <y> <width> <height> <alpha>
//   view <label> <class> <x> <y> <width> <height> <alpha>
// where the label is "page<i>", "dock" or "<folder>:<i>"; or "error <why>".
inline const char* flattenDump = R"(
import json, sys
answer = json.loads(sys.stdin.read())
if not answer["ok"]:
    print("error\t" + answer["error"])
    sys.exit()
board = answer["dump"]["springboard"]
def out(*fields):
    print("\t".join(str(field) for field in fields))
def number(value):
    return "%g" % value
def rect(frame):
    return [number(value) for value in frame]
def write_list(label, entry):
    out("list", label, entry["class"], *rect(entry["frame"]), entry["orientation"], int(entry["hidden"]))
    for icon in entry["icons"]:
        out("icon", label, icon["name"], *rect(icon["frame"]), number(icon["alpha"]))
    for view in entry["views"]:
        out("view", label, view["class"], *rect(view["frame"]), number(view["alpha"]))
for key in ("finishedLaunching", "locked", "orientation", "editing", "currentPage", "grabbedIcon", "lastLaunchedApplication"):
    out("state", key, json.dumps(board[key]))
open_folder = board["openFolder"]
out("state", "openFolder", json.dumps(open_folder["name"] if open_folder else None))
for name, count in board["capacity"].items():
    out("capacity", name, count)
for index, page in enumerate(board["pages"]):
    write_list("page%d" % index, page)
write_list("dock", board["dock"])
for folder in board["folders"]:
    for index, page in enumerate(folder["pages"]):
        write_list("%s:%d" % (folder["name"], index), page)
)";

using Fields = std::vector<std::string>;

inline Fields splitFields(const std::string& line)
{
    Fields fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');)
        fields.push_back(field);
    return fields;
}

// One running host.
class SpringBoardHost {
public:
    explicit SpringBoardHost(const std::string& device)
        : m_device("QV_DEVICE", device)
        , m_driver("QV_DRIVER", "stdin")
        , m_process(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/springboard" })
    {
    }

    // The answer line of a command.
    std::string command(const std::string& line) { return m_process.command(line); }

    // Runs a command that must succeed.
    void expectOk(const std::string& line) { m_process.expectOk(line); }

    // Runs `first`, which must succeed, and `line` before the host's run
    // loop does anything else; the answer line of `line`.
    std::string commandRightAfter(const std::string& first, const std::string& line) { return m_process.commandRightAfter(first, line); }

    // Runs the commands, each of which must succeed, written at once (a
    // touch's down, moves and up); the dump right after them, flattened.
    std::vector<Fields> dumpRightAfter(const std::vector<std::string>& commands)
    {
        return flattened(m_process.commandRightAfterAll(commands, "dump"));
    }

    // The error a command must fail with.
    std::string errorOf(const std::string& line) { return m_process.errorOf(line); }

    // The dump, flattened by Python.
    std::vector<Fields> dump()
    {
        return flattened(command("dump"));
    }

    // Ends the host through its driver; its exit status.
    int quit()
    {
        return m_process.quit();
    }

private:
    static std::vector<Fields> flattened(const std::string& answer)
    {
        qv::testing::ProcessResult parsed = qv::testing::runPython(flattenDump, {}, answer);
        EXPECT_EQ(parsed.exitCode, 0) << parsed.errors << "\n" << answer.substr(0, 2000);
        std::vector<Fields> lines;
        std::stringstream stream(parsed.output);
        for (std::string line; std::getline(stream, line);)
            lines.push_back(splitFields(line));
        return lines;
    }

    qv::testing::ScopedEnvironment m_device;
    qv::testing::ScopedEnvironment m_driver;
    qv::testing::DrivenProcess m_process;
};

// The lines of a flattened dump by kind, keyed by their first fields.
class DumpView {
public:
    explicit DumpView(const std::vector<Fields>& lines) : m_lines(lines) {}

    // "state" lines: the JSON text of the value.
    std::string state(const std::string& key) const { return valueOf("state", key, 2); }
    std::string capacity(const std::string& listClass) const { return valueOf("capacity", listClass, 2); }
    // The icon's frame and alpha, "x y width height alpha", in the list.
    std::string icon(const std::string& label, const std::string& name) const
    {
        for (const Fields& line : m_lines) {
            if (line.size() == 8 && line[0] == "icon" && line[1] == label && line[2] == name)
                return line[3] + " " + line[4] + " " + line[5] + " " + line[6] + " " + line[7];
        }
        return "<no icon " + name + " on " + label + ">";
    }
    // The names on a list, in slot order.
    std::vector<std::string> iconNames(const std::string& label) const
    {
        std::vector<std::string> names;
        for (const Fields& line : m_lines) {
            if (line.size() >= 3 && line[0] == "icon" && line[1] == label)
                names.push_back(line[2]);
        }
        return names;
    }
    // Every line of the kind.
    std::vector<Fields> linesOf(const std::string& kind) const
    {
        std::vector<Fields> found;
        for (const Fields& line : m_lines) {
            if (!line.empty() && line[0] == kind)
                found.push_back(line);
        }
        return found;
    }

private:
    std::string valueOf(const std::string& kind, const std::string& key, size_t index) const
    {
        for (const Fields& line : m_lines) {
            if (line.size() > index && line[0] == kind && line[1] == key)
                return line[index];
        }
        return "<missing " + kind + " " + key + ">";
    }

    std::vector<Fields> m_lines;
};

} // namespace qv::sbhosttest
