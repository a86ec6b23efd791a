#pragma once

#include "platform/Foundation/NSTimeZone.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Fixed-format dates in English (the "en_US_POSIX" locale, Gregorian
// calendar), written and read by a pattern of the device's date-format
// letters. Text between apostrophes is literal ("''" is an apostrophe);
// other characters that are not letters stand for themselves. The letters:
//   yyyy  year, at least that many digits     y     year, as many as needed
//   MM    month, two digits                   M     month, one or two
//   MMM   "Jan" ... "Dec"                     MMMM  "January" ... "December"
//   dd, d day of the month; HH, H hour 0-23; mm, m minute; ss, s second
//   S...  fraction of a second, as many digits as letters (cut, not rounded)
//   EEE   "Mon" ... "Sun"                     EEEE  "Monday" ... "Sunday"
//   Z     the zone's offset as a sign and four digits ("+0000")
// Any other letter makes the pattern unusable: nothing is written or read.
//
// Reading is strict: the whole text must match, a field of two letters
// wants two digits, a field of one letter one or two, a fraction exactly
// its letters' digits, and the date must exist. A weekday is checked for
// being one but not against the date. Fields the pattern lacks are those
// of 1970-01-01 00:00:00. A "Z" in the text gives the offset; otherwise
// the text is read in the zone.

// The text of a moment (seconds since 1970) in the zone; empty when the
// pattern is unusable.
std::string formatDate(NSTimeInterval secondsSince1970, std::string_view pattern, const NSTimeZone& zone);
// The moment (seconds since 1970) the text names, or none.
std::optional<NSTimeInterval> parseDate(std::string_view text, std::string_view pattern, const NSTimeZone& zone);

} // namespace qv
