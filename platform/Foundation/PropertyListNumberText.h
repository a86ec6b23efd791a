#pragma once

#include "platform/Foundation/NSObject.h"

#include <string>
#include <string_view>

namespace qv {

class NSNumber;

// The text of numbers in an XML property list.

// An integer in decimal, from -2^63 to 2^64-1.
std::string propertyListIntegerText(const NSNumber& integer);
// A real in the shortest form that reads back exactly; "nan", "inf" and
// "-inf" as Python writes them.
std::string propertyListRealText(double real);

// An integer: decimal with an optional sign (leading zeros and all: "010"
// is ten), or hexadecimal after "0x"; white space around it is skipped.
// Nothing outside -2^63 to 2^64-1 or for anything else.
RefPtr<NSNumber> propertyListIntegerFromText(std::string_view text);
// A real as C and Python write them, "nan" and "inf" included; one beyond
// the range becomes an infinity (or zero), as those readers have it.
RefPtr<NSNumber> propertyListRealFromText(std::string_view text);

// The text without the white space around it.
std::string_view withoutSurroundingSpace(std::string_view text);

} // namespace qv
