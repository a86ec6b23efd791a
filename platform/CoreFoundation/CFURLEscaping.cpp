#include "CFURLEscaping.h"

#include <array>

namespace qv {

namespace {

bool isASCIILetterOrDigit(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
}

} // namespace

std::string CFURLCreateStringByAddingPercentEscapes(std::string_view bytes, std::string_view charactersToLeaveUnescaped,
    std::string_view legalURLCharactersToBeEscaped)
{
    std::array<bool, 256> kept {};
    for (unsigned byte = 0; byte < 256; ++byte)
        kept[byte] = isASCIILetterOrDigit(static_cast<unsigned char>(byte));
    for (char character : kCFURLLegalPunctuation)
        kept[static_cast<unsigned char>(character)] = true;
    for (char character : legalURLCharactersToBeEscaped)
        kept[static_cast<unsigned char>(character)] = false;
    for (char character : charactersToLeaveUnescaped)
        kept[static_cast<unsigned char>(character)] = true;

    static constexpr char digits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(bytes.size());
    for (char character : bytes) {
        auto byte = static_cast<unsigned char>(character);
        if (kept[byte]) {
            escaped += character;
            continue;
        }
        escaped += '%';
        escaped += digits[byte >> 4];
        escaped += digits[byte & 15];
    }
    return escaped;
}

} // namespace qv
