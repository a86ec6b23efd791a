#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace qv {

// Whole-file reads and writes on host paths that DeviceRoot has resolved.

// Which file a read found at a path, and in what state: the same version
// is the same file (not one put in its place), neither written since nor
// grown or cut.
struct HostFileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;

    bool operator==(const HostFileVersion&) const = default;
};

// The contents of a regular file, or nothing when it cannot be read, is no
// regular file (a folder, a pipe) or is larger than `limit` bytes. Given
// `version`, the version of the file read is stored there.
std::optional<std::string> readHostFile(const std::filesystem::path& path,
    size_t limit = std::numeric_limits<size_t>::max(), std::error_code* error = nullptr, HostFileVersion* version = nullptr);

// Writes the bytes as the whole file. Atomically: into a temporary file in
// the same folder, flushed to disk, then renamed over the target, so that a
// reader sees the old file or the new one, never a part, and a failure
// leaves the old file whole and no temporary file behind. A new file gets
// the permission bits `mode`; an atomic write gives them to the file always.
bool writeHostFile(const std::filesystem::path& path, std::string_view bytes, bool atomically,
    std::error_code* error = nullptr, mode_t mode = 0644);

// Puts a copy of the file at `source` in the place of the file at `path`
// (or where there is none) as an atomic write does: copied into a temporary
// file beside it first, then renamed over it. A failure leaves `path` as it
// was and no temporary file behind; `source` stays either way.
bool copyHostFileOver(const std::filesystem::path& path, const std::filesystem::path& source, std::error_code* error = nullptr);

// Writes the bytes over the file at the path only while it is still the
// version given, as a read found it, keeping its permission bits; a file
// that has gone meanwhile is never made again. The new file, written
// beside it first, is swapped with the old one in one step, which fails
// when nothing is at the path (no such file): a removed or renamed file
// stays gone. A file found swapped out that is not the version read (put
// in the read one's place, or written since) is swapped back (stale file
// handle). Where the file system cannot swap, the version is checked
// right before an atomic rename.
bool replaceHostFile(const std::filesystem::path& path, std::string_view bytes, const HostFileVersion& expected,
    std::error_code* error = nullptr);

// Whether `name` is one an atomic write of `path` gives its temporary file
// beside it (the name a writer killed in the middle leaves behind): hidden,
// the target's name, shortened as the file system needs, a random end.
bool isTemporaryFileNameOf(const std::filesystem::path& path, std::string_view name);

// The path beside `path` named as it is with `ending` added. Where that name
// is longer than the file system allows, the target's name is shortened as
// it is in the temporary file of an atomic write of it.
std::filesystem::path pathWithEnding(const std::filesystem::path& path, std::string_view ending);

} // namespace qv
