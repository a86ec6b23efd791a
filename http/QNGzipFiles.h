#pragma once

#include "platform/Foundation/NSError.h"

#include <functional>
#include <optional>
#include <string>

namespace qv {

// What the file-to-file operations of the compressor and decompressor
// share: the chunked copy through a transform, with the errors of code 11
// named by the operation ("Compression" or "Decompression").
struct GzipFileTransform {
    const char* operation;
    // Transforms one chunk (the last one marked); nothing on an error.
    std::function<std::optional<std::string>(const std::string& chunk, bool isLast, RefPtr<NSError>* error)> transform;
    // Ends the stream; an error when it did not end well.
    std::function<RefPtr<NSError>()> finish;
};

inline constexpr size_t gzipFileChunkSize = 262144;

bool transformGzipFile(const std::string& sourcePath, const std::string& destinationPath, const GzipFileTransform& transform,
    RefPtr<NSError>* error);

} // namespace qv
