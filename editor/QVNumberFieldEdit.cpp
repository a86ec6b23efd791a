#include "QVNumberFieldEdit.h"

#include "platform/UIKit/TextUnits.h"

#include <algorithm>

namespace qv {

std::optional<std::string> QVNumberFieldEditedText(const std::string& text, NSRange range, const std::string& replacement)
{
    if (!std::all_of(replacement.begin(), replacement.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto bytes = byteRangeOfUTF16Range(text, range);
    if (!bytes)
        return std::nullopt;
    std::string edited = text;
    edited.replace(bytes->first, bytes->second - bytes->first, replacement);
    return edited;
}

int64_t QVNumberFieldValue(const std::string& digits)
{
    constexpr int64_t ceiling = 1'000'000'000;
    int64_t value = 0;
    for (char digit : digits) {
        if (digit < '0' || digit > '9')
            break;
        value = std::min(ceiling, value * 10 + (digit - '0'));
    }
    return value;
}

} // namespace qv
