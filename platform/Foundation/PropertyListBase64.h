#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The Base64 text of a property list's <data> element (RFC 4648, with
// padding, on one line).
std::string propertyListBase64Text(std::string_view bytes);
constexpr size_t propertyListBase64Length(size_t bytes) { return (bytes + 2) / 3 * 4; }

// The bytes of such a text. White space anywhere is skipped, as writers
// break the text into lines, and the padding may be left out; anything
// else that is not Base64 gives nothing.
std::optional<std::string> propertyListBytesFromBase64(std::string_view text);

} // namespace qv
