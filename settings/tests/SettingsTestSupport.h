#pragma once

// What the bundle's tests share: the shared domain's file as other
// processes see it.

#include "model/QVPreferenceNames.h"
#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::settingstest {

inline const std::string domainFile = std::string("/var/mobile/Library/Preferences/") + QVPreferenceDomain + ".plist";

// The switches in the domain's file as Python's plistlib reads them:
// "key=value" with their Python types, sorted.
inline std::string storedSwitches(const qv::testing::TemporaryDeviceRoot& root)
{
    qv::testing::ProcessResult result = qv::testing::runPython(
        "import plistlib, sys\nvalues = plistlib.load(open(sys.argv[1], 'rb'))\n"
        "print(' '.join('%s=%r' % (k, values[k]) for k in sorted(values) if k.startswith('Enable')))",
        { root.hostPath(domainFile).string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    while (!result.output.empty() && result.output.back() == '\n')
        result.output.pop_back();
    return result.output;
}

// A value of any kind written into the domain's file by Python's plistlib,
// as another process or an older version may leave it, while no process
// is writing.
inline void storeWithPython(const qv::testing::TemporaryDeviceRoot& root, const std::string& key, const std::string& pythonValue)
{
    qv::testing::ProcessResult result = qv::testing::runPython(
        "import plistlib, sys, os\npath = sys.argv[1]\nvalues = plistlib.load(open(path, 'rb')) if os.path.exists(path) else {}\n"
        "values['" + key + "'] = " + pythonValue + "\nplistlib.dump(values, open(path, 'wb'))",
        { root.hostPath(domainFile).string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
}

} // namespace qv::settingstest
