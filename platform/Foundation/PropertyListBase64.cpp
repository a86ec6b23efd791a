#include "PropertyListBase64.h"

#include "Base64.h"

namespace qv {

std::optional<std::string> propertyListBytesFromBase64(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char character : text) {
        if (character != ' ' && character != '\t' && character != '\n' && character != '\r')
            compact += character;
    }
    // A last group of two or three characters is padded to four; one alone
    // holds no byte.
    if (compact.size() % 4 == 1)
        return std::nullopt;
    if (compact.size() % 4)
        compact.append(4 - compact.size() % 4, '=');
    auto bytes = base64DecodedBytes(compact);
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

} // namespace qv
