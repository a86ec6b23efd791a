#include "QNZlibPump.h"

#include <algorithm>
#include <climits>

namespace qv {

size_t QNZlibPump::growthFor(size_t inputLength)
{
    return std::max<size_t>(inputLength / 2, 1024);
}

std::optional<std::string> QNZlibPump::run(z_stream& stream, std::string_view input, RefPtr<NSError>* error) const
{
    const size_t growth = growthFor(input.size());
    // One byte over the bound is room enough to see that it is passed.
    const size_t capacity = maximumOutput == SIZE_MAX ? SIZE_MAX : maximumOutput + 1;
    auto tooLarge = [&] {
        if (error)
            *error = tooLargeError(maximumOutput);
        return std::nullopt;
    };
    std::string output(std::min(initialSize, capacity), '\0');
    size_t produced = 0;
    size_t consumed = 0;
    for (;;) {
        // zlib counts in 32 bits: the input goes in pieces it can take.
        if (stream.avail_in == 0 && consumed < input.size()) {
            const size_t piece = std::min<size_t>(input.size() - consumed, UINT_MAX);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + consumed));
            stream.avail_in = static_cast<uInt>(piece);
            consumed += piece;
        }
        if (produced == output.size()) {
            if (produced > maximumOutput)
                return tooLarge();
            output.resize(output.size() + std::min(growth, capacity - output.size()));
        }
        const size_t space = std::min<size_t>(output.size() - produced, UINT_MAX);
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + produced);
        stream.avail_out = static_cast<uInt>(space);
        const bool lastPiece = consumed == input.size();
        const int status = step(lastPiece);
        produced += space - stream.avail_out;
        if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) {
            if (error)
                *error = errorWithCode(status);
            return std::nullopt;
        }
        if (finished(status, lastPiece))
            break;
    }
    if (produced > maximumOutput)
        return tooLarge();
    output.resize(produced);
    return output;
}

} // namespace qv
