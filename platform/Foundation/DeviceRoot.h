#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace qv {

// Maps the device's absolute paths ("/var/mobile/Library/...") to files on
// this machine, under the folder named by the environment variable QV_ROOT
// (read at every call). Every file access of the system and of the
// platform's stand-ins goes through `resolve`, so nothing ever touches this
// machine's own /var or /Library.
//
// The rule: a device path must be absolute. It is normalised by its text
// first ("." dropped, ".." taking back one folder); a path that climbs
// above "/" is refused. The result is placed under the root and its
// symbolic links are followed; a path that then lies outside the root is
// refused, so a link cannot lead out of the device. Paths with a NUL byte,
// and roots that are unset, relative, missing or the machine's own "/",
// are refused. Every refusal writes a log line saying why.
class DeviceRoot {
public:
    static constexpr const char* environmentVariable = "QV_ROOT";

    // The host folder standing for the device's "/", when QV_ROOT names a
    // usable one.
    static std::optional<std::filesystem::path> hostRoot();

    // The host path for a device path, or nothing when it is refused.
    // Symbolic links along the path, the last one included, are resolved.
    static std::optional<std::filesystem::path> resolve(std::string_view devicePath);

    // The host path of the entry a device path names, for acting on the
    // entry itself (removing or moving it): the folders above it are
    // resolved as `resolve` does, but a last component that is a symbolic
    // link stays the link, so that removing a link never removes what it
    // points to.
    static std::optional<std::filesystem::path> resolveEntry(std::string_view devicePath);

private:
    static std::optional<std::filesystem::path> resolve(std::string_view devicePath, bool followLastLink);
};

} // namespace qv
