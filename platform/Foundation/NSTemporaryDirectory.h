#pragma once

#include <string>

namespace qv {

// The device folder for temporary files ("/var/mobile/tmp/"), made when
// first asked for.
std::string NSTemporaryDirectory();
// A new file name in it, unique within the process and unlikely to be
// taken by another.
std::string uniqueTemporaryFilePath();

} // namespace qv
