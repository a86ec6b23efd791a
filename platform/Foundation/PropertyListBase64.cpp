#include "PropertyListBase64.h"

#include <cstdint>

namespace qv {

namespace {

constexpr const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextetOf(char character)
{
    if (character >= 'A' && character <= 'Z')
        return character - 'A';
    if (character >= 'a' && character <= 'z')
        return character - 'a' + 26;
    if (character >= '0' && character <= '9')
        return character - '0' + 52;
    if (character == '+')
        return 62;
    if (character == '/')
        return 63;
    return -1;
}

bool isSpace(char character)
{
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

} // namespace

std::string propertyListBase64Text(std::string_view bytes)
{
    std::string text;
    text.reserve(propertyListBase64Length(bytes.size()));
    for (size_t at = 0; at < bytes.size(); at += 3) {
        size_t available = bytes.size() - at < 3 ? bytes.size() - at : 3;
        uint32_t group = 0;
        for (size_t i = 0; i < 3; ++i)
            group = group << 8 | (i < available ? static_cast<uint8_t>(bytes[at + i]) : 0);
        for (size_t i = 0; i < 4; ++i)
            text += i <= available ? alphabet[(group >> (18 - 6 * i)) & 0x3F] : '=';
    }
    return text;
}

std::optional<std::string> propertyListBytesFromBase64(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    size_t sextets = 0;
    size_t padding = 0;
    for (char character : text) {
        if (isSpace(character))
            continue;
        if (character == '=') {
            ++padding;
            continue;
        }
        int sextet = sextetOf(character);
        if (sextet < 0 || padding)
            return std::nullopt; // not Base64, or text after the padding
        group = group << 6 | static_cast<uint32_t>(sextet);
        if (++sextets % 4 == 0) {
            bytes += static_cast<char>(group >> 16);
            bytes += static_cast<char>(group >> 8);
            bytes += static_cast<char>(group);
            group = 0;
        }
    }
    // A last group of two or three characters holds one or two bytes; one
    // character alone holds none, and padding goes only where one is short.
    size_t tail = sextets % 4;
    if (tail == 1 || padding > 2 || (padding && (tail + padding) % 4))
        return std::nullopt;
    if (tail == 2)
        bytes += static_cast<char>(group >> 4);
    if (tail == 3) {
        bytes += static_cast<char>(group >> 10);
        bytes += static_cast<char>(group >> 2);
    }
    return bytes;
}

} // namespace qv
