#include "Base64.h"

#include <openssl/evp.h>

#include <algorithm>

namespace qv {

std::string base64EncodedString(const void* bytes, size_t length)
{
    std::string text;
    // EVP_EncodeBlock takes an int length: encode in pieces of whole groups.
    constexpr size_t piece = 3u << 20;
    const auto* input = static_cast<const unsigned char*>(bytes);
    for (size_t offset = 0; offset < length; offset += piece) {
        const size_t count = std::min(piece, length - offset);
        const size_t start = text.size();
        text.resize(start + 4 * ((count + 2) / 3) + 1);
        const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data() + start), input + offset, static_cast<int>(count));
        text.resize(start + static_cast<size_t>(written));
    }
    return text;
}

std::optional<std::vector<uint8_t>> base64DecodedBytes(std::string_view text)
{
    if (text.size() % 4 != 0 || text.size() > (1u << 30))
        return std::nullopt;
    std::vector<uint8_t> bytes(text.size() / 4 * 3 + 1);
    const int written = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (written < 0)
        return std::nullopt;
    // EVP_DecodeBlock counts the padding as zero bytes.
    size_t length = static_cast<size_t>(written);
    for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && length > 0; --i)
        --length;
    bytes.resize(length);
    return bytes;
}

} // namespace qv
