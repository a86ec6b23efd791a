#pragma once

#include "CommonDigest.h"

#include <cstdint>

namespace qv {

enum CCHmacAlgorithm : uint32_t {
    kCCHmacAlgSHA1 = 0,
    kCCHmacAlgMD5 = 1,
};

// The keyed digest (RFC 2104) of the data under the key, written to
// `macOut`, which holds the algorithm's digest length. Keys of any length
// are taken, the empty one included; a longer key than the digest's block
// is hashed first, as the RFC says.
void CCHmac(CCHmacAlgorithm algorithm, const void* key, size_t keyLength, const void* data, size_t dataLength,
    void* macOut);

} // namespace qv
