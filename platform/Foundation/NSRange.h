#pragma once

#include <cstdint>

namespace qv {

// A run of text counted in UTF-16 units, as the device counts the text of
// its fields: an emoji outside the basic plane is two units long.
struct NSRange {
    uint64_t location = 0;
    uint64_t length = 0;
    bool operator==(const NSRange&) const = default;
};

inline NSRange NSMakeRange(uint64_t location, uint64_t length) { return { location, length }; }

} // namespace qv
