#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Base64 of RFC 4648: its alphabet, "=" padding, no line breaks.
std::string base64EncodedString(const void* bytes, size_t length);
inline std::string base64EncodedString(std::string_view bytes) { return base64EncodedString(bytes.data(), bytes.size()); }
// The bytes of Base64 text; nothing when the text is no Base64.
std::optional<std::vector<uint8_t>> base64DecodedBytes(std::string_view text);

} // namespace qv
