#include "DeviceRoot.h"

#include "StringFormat.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qv {

namespace {

void refuse(std::string_view devicePath, const char* reason)
{
    NSLog("Device root: refusing \"%@\": %s", devicePath, reason);
}

// The parts of an absolute device path after "." and ".." are applied by
// text; nothing when the path climbs above "/".
std::optional<std::vector<std::string_view>> normalisedComponents(std::string_view devicePath)
{
    std::vector<std::string_view> components;
    size_t position = 0;
    while (position < devicePath.size()) {
        size_t end = devicePath.find('/', position);
        if (end == std::string_view::npos)
            end = devicePath.size();
        std::string_view component = devicePath.substr(position, end - position);
        position = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (components.empty())
                return std::nullopt;
            components.pop_back();
            continue;
        }
        components.push_back(component);
    }
    return components;
}

bool isWithin(const std::filesystem::path& path, const std::filesystem::path& root)
{
    return std::mismatch(root.begin(), root.end(), path.begin(), path.end()).first == root.end();
}

} // namespace

std::optional<std::filesystem::path> DeviceRoot::hostRoot()
{
    const char* value = std::getenv(environmentVariable);
    if (!value || !*value) {
        NSLog("Device root: QV_ROOT is not set; device paths are refused");
        return std::nullopt;
    }
    std::filesystem::path root(value);
    if (!root.is_absolute()) {
        NSLog("Device root: QV_ROOT \"%s\" is not an absolute path", value);
        return std::nullopt;
    }
    std::error_code error;
    auto canonical = std::filesystem::canonical(root, error);
    if (error || !std::filesystem::is_directory(canonical, error)) {
        NSLog("Device root: QV_ROOT \"%s\" is not a folder", value);
        return std::nullopt;
    }
    if (canonical == canonical.root_path()) {
        NSLog("Device root: QV_ROOT \"%s\" is this machine's own root", value);
        return std::nullopt;
    }
    return canonical;
}

std::optional<std::filesystem::path> DeviceRoot::resolve(std::string_view devicePath)
{
    return resolve(devicePath, true);
}

std::optional<std::filesystem::path> DeviceRoot::resolveEntry(std::string_view devicePath)
{
    return resolve(devicePath, false);
}

std::optional<std::filesystem::path> DeviceRoot::resolve(std::string_view devicePath, bool followLastLink)
{
    if (devicePath.find('\0') != std::string_view::npos) {
        refuse(devicePath, "the path holds a NUL byte");
        return std::nullopt;
    }
    if (devicePath.empty() || devicePath.front() != '/') {
        refuse(devicePath, "not an absolute device path");
        return std::nullopt;
    }
    auto components = normalisedComponents(devicePath);
    if (!components) {
        refuse(devicePath, "the path climbs above the device's root");
        return std::nullopt;
    }
    auto root = hostRoot();
    if (!root)
        return std::nullopt;
    // The entry itself is left as it is; it is a plain name after the
    // normalisation above, so it stays inside its resolved folder.
    std::optional<std::string_view> entry;
    if (!followLastLink && !components->empty()) {
        entry = components->back();
        components->pop_back();
    }
    std::filesystem::path joined = *root;
    for (std::string_view component : *components)
        joined /= component;
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(joined, error);
    if (error) {
        refuse(devicePath, "the path cannot be resolved");
        return std::nullopt;
    }
    if (!isWithin(resolved, *root)) {
        refuse(devicePath, "a symbolic link leads outside the device root");
        return std::nullopt;
    }
    if (entry)
        resolved /= *entry;
    return resolved;
}

} // namespace qv
