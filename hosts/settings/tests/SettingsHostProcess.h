#pragma once

// The Settings host as the tests run it: a real process on a device root
// laid out by the install program (so that the Settings bundle is there),
// driven through its standard input, its answers read by Python's json
// module.

#include "testing/DrivenProcess.h"
#include "testing/InstalledDeviceRoot.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace qv::settingstest {

using qv::testing::installDeviceRoot;

// The answer's rows, one line each: "<cell> <label>", and for a switch
// "=true" or "=false" after the label; or "error <why>".
inline const char* flattenRows = R"(
answer = json.loads(sys.stdin.read())
if not answer["ok"]:
    print("error " + answer["error"])
    sys.exit()
for row in answer["rows"]:
    line = row["cell"] + " " + row["label"]
    if row["cell"] == "switch":
        line += "=" + json.dumps(row["value"])
    print(line)
)";

// One running Settings host.
class SettingsHost {
public:
    explicit SettingsHost(const std::string& device = "iphone-4")
        : m_device("QV_DEVICE", device)
        , m_driver("QV_DRIVER", "stdin")
        , m_process(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/settings" })
    {
    }

    std::string command(const std::string& line) { return m_process.command(line); }
    void expectOk(const std::string& line) { m_process.expectOk(line); }
    std::string errorOf(const std::string& line) { return m_process.errorOf(line); }
    std::string answerThroughPython(const std::string& script, const std::string& line) { return m_process.answerThroughPython(script, line); }
    int quit() { return m_process.quit(); }

    // The rows of the page shown, flattened.
    std::vector<std::string> rows()
    {
        std::vector<std::string> lines;
        std::stringstream stream(answerThroughPython(flattenRows, "rows"));
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }

private:
    qv::testing::ScopedEnvironment m_device;
    qv::testing::ScopedEnvironment m_driver;
    qv::testing::DrivenProcess m_process;
};

} // namespace qv::settingstest
