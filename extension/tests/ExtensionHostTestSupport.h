#pragma once

// The extension as SpringBoard runs it: the real SpringBoard host, a
// separate process, on a temporary device root that holds the default
// layouts and the Quiltvane library in the substrate folder. The test
// process plays the other deliverables: it writes the shared preferences,
// posts and observes Darwin notifications, and reads files with Python.

#include "hosts/install/DefaultLayouts.h"
#include "hosts/springboard/tests/SpringBoardHostProcess.h"
#include "model/QVLayoutKeys.h"
#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/objc/DynamicLibraries.h"
#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qv::extensiontest {

using qv::sbhosttest::SpringBoardHost;

// Runs Python with the text on its standard input; its output without the
// last line break. A failing script fails the test.
inline std::string python(const std::string& script, const std::string& input = {})
{
    qv::testing::ProcessResult result = qv::testing::runPython(script, {}, input);
    EXPECT_EQ(result.exitCode, 0) << result.errors << "\n" << script;
    std::string output = result.output;
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

// A value of the host's dump: a Python expression over `dump` (the answer's
// "dump" object) and `qv` (its "quiltvane" section), printed as JSON.
inline std::string dumpValue(const std::string& answer, const std::string& expression)
{
    return python("import json, plistlib, sys\nanswer = json.loads(sys.stdin.read())\ndump = answer['dump']\nqv = dump.get('quiltvane')\nprint(json.dumps("
            + expression + "))",
        answer);
}

class ExtensionHostTest : public ::testing::Test {
protected:
    qv::testing::TemporaryDeviceRoot root;

    void SetUp() override
    {
        ASSERT_TRUE(installDefaultLayouts());
        std::filesystem::path substrate = root.hostPath(kSubstrateLibraryFolder);
        std::filesystem::create_directories(substrate);
        std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/Quiltvane.dylib", substrate / "Quiltvane.dylib");
    }

    void TearDown() override
    {
        for (const std::string& name : m_observed)
            CFNotificationCenterRemoveObserver(CFNotificationCenterGetDarwinNotifyCenter(), this, name, nullptr);
    }

    // The shared preferences as another deliverable writes them: set, then
    // synchronised.
    void setPreference(const std::string& key, RefPtr<NSObject> value)
    {
        CFPreferencesSetAppValue(key, std::move(value), QVPreferenceDomain);
        ASSERT_TRUE(CFPreferencesAppSynchronize(QVPreferenceDomain));
    }
    RefPtr<NSObject> preference(const std::string& key)
    {
        CFPreferencesAppSynchronize(QVPreferenceDomain);
        return CFPreferencesCopyAppValue(key, QVPreferenceDomain);
    }
    std::string preferenceText(const std::string& key)
    {
        RefPtr<NSObject> value = preference(key);
        return value ? value->description() : std::string("<none>");
    }

    void post(const std::string& name)
    {
        CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr, nullptr, true);
    }

    // Counts the deliveries of a Darwin notification to this process.
    void observe(const std::string& name)
    {
        m_observed.push_back(name);
        CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), this,
            [this](CFNotificationCenterRef, void*, const std::string& received, const void*, const void*) { ++m_deliveries[received]; }, name,
            nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    }
    int deliveries(const std::string& name) const
    {
        auto found = m_deliveries.find(name);
        return found == m_deliveries.end() ? 0 : found->second;
    }
    // Runs this process's main run loop until the notification came, for at
    // most 20 seconds.
    bool waitForNotification(const std::string& name)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!deliveries(name) && std::chrono::steady_clock::now() < deadline)
            NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 0.05);
        return deliveries(name) > 0;
    }
    // Lets notifications that are on their way arrive.
    void runFor(double seconds)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        while (std::chrono::steady_clock::now() < deadline)
            NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now() + 0.05);
    }

    // Asks the host's dump until the expression gives the expected JSON, for
    // at most 20 seconds; the last value.
    std::string waitForDumpValue(SpringBoardHost& host, const std::string& expression, const std::string& expected)
    {
        std::string value;
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < deadline;) {
            value = dumpValue(host.command("dump"), expression);
            if (value == expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return value;
    }

    // Writes a layout file with Python's plistlib from a Python expression.
    void writeLayout(const std::string& devicePath, const std::string& pythonValue)
    {
        std::string path = root.hostPath(devicePath).string();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        python("import plistlib\nwith open(" + quoted(path) + ", 'wb') as f:\n    plistlib.dump(" + pythonValue + ", f)\n");
    }

    static std::string quoted(const std::string& text) { return "r'''" + text + "'''"; }

private:
    std::vector<std::string> m_observed;
    std::map<std::string, int> m_deliveries;
};

} // namespace qv::extensiontest
