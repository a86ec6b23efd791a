#include "DynamicLibraries.h"

#include "DevicePath.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>

namespace qv {

namespace {

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    auto [folderEnd, pathPosition] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end();
}

bool isLibraryName(const std::filesystem::path& name)
{
    return name.extension() == ".dylib" || name.extension() == ".so";
}

} // namespace

void* dlopenDevicePath(const std::string& devicePath, int mode)
{
    auto resolved = resolveDevicePath(devicePath);
    auto root = resolveDevicePath("/");
    if (!resolved || !root)
        return nullptr;
    std::error_code error;
    std::filesystem::path library = std::filesystem::canonical(*resolved, error);
    if (error) {
        logLine("dlopen: no library at " + devicePath);
        return nullptr;
    }
    std::filesystem::path realRoot = std::filesystem::canonical(*root, error);
    if (error || !isInside(library, realRoot)) {
        logLine("dlopen: " + devicePath + " leads outside the device root; not loaded");
        return nullptr;
    }
    void* handle = ::dlopen(library.c_str(), mode);
    if (!handle) {
        const char* reason = ::dlerror();
        logLine("dlopen: cannot load " + devicePath + ": " + (reason ? reason : "unknown error"));
    }
    return handle;
}

std::vector<std::string> MSLoadDynamicLibraries()
{
    std::vector<std::string> loaded;
    auto folder = resolveDevicePath(kSubstrateLibraryFolder);
    std::error_code error;
    if (!folder || !std::filesystem::is_directory(*folder, error))
        return loaded;

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
        if (isLibraryName(entry.path().filename()))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        std::string devicePath = std::string(kSubstrateLibraryFolder) + "/" + name;
        logLine("Substrate: loading " + devicePath);
        // The libraries stay loaded for the life of the process.
        if (dlopenDevicePath(devicePath, RTLD_NOW | RTLD_GLOBAL))
            loaded.push_back(devicePath);
        else
            logLine("Substrate: skipped " + devicePath);
    }
    return loaded;
}

} // namespace qv
