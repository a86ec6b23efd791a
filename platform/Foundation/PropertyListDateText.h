#pragma once

#include "platform/Foundation/FoundationTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The XML form of a date in a property list:
//   <date>2001-01-01T00:00:00Z</date>
// in UTC, for the years 1 to 9999 (the form has four digits for the year).
// The text names the whole second the moment falls in, the form every
// reader takes (Python's takes no other). A moment between whole seconds
// (or the negative zero) also carries its exact seconds since the
// reference date, in the fewest digits that read back as the same number:
//   <date seconds="-0.1">2000-12-31T23:59:59Z</date>
// Readers that know no such attribute pass over it and read the second;
// this one reads the moment exactly, so a date read from a binary list is
// written back unchanged.

// The longest element written.
extern const size_t maximumPropertyListDateElementLength;

// Whether the moment (seconds since 2001-01-01) has a text: finite and
// within the years 1 to 9999.
bool isPropertyListDate(NSTimeInterval sinceReferenceDate);

// The element; nothing for a moment without one.
std::optional<std::string> propertyListDateElement(NSTimeInterval sinceReferenceDate);

// The moment of a date element's text and, when it has one, its "seconds"
// attribute. The text: "YYYY", optionally followed by "-MM", "-DD", "THH",
// ":MM", ":SS" and a fraction, then "Z"; nothing for anything else or a
// field out of its range. The seconds refine the text when they lie within
// the second it names; otherwise the text is what holds (it is what a
// person edits).
std::optional<NSTimeInterval> propertyListDateFromElement(std::string_view text, std::optional<std::string_view> seconds);

// The name of the attribute with the exact seconds.
inline constexpr std::string_view propertyListDateSecondsAttribute = "seconds";

} // namespace qv
