#pragma once

#include "platform/Foundation/FoundationTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Dates of HTTP header fields in the RFC 1123 form "Sun, 06 Nov 1994
// 08:49:37 GMT", seconds since the reference date (2001-01-01).

// Reads "EEE, dd MMM yyyy HH:mm:ss z" with the weekday optional (when the
// text holds no comma) and the seconds optional (when the text holds only
// one colon), as the device's formatter of that pattern does. The zone is
// GMT, UT, UTC, Z, an offset (+0100), or a North American zone name.
// Nothing when the whole text does not match.
std::optional<NSTimeInterval> dateFromRFC1123String(std::string_view text);
// "Sun, 06 Nov 1994 08:49:37 GMT".
std::string RFC1123StringFromDate(NSTimeInterval date);

} // namespace qv
