#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace qv {

// Whole-file reads and writes on host paths that DeviceRoot has resolved.

// The contents of a regular file, or nothing when it cannot be read, is no
// regular file (a folder, a pipe) or is larger than `limit` bytes.
std::optional<std::string> readHostFile(const std::filesystem::path& path,
    size_t limit = std::numeric_limits<size_t>::max(), std::error_code* error = nullptr);

// Writes the bytes as the whole file. Atomically: into a temporary file in
// the same folder, flushed to disk, then renamed over the target, so that a
// reader sees the old file or the new one, never a part, and a failure
// leaves the old file whole and no temporary file behind. A new file gets
// the permission bits `mode`; an atomic write gives them to the file always.
bool writeHostFile(const std::filesystem::path& path, std::string_view bytes, bool atomically,
    std::error_code* error = nullptr, mode_t mode = 0644);

} // namespace qv
