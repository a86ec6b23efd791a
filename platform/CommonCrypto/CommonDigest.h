#pragma once

#include <cstddef>

namespace qv {

inline constexpr size_t CC_MD5_DIGEST_LENGTH = 16;
inline constexpr size_t CC_SHA1_DIGEST_LENGTH = 20;

// One-shot digests of `length` bytes at `data`, written to `md` (which
// holds the digest's length) and returned. `data` may be null when
// `length` is 0.
unsigned char* CC_MD5(const void* data, size_t length, unsigned char* md);
unsigned char* CC_SHA1(const void* data, size_t length, unsigned char* md);

} // namespace qv
