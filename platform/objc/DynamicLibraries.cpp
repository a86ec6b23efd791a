#include "DynamicLibraries.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>

namespace qv {

namespace {

bool isLibraryName(const std::filesystem::path& name)
{
    return name.extension() == ".dylib" || name.extension() == ".so";
}

} // namespace

void* dlopenDevicePath(const std::string& devicePath, int mode, std::string* reason)
{
    // The device root follows links and refuses a path that leads out of it.
    auto library = DeviceRoot::resolve(devicePath);
    if (!library) {
        if (reason)
            *reason = "the path is not on the device";
        return nullptr;
    }
    void* handle = ::dlopen(library->c_str(), mode);
    if (!handle) {
        const char* error = ::dlerror();
        std::string why = error ? error : "unknown error";
        logLine("dlopen: cannot load " + devicePath + ": " + why);
        if (reason)
            *reason = why;
    }
    return handle;
}

std::vector<std::string> MSLoadDynamicLibraries()
{
    std::vector<std::string> loaded;
    auto folder = DeviceRoot::resolve(kSubstrateLibraryFolder);
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
