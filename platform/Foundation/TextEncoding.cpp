#include "TextEncoding.h"

#include <cstdint>

namespace qv {

namespace {

// Decodes the character at `at`, advancing past it; false for a malformed,
// overlong or surrogate sequence.
bool decode(std::string_view text, size_t& at, uint32_t& character)
{
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t first = byte(at);
    size_t length = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xE ? 3 : (first >> 3) == 0x1E ? 4 : 0;
    if (!length || text.size() - at < length)
        return false;
    static const uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    character = length == 1 ? first : first & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return false;
        character = character << 6 | (byte(at + i) & 0x3F);
    }
    at += length;
    return character >= smallest[length] && character <= 0x10FFFF && (character < 0xD800 || character > 0xDFFF);
}

} // namespace

bool isValidUTF8(std::string_view text)
{
    uint32_t character;
    for (size_t at = 0; at < text.size();) {
        if (!decode(text, at, character))
            return false;
    }
    return true;
}

std::string UTF8FromLatin1(std::string_view text)
{
    std::string result;
    for (char c : text) {
        auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            result += c;
        } else {
            result += static_cast<char>(0xC0 | byte >> 6);
            result += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return result;
}

std::optional<std::string> Latin1FromUTF8(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    uint32_t character;
    for (size_t at = 0; at < text.size();) {
        if (!decode(text, at, character) || character > 0xFF)
            return std::nullopt;
        result += static_cast<char>(character);
    }
    return result;
}

std::optional<std::u16string> UTF16FromUTF8(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    uint32_t character;
    for (size_t at = 0; at < text.size();) {
        if (!decode(text, at, character))
            return std::nullopt;
        if (character < 0x10000) {
            units += static_cast<char16_t>(character);
        } else {
            character -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (character >> 10));
            units += static_cast<char16_t>(0xDC00 + (character & 0x3FF));
        }
    }
    return units;
}

bool isXMLText(std::string_view text)
{
    uint32_t character;
    for (size_t at = 0; at < text.size();) {
        if (!decode(text, at, character))
            return false;
        bool allowed = character == 0x9 || character == 0xA || character == 0xD
            || (character >= 0x20 && character != 0xFFFE && character != 0xFFFF);
        if (!allowed)
            return false;
    }
    return true;
}

} // namespace qv
