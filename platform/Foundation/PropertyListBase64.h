#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The Base64 of a property list's <data> element: written on one line
// (Base64.h), read as writers break it into lines.

constexpr size_t propertyListBase64Length(size_t bytes) { return (bytes + 2) / 3 * 4; }

// The bytes of such a text. White space anywhere is skipped and the
// padding may be left out; anything else that is not Base64 gives nothing.
std::optional<std::string> propertyListBytesFromBase64(std::string_view text);

} // namespace qv
