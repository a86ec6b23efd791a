#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qv {

// The path on this machine of an absolute device path, under the device
// root named by QV_ROOT (read at each call). Nothing when no root is set,
// when the path is not absolute, or when its ".." components would climb
// above the device's "/".
std::optional<std::filesystem::path> resolveDevicePath(const std::string& devicePath);

} // namespace qv
