#include "ValueConversions.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace qv {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Position of the first character after leading white space.
size_t skipSpace(std::string_view text, size_t at = 0)
{
    while (at < text.size() && isSpace(text[at]))
        ++at;
    return at;
}

// Position after an optional sign; `negative` tells which one was there.
size_t skipSign(std::string_view text, size_t at, bool& negative)
{
    negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    return at;
}

size_t skipDigits(std::string_view text, size_t at)
{
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

} // namespace

long long longLongValueOfString(std::string_view text)
{
    bool negative;
    size_t at = skipSign(text, skipSpace(text), negative);
    // Accumulate toward the sign so that the most negative value fits.
    constexpr long long lowest = std::numeric_limits<long long>::min();
    constexpr long long highest = std::numeric_limits<long long>::max();
    long long value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        int digit = text[at] - '0';
        if (negative) {
            if (value < (lowest + digit) / 10)
                return lowest;
            value = value * 10 - digit;
        } else {
            if (value > (highest - digit) / 10)
                return highest;
            value = value * 10 + digit;
        }
    }
    return value;
}

int intValueOfString(std::string_view text)
{
    return saturatingInt(longLongValueOfString(text));
}

double doubleValueOfString(std::string_view text)
{
    bool negative;
    size_t start = skipSign(text, skipSpace(text), negative);
    size_t end = skipDigits(text, start);
    bool hasDigits = end > start;
    if (end < text.size() && text[end] == '.') {
        size_t fractionEnd = skipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits)
        return 0;
    // An exponent counts only when digits follow it ("1e" reads 1).
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        bool exponentNegative;
        size_t exponentDigits = skipSign(text, end + 1, exponentNegative);
        size_t exponentEnd = skipDigits(text, exponentDigits);
        if (exponentEnd > exponentDigits)
            end = exponentEnd;
    }
    // strtod reads with the C locale's decimal point, whatever locale the
    // process runs in, and saturates to infinity or zero with the right sign.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    std::string number(text.substr(start, end - start));
    double value = strtod_l(number.c_str(), nullptr, cLocale);
    return negative ? -value : value;
}

float floatValueOfString(std::string_view text)
{
    return narrowToFloat(doubleValueOfString(text));
}

bool boolValueOfString(std::string_view text)
{
    bool negative;
    size_t at = skipSign(text, skipSpace(text), negative);
    while (at < text.size() && text[at] == '0')
        ++at;
    if (at == text.size())
        return false;
    char c = text[at];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

long long saturatingLongLong(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit)
        return std::numeric_limits<long long>::max();
    if (value < -limit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

int saturatingInt(double value)
{
    return saturatingInt(saturatingLongLong(value));
}

int saturatingInt(long long value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

float narrowToFloat(double value)
{
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::string shortestRealText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace qv
