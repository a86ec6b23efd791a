#pragma once

#include <string>
#include <string_view>

namespace qv {

// The device's path helpers, on text alone (nothing is looked up on disk).
// Paths are tidied first: repeated slashes fold into one and a trailing
// slash goes, except for "/" itself.

// "/tmp/scratch.tiff" -> "scratch.tiff"; "/tmp/" -> "tmp"; "/" -> "/".
std::string lastPathComponent(std::string_view path);
// "/tmp" + "scratch.tiff" -> "/tmp/scratch.tiff"; "" + "a" -> "a".
std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);
// "/tmp/scratch.tiff" -> "/tmp"; "/tmp" -> "/"; "scratch.tiff" -> "".
std::string stringByDeletingLastPathComponent(std::string_view path);
// "/tmp/scratch.tiff" -> "tiff"; "/tmp/scratch" and ".hidden" -> "".
std::string pathExtension(std::string_view path);
// "/tmp/scratch.tiff" -> "/tmp/scratch"; "Blue Grid.plist" -> "Blue Grid".
std::string stringByDeletingPathExtension(std::string_view path);
// "/tmp/scratch.old" + "tiff" -> "/tmp/scratch.old.tiff".
std::string stringByAppendingPathExtension(std::string_view path, std::string_view extension);

} // namespace qv
