#pragma once

#include "platform/Foundation/NSError.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// What the compressor and the decompressor share: zlib run over one input
// into an output that grows while zlib fills it.
struct QNZlibPump {
    // Runs deflate or inflate once; told whether the input given to the
    // stream is the last piece of this input. Answers zlib's status.
    std::function<int(bool lastPiece)> step;
    // After a step that did not fail: whether this input is done.
    std::function<bool(int status, bool lastPiece)> finished;
    // The error of code 11 that a failing zlib status makes.
    Ref<NSError> (*errorWithCode)(int code) = nullptr;
    size_t initialSize = 0;
    // At most this many bytes come out: an input that makes more fails
    // with tooLargeError as soon as it passes the bound, so the output
    // never grows beyond it.
    size_t maximumOutput = SIZE_MAX;
    Ref<NSError> (*tooLargeError)(size_t maximumOutput) = nullptr;

    // The output grows by half the input, and never by less than 1024
    // bytes, so that a tiny input still makes progress.
    static size_t growthFor(size_t inputLength);

    // The bytes produced; nothing, with the error, on a failing status
    // (any but Z_OK, Z_BUF_ERROR and Z_STREAM_END) or an output past the
    // bound.
    std::optional<std::string> run(z_stream& stream, std::string_view input, RefPtr<NSError>* error) const;
};

} // namespace qv
