#pragma once

// The Settings host as the tests run it: a real process on a device root
// laid out by the install program (so that the Settings bundle is there),
// driven through its standard input, its answers read by Python's json
// module.

#include "testing/ChildProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <memory>
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
import json, sys
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
        , m_process(std::make_unique<qv::testing::ChildProcess>(std::vector<std::string> { qv::testing::buildDirectory() + "/bin/settings" }))
    {
    }

    // The answer line of a command.
    std::string command(const std::string& line)
    {
        EXPECT_TRUE(m_process->send(line)) << line;
        std::optional<std::string> answer = m_process->readLine();
        EXPECT_TRUE(answer) << "no answer to " << line;
        return answer.value_or("");
    }

    void expectOk(const std::string& line)
    {
        std::string answer = command(line);
        EXPECT_EQ(answer.rfind("{\"ok\":true", 0), 0u) << line << ": " << answer;
    }

    // The error a command fails with, or "ok".
    std::string errorOf(const std::string& line) { return python("a = json.loads(sys.stdin.read()); print(a.get('error', 'ok'))", command(line)); }

    // The rows of the page shown, flattened.
    std::vector<std::string> rows()
    {
        std::vector<std::string> lines;
        std::stringstream stream(python(flattenRows, command("rows")));
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }

    // Ends the host through its driver; its exit status.
    int quit()
    {
        m_process->send("quit");
        return m_process->finish();
    }

    qv::testing::ChildProcess& process() { return *m_process; }

private:
    static std::string python(const std::string& script, const std::string& input)
    {
        qv::testing::ProcessResult result = qv::testing::runPython("import json, sys\n" + script, {}, input);
        EXPECT_EQ(result.exitCode, 0) << result.errors << "\n" << input.substr(0, 2000);
        while (!result.output.empty() && result.output.back() == '\n')
            result.output.pop_back();
        return result.output;
    }

    qv::testing::ScopedEnvironment m_device;
    qv::testing::ScopedEnvironment m_driver;
    std::unique_ptr<qv::testing::ChildProcess> m_process;
};

} // namespace qv::settingstest
