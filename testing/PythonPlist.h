#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::testing {

// A binary property list made by Python's plistlib from a Python value
// written as an expression (the modules datetime and plistlib are there),
// for tests that read what a real peer wrote. Empty, with a test failure
// recorded, when Python fails.
std::string binaryPropertyListFromPython(std::string_view pythonValue);

// What Python prints for the expression after plistlib has read the file
// as `values`, without its line end: what another reader sees in a file
// written here. A test failure is recorded when Python fails.
std::string plistlibReading(const std::filesystem::path& file, std::string_view expression);

} // namespace qv::testing
