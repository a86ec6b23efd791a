#include "ApplicationProgram.h"

#include "model/QVLayoutKeys.h"
#include "platform/Foundation/DeviceRoot.h"
#include "platform/core/Log.h"

#include <filesystem>
#include <string>

namespace qv {

static constexpr const char* applicationProgramName = "Quilt Vane";

bool installApplicationProgram()
{
    std::error_code error;
    const std::filesystem::path installer = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path program = installer.parent_path() / applicationProgramName;
    if (error || !std::filesystem::is_regular_file(program, error)) {
        logLine(std::string("No application program beside the installer; ") + applicationProgramName + " is not installed");
        return true;
    }
    const std::string devicePath = std::string(QVApplicationBundleFolder) + "/" + applicationProgramName;
    std::optional<std::filesystem::path> target = DeviceRoot::resolve(devicePath);
    if (!target) {
        logLine("Could not resolve " + devicePath);
        return false;
    }
    std::filesystem::create_directories(target->parent_path(), error);
    // A copy beside the target replaces it in one step.
    const std::filesystem::path partial = target->string() + ".partial";
    if (error || !std::filesystem::copy_file(program, partial, std::filesystem::copy_options::overwrite_existing, error)) {
        logLine("Could not copy the application program to " + devicePath + (error ? ": " + error.message() : std::string()));
        return false;
    }
    std::filesystem::rename(partial, *target, error);
    if (error) {
        logLine("Could not install " + devicePath + ": " + error.message());
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

} // namespace qv
