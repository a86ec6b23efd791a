#pragma once

#include <string>
#include <vector>

namespace qv {

// Where the substrate finds the extensions it loads into SpringBoard.
inline constexpr const char* kSubstrateLibraryFolder = "/Library/MobileSubstrate/DynamicLibraries";

// dlopen of a device path ("/Library/..."): the path is resolved under the
// device root, and the file it names, after following links, must lie
// inside the device root too. Null (with a log line) otherwise, or when the
// library cannot be loaded. `mode` is dlopen's (RTLD_NOW ...). The reason
// of a failure also goes to `reason` when given.
void* dlopenDevicePath(const std::string& devicePath, int mode, std::string* reason = nullptr);

// Loads every "*.dylib" and "*.so" of the substrate folder, in the order of
// their names, with immediate binding and global symbols, so that their
// module constructors run. One that fails to load is logged and skipped.
// Answers the device paths of the libraries loaded.
std::vector<std::string> MSLoadDynamicLibraries();

} // namespace qv
