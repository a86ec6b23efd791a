#include "DevicePath.h"

#include "platform/core/Log.h"

#include <cstdlib>

namespace qv {

std::optional<std::filesystem::path> resolveDevicePath(const std::string& devicePath)
{
    const char* root = std::getenv("QV_ROOT");
    if (!root || !*root) {
        logLine("No device root (QV_ROOT) is set; refusing the device path " + devicePath);
        return std::nullopt;
    }
    std::filesystem::path path(devicePath);
    if (!path.is_absolute()) {
        logLine("Not an absolute device path: " + devicePath);
        return std::nullopt;
    }
    // Lexically, so that the answer does not depend on this machine's files.
    std::filesystem::path relative;
    for (const auto& component : path.relative_path()) {
        if (component == "..") {
            if (relative.empty()) {
                logLine("Device path climbs above the device root: " + devicePath);
                return std::nullopt;
            }
            relative = relative.parent_path();
        } else if (component != "." && !component.empty()) {
            relative /= component;
        }
    }
    return std::filesystem::path(root) / relative;
}

} // namespace qv
