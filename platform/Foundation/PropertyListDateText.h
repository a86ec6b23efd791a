#pragma once

#include "platform/Foundation/FoundationTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The text of a date in an XML property list: "2001-01-01T00:00:00Z", in
// UTC, for the years 1 to 9999 (the form has four digits for the year).
// Whole seconds are written as property lists have always had them; a
// date with a fraction of a second keeps it ("...T00:00:00.25Z"), so that
// a date read from a binary list is written back unchanged.

// The longest text written: the whole seconds, a point and 20 digits, "Z".
inline constexpr size_t maximumPropertyListDateTextLength = 19 + 1 + 20 + 1;

// Whether the moment (seconds since 2001-01-01) has a text: finite and
// within the years 1 to 9999.
bool isPropertyListDate(NSTimeInterval sinceReferenceDate);

// The text; nothing for a moment without one.
std::optional<std::string> propertyListDateText(NSTimeInterval sinceReferenceDate);

// The moment of a text: "YYYY", optionally followed by "-MM", "-DD",
// "THH", ":MM", ":SS" and a fraction, then "Z". Nothing for anything else or
// a field out of its range.
std::optional<NSTimeInterval> propertyListDateFromText(std::string_view text);

} // namespace qv
