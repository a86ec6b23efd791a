#include "DeviceRootFiles.h"

#include "platform/core/Log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qv {

bool writeDeviceFile(const std::string& devicePath, std::span<const uint8_t> bytes)
{
    const char* root = std::getenv("QV_ROOT");
    if (!root || !*root || devicePath.empty() || devicePath.front() != '/') {
        logLine("No device root (QV_ROOT) to write " + devicePath + " into");
        return false;
    }
    std::filesystem::path path = std::filesystem::path(root) / std::filesystem::path(devicePath).lexically_normal().relative_path();
    std::filesystem::path temporary = path;
    temporary += ".writing";
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file.good()) {
            logLine("Could not write " + path.string());
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        logLine("Could not write " + path.string() + ": " + error.message());
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace qv
