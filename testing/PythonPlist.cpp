#include "PythonPlist.h"

#include "Process.h"

#include <gtest/gtest.h>

namespace qv::testing {

std::string binaryPropertyListFromPython(std::string_view pythonValue)
{
    // Hexadecimal on the way, so that no byte is lost on a text pipe.
    std::string script = "import datetime, plistlib, sys\nvalue = " + std::string(pythonValue)
        + "\nsys.stdout.write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY).hex())\n";
    auto result = runPython(script);
    if (result.exitCode != 0) {
        ADD_FAILURE() << "plistlib failed: " << result.errors;
        return {};
    }
    std::string bytes;
    for (size_t i = 0; i + 1 < result.output.size(); i += 2)
        bytes += static_cast<char>(std::stoi(result.output.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string plistlibReading(const std::filesystem::path& file, std::string_view expression)
{
    ProcessResult result = runPython(
        "import plistlib, sys\nvalues = plistlib.load(open(sys.argv[1], 'rb'))\nprint((" + std::string(expression) + "))", { file.string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    while (!result.output.empty() && result.output.back() == '\n')
        result.output.pop_back();
    return result.output;
}

} // namespace qv::testing
