#include "PropertyListNumberText.h"

#include "NSNumber.h"
#include "ValueConversions.h"

#include <charconv>

namespace qv {

std::string propertyListIntegerText(const NSNumber& integer)
{
    if (integer.isUnsignedBeyondSignedRange())
        return std::to_string(integer.unsignedLongLongValue());
    return std::to_string(integer.longLongValue());
}

std::string propertyListRealText(double real)
{
    return shortestRealText(real);
}

std::string_view withoutSurroundingSpace(std::string_view text)
{
    constexpr const char* space = " \t\n\r";
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

RefPtr<NSNumber> propertyListIntegerFromText(std::string_view text)
{
    text = withoutSurroundingSpace(text);
    bool negative = !text.empty() && text[0] == '-';
    int base = 10;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long long magnitude = 0;
    auto parsed = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    // from_chars takes no sign of its own for an unsigned type, so a
    // second sign fails here too.
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        return nullptr;
    if (!negative)
        return NSNumber::numberWithUnsignedLongLong(magnitude);
    if (magnitude > static_cast<unsigned long long>(NSIntegerMax) + 1)
        return nullptr;
    return NSNumber::numberWithLongLong(static_cast<long long>(0 - magnitude));
}

RefPtr<NSNumber> propertyListRealFromText(std::string_view text)
{
    text = withoutSurroundingSpace(text);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    double value = 0;
    auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ptr != text.data() + text.size())
        return nullptr;
    if (parsed.ec == std::errc::result_out_of_range)
        value = doubleValueOfString(text); // an infinity or zero, in the C locale
    else if (parsed.ec != std::errc())
        return nullptr;
    return NSNumber::numberWithDouble(value);
}

} // namespace qv
