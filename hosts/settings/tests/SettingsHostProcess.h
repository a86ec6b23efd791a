#pragma once

// The Settings host as the tests run it: a real process on a device root
// laid out by the install program (so that the Settings bundle is there),
// driven through its standard input, its answers read by Python's json
// module.

#include "testing/DrivenProgram.h"
#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace qv::settingstest {

// Lays out the device root the tests run on, as the install program does.
inline void installDeviceRoot(const qv::testing::TemporaryDeviceRoot& root)
{
    qv::testing::ProcessResult result = qv::testing::runProcess({ qv::testing::buildDirectory() + "/bin/qv-install-root", root.path().string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
}

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
class SettingsHost : public qv::testing::DrivenProgram {
public:
    explicit SettingsHost(const std::string& device = "iphone-4") : DrivenProgram("settings", device) { }

    // The rows of the page shown, flattened.
    std::vector<std::string> rows()
    {
        std::vector<std::string> lines;
        std::stringstream stream(answerThroughPython(flattenRows, "rows"));
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }
};

} // namespace qv::settingstest
