#pragma once

#include "platform/Foundation/FoundationTypes.h"

#include <string>
#include <string_view>

namespace qv {

// The device's rules for reading numbers out of text and for narrowing
// numbers. No input, however long, malformed or out of range, reaches
// undefined behaviour: out-of-range values saturate and NaN reads as 0.

// The leading integer of the text: white space skipped, then an optional
// sign and decimal digits, up to the first other character ("12abc" is 12,
// "abc" is 0). A number too large for the type saturates.
int intValueOfString(std::string_view text);
long long longLongValueOfString(std::string_view text);

// The leading real number of the text: white space, an optional sign,
// digits, an optional fraction and an optional exponent. Overflow gives an
// infinity of the right sign, underflow zero.
double doubleValueOfString(std::string_view text);
float floatValueOfString(std::string_view text);

// True when, after white space, an optional sign and any zeros, the text
// goes on with Y, y, T, t or a digit 1 to 9 ("0001" and "-5" are true,
// "000" and "no" are false).
bool boolValueOfString(std::string_view text);

// Reals become integers by truncation toward zero; NaN gives 0 and values
// beyond the type's range give its limit.
long long saturatingLongLong(double value);
int saturatingInt(double value);
int saturatingInt(long long value);
// A double beyond float's range becomes an infinity of its sign.
float narrowToFloat(double value);

// A real in the shortest form that reads back to the same value; "nan",
// "inf" and "-inf" for the others.
std::string shortestRealText(double value);

} // namespace qv
