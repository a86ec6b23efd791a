#pragma once

// Preference files of the system's domain that the project's scripts must
// leave as they are: files plistlib cannot read, and files it reads but
// cannot write back. Each is made by Python from the file on the device
// root, with one preference of another program's ("Other") added.

#include "SystemTestSupport.h"

#include <filesystem>
#include <ostream>
#include <set>
#include <string>

namespace qv::systemtest {

struct UnwritablePreferences {
    const char* name;
    const char* damage; // argument to makePreferenceFile
    const char* reason; // what the script must say
};

// Names the case in test output (instead of its bytes).
inline void PrintTo(const UnwritablePreferences& file, std::ostream* out)
{
    *out << file.name;
}

inline constexpr UnwritablePreferences unwritablePreferenceFiles[] = {
    { "BinaryIntegerBeyond64Bits", "binary-beyond-64-bits", "holds a value plistlib can read but cannot write back (OverflowError" },
    { "XMLIntegerBeyond64Bits", "xml-beyond-64-bits", "holds a value plistlib can read but cannot write back (OverflowError" },
    { "XMLCutInHalf", "xml-cut", "is no property list plistlib can read (ExpatError" },
    { "BinaryCutInHalf", "binary-cut", "is no property list plistlib can read (InvalidFileException" },
    { "ArrayInsteadOfDictionary", "no-dictionary", "holds no dictionary of preferences" },
};

// Rewrites the preference file (argument 1) with the damage (argument 2),
// or in a form ("binary", "xml") holding text XML cannot carry ("binary")
// or plain text ("xml"); checks that the file is what the case says.
inline constexpr const char* makePreferenceFile = R"PY(
import plistlib, sys
from xml.parsers.expat import ExpatError
path, damage = sys.argv[1:3]
with open(path, "rb") as f:
    values = plistlib.load(f)
values["Other"] = "a\x01b" if damage == "binary" else "kept"
big = 2 ** 70
if damage == "binary":
    data = plistlib.dumps(values, fmt=plistlib.FMT_BINARY)
elif damage == "xml":
    data = plistlib.dumps(values)
elif damage == "binary-beyond-64-bits":
    # plistlib writes an integer from 2**63 on in 16 bytes and reads back
    # whatever 16 bytes hold, but writes none beyond 64 bits.
    values["Big"] = 2 ** 63 + 1
    data = plistlib.dumps(values, fmt=plistlib.FMT_BINARY)
    written = b"\x14" + values["Big"].to_bytes(16, "big")
    assert data.count(written) == 1
    data = data.replace(written, b"\x14" + big.to_bytes(16, "big"))
elif damage == "xml-beyond-64-bits":
    data = plistlib.dumps(values).replace(b"<key>Other</key>", b"<key>Big</key><integer>%d</integer><key>Other</key>" % big)
elif damage == "xml-cut":
    data = plistlib.dumps(values)
    data = data[:len(data) // 2]
elif damage == "binary-cut":
    data = plistlib.dumps(values, fmt=plistlib.FMT_BINARY)
    data = data[:len(data) // 2]
elif damage == "no-dictionary":
    data = plistlib.dumps([values])
else:
    sys.exit("no such damage: " + damage)
try:
    read = plistlib.loads(data)
    assert damage not in ("xml-cut", "binary-cut"), "plistlib reads the cut file"
    assert "beyond" not in damage or read["Big"] == big
    assert data.startswith(b"bplist") == ("binary" in damage)
except (ExpatError, plistlib.InvalidFileException):
    assert damage.endswith("-cut")
with open(path, "wb") as f:
    f.write(data)
)PY";

// What else lies beside the preference file than the file and its lock: a
// script that refused to write the file must leave no temporary file.
inline std::set<std::string> filesBesidePreferences(const SimulatedDevice& device)
{
    const std::filesystem::path file = device.root.hostPath(sharedPreferencesPath);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name != file.filename().string() && name != file.filename().string() + ".lock")
            names.insert(name);
    }
    return names;
}

// What a script that refused the file must have done: said why on the
// stream given, ended with a failing status and without a traceback, and
// left the file byte for byte as it was (`before`) with nothing beside it.
inline void expectLeftAsItWas(const SimulatedDevice& device, const std::string& before, const qv::testing::ProcessResult& script,
    const std::string& said, const UnwritablePreferences& file)
{
    ASSERT_FALSE(script.timedOut) << script.output << script.errors;
    EXPECT_NE(script.exitCode, 0) << script.output << script.errors;
    EXPECT_NE(said.find(device.root.hostPath(sharedPreferencesPath).string() + " " + file.reason), std::string::npos) << said;
    EXPECT_NE(said.find("; it is left as it was"), std::string::npos) << said;
    EXPECT_EQ(script.errors.find("Traceback"), std::string::npos) << script.errors;
    EXPECT_TRUE(device.root.readFile(sharedPreferencesPath) == before) << "the preference file changed";
    EXPECT_EQ(filesBesidePreferences(device), std::set<std::string>());
}

} // namespace qv::systemtest
