#pragma once

#include <string>
#include <string_view>

namespace qv::testing {

// A binary property list made by Python's plistlib from a Python value
// written as an expression (the modules datetime and plistlib are there),
// for tests that read what a real peer wrote. Empty, with a test failure
// recorded, when Python fails.
std::string binaryPropertyListFromPython(std::string_view pythonValue);

} // namespace qv::testing
