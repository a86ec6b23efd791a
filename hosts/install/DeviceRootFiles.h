#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qv {

// Writes a whole file at a device path under QV_ROOT, creating its folders,
// through a temporary file so that a reader never sees half of it.
bool writeDeviceFile(const std::string& devicePath, std::span<const uint8_t> bytes);

} // namespace qv
