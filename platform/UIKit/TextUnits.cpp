#include "TextUnits.h"

namespace qv {

namespace {

struct Character {
    size_t bytes;      // how many bytes of UTF-8 it takes
    uint64_t units;    // how many UTF-16 units it stands for
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The character that starts at the offset; a malformed sequence is taken
// one byte at a time.
Character characterAt(const std::string& text, size_t offset)
{
    auto lead = static_cast<unsigned char>(text[offset]);
    size_t expected = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        expected = 4;
    else if (lead >= 0xE0)
        expected = lead <= 0xEF ? 3 : 1;
    else if (lead >= 0xC2)
        expected = 2;
    if (expected == 1 || offset + expected > text.size())
        return { 1, 1 };
    for (size_t i = 1; i < expected; ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[offset + i])))
            return { 1, 1 };
    }
    return { expected, expected == 4 ? 2u : 1u };
}

} // namespace

uint64_t utf16Length(const std::string& text)
{
    uint64_t units = 0;
    for (size_t offset = 0; offset < text.size();) {
        Character character = characterAt(text, offset);
        offset += character.bytes;
        units += character.units;
    }
    return units;
}

std::optional<std::pair<size_t, size_t>> byteRangeOfUTF16Range(const std::string& text, NSRange range)
{
    if (range.length > UINT64_MAX - range.location)
        return std::nullopt;
    const uint64_t end = range.location + range.length;
    std::optional<size_t> first;
    std::optional<size_t> last;
    uint64_t units = 0;
    size_t offset = 0;
    while (true) {
        if (units == range.location)
            first = offset;
        if (units == end) {
            last = offset;
            break;
        }
        if (offset >= text.size() || units > end)
            break;
        Character character = characterAt(text, offset);
        offset += character.bytes;
        units += character.units;
    }
    if (!first || !last)
        return std::nullopt;
    return std::make_pair(*first, *last);
}

NSRange lastCharacterRange(const std::string& text)
{
    if (text.empty())
        return NSMakeRange(0, 0);
    uint64_t units = 0;
    uint64_t lastUnits = 0;
    for (size_t offset = 0; offset < text.size();) {
        Character character = characterAt(text, offset);
        offset += character.bytes;
        units += character.units;
        lastUnits = character.units;
    }
    return NSMakeRange(units - lastUnits, lastUnits);
}

std::vector<std::string> charactersOf(const std::string& text)
{
    std::vector<std::string> characters;
    for (size_t offset = 0; offset < text.size();) {
        Character character = characterAt(text, offset);
        characters.push_back(text.substr(offset, character.bytes));
        offset += character.bytes;
    }
    return characters;
}

} // namespace qv
