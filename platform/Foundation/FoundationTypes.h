#pragma once

#include <cstdint>
#include <limits>

namespace qv {

// The device's integer types are 64 bits wide.
using NSInteger = int64_t;
using NSUInteger = uint64_t;
using NSTimeInterval = double;

inline constexpr NSInteger NSIntegerMax = std::numeric_limits<NSInteger>::max();
inline constexpr NSInteger NSIntegerMin = std::numeric_limits<NSInteger>::min();
inline constexpr NSUInteger NSUIntegerMax = std::numeric_limits<NSUInteger>::max();
// What an index lookup answers when nothing is found.
inline constexpr NSUInteger NSNotFound = static_cast<NSUInteger>(NSIntegerMax);

} // namespace qv
