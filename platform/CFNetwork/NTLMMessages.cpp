#include "NTLMMessages.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <chrono>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view signature { "NTLMSSP\0", 8 };

enum : uint32_t {
    NegotiateUnicode = 0x00000001,
    NegotiateOEM = 0x00000002,
    RequestTarget = 0x00000004,
    NegotiateNTLM = 0x00000200,
    NegotiateAlwaysSign = 0x00008000,
    NegotiateExtendedSessionSecurity = 0x00080000,
    Negotiate128 = 0x20000000,
    Negotiate56 = 0x80000000,
};

constexpr uint32_t clientFlags = NegotiateUnicode | NegotiateOEM | RequestTarget | NegotiateNTLM | NegotiateAlwaysSign
    | NegotiateExtendedSessionSecurity | Negotiate128 | Negotiate56;

constexpr uint16_t avEndOfList = 0;
constexpr uint16_t avTimestamp = 7;

void putLittleEndian(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

uint64_t readLittleEndian(std::string_view in, size_t at, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
    return value;
}

// A field of the fixed part pointing into the payload: length, the same
// again as its maximum, offset.
void putField(std::string& out, size_t length, size_t offset)
{
    putLittleEndian(out, length, 2);
    putLittleEndian(out, length, 2);
    putLittleEndian(out, offset, 4);
}

std::optional<std::string_view> fieldAt(std::string_view message, size_t at)
{
    if (at + 8 > message.size())
        return std::nullopt;
    const uint64_t length = readLittleEndian(message, at, 2);
    const uint64_t offset = readLittleEndian(message, at + 4, 4);
    if (offset > message.size() || length > message.size() - offset)
        return std::nullopt;
    return message.substr(offset, length);
}

// UTF-8 to code points; nothing for malformed text.
std::optional<std::u32string> codePoints(std::string_view text)
{
    std::u32string points;
    for (size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0 || at + static_cast<size_t>(extra) >= text.size())
            return std::nullopt;
        char32_t point = extra == 0 ? lead : lead & (0x3f >> extra);
        for (int i = 1; i <= extra; ++i) {
            const unsigned char next = static_cast<unsigned char>(text[at + static_cast<size_t>(i)]);
            if ((next & 0xc0) != 0x80)
                return std::nullopt;
            point = (point << 6) | (next & 0x3f);
        }
        static constexpr char32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };
        if (point < smallest[extra] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff))
            return std::nullopt;
        points += point;
        at += static_cast<size_t>(extra) + 1;
    }
    return points;
}

char32_t upper(char32_t point)
{
    // Unicode's simple upper-case mapping, as the account names are
    // compared; without the table only ASCII letters change.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (unicode)
        return static_cast<char32_t>(towupper_l(static_cast<wint_t>(point), unicode));
    return point >= 'a' && point <= 'z' ? point - 32 : point;
}

// The text as UTF-16 in little-endian order, upper-cased when asked.
std::optional<std::string> unicodeBytes(std::string_view text, bool uppercase = false)
{
    auto points = codePoints(text);
    if (!points)
        return std::nullopt;
    std::string out;
    for (char32_t point : *points) {
        if (uppercase)
            point = upper(point);
        if (point >= 0x10000) {
            point -= 0x10000;
            putLittleEndian(out, 0xd800 + (point >> 10), 2);
            putLittleEndian(out, 0xdc00 + (point & 0x3ff), 2);
        } else {
            putLittleEndian(out, point, 2);
        }
    }
    return out;
}

// The server did not take Unicode: the texts go as single bytes, those
// beyond Latin-1 as "?".
std::optional<std::string> oemBytes(std::string_view text)
{
    auto points = codePoints(text);
    if (!points)
        return std::nullopt;
    std::string out;
    for (char32_t point : *points)
        out += point < 0x100 ? static_cast<char>(point) : '?';
    return out;
}

std::string hmacMD5(std::string_view key, std::string_view data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest, &length);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

// The server's time stamp among its AV pairs, if it sent one.
std::optional<uint64_t> serverTimestamp(std::string_view info)
{
    for (size_t at = 0; at + 4 <= info.size();) {
        const uint64_t id = readLittleEndian(info, at, 2);
        const uint64_t length = readLittleEndian(info, at + 2, 2);
        if (id == avEndOfList || at + 4 + length > info.size())
            break;
        if (id == avTimestamp && length == 8)
            return readLittleEndian(info, at + 4, 8);
        at += 4 + length;
    }
    return std::nullopt;
}

} // namespace

std::string NTLMMessages::md4(std::string_view data)
{
    // RFC 1320. OpenSSL keeps MD4 only in its legacy provider, which a
    // device need not have.
    auto rotate = [](uint32_t value, int shift) { return (value << shift) | (value >> (32 - shift)); };
    std::string message(data);
    message += static_cast<char>(0x80);
    while (message.size() % 64 != 56)
        message += '\0';
    putLittleEndian(message, static_cast<uint64_t>(data.size()) * 8, 8);
    std::array<uint32_t, 4> state { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 };
    static constexpr int orders[3][16] = { { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 },
        { 0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15 }, { 0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15 } };
    static constexpr int shifts[3][4] = { { 3, 7, 11, 19 }, { 3, 5, 9, 13 }, { 3, 9, 11, 15 } };
    static constexpr uint32_t additions[3] = { 0, 0x5a827999, 0x6ed9eba1 };
    for (size_t block = 0; block < message.size(); block += 64) {
        uint32_t words[16];
        for (size_t i = 0; i < 16; ++i)
            words[i] = static_cast<uint32_t>(readLittleEndian(message, block + 4 * i, 4));
        std::array<uint32_t, 4> v = state;
        for (int round = 0; round < 3; ++round) {
            for (int step = 0; step < 16; ++step) {
                const int t = (4 - step % 4) % 4;
                const uint32_t b = v[(t + 1) % 4], c = v[(t + 2) % 4], d = v[(t + 3) % 4];
                const uint32_t mixed = round == 0 ? (b & c) | (~b & d) : round == 1 ? (b & c) | (b & d) | (c & d) : b ^ c ^ d;
                v[t] = rotate(v[t] + mixed + words[orders[round][step]] + additions[round], shifts[round][step % 4]);
            }
        }
        for (size_t i = 0; i < 4; ++i)
            state[i] += v[i];
    }
    std::string digest;
    for (uint32_t word : state)
        putLittleEndian(digest, word, 4);
    return digest;
}

std::optional<std::string> NTLMMessages::ntlmV2Hash(const std::string& user, const std::string& password, const std::string& domain)
{
    auto unicodePassword = unicodeBytes(password);
    auto upperUser = unicodeBytes(user, true);
    auto unicodeDomain = unicodeBytes(domain);
    if (!unicodePassword || !upperUser || !unicodeDomain)
        return std::nullopt;
    return hmacMD5(md4(*unicodePassword), *upperUser + *unicodeDomain);
}

uint64_t NTLMMessages::currentFileTime()
{
    // 100-nanosecond steps since 1601-01-01.
    constexpr uint64_t secondsFrom1601To1970 = 11644473600ull;
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    return (secondsFrom1601To1970 * 10000000ull) + static_cast<uint64_t>(since1970 / 100);
}

std::string NTLMMessages::negotiateMessage()
{
    std::string message(signature);
    putLittleEndian(message, 1, 4);
    putLittleEndian(message, clientFlags, 4);
    putField(message, 0, 0); // no domain
    putField(message, 0, 0); // no workstation
    return message;
}

std::optional<NTLMMessages::Challenge> NTLMMessages::parseChallenge(std::string_view message)
{
    if (message.size() < 32 || message.substr(0, 8) != signature || readLittleEndian(message, 8, 4) != 2)
        return std::nullopt;
    Challenge challenge;
    challenge.flags = static_cast<uint32_t>(readLittleEndian(message, 20, 4));
    challenge.serverChallenge = std::string(message.substr(24, 8));
    // The target information is there from the message's 48th byte on.
    if (message.size() >= 48) {
        auto info = fieldAt(message, 40);
        if (!info)
            return std::nullopt;
        challenge.targetInfo = std::string(*info);
    }
    return challenge;
}

std::optional<std::string> NTLMMessages::authenticateMessage(const Challenge& challenge, const Account& account,
    std::string_view clientChallenge, uint64_t fileTime)
{
    if (challenge.serverChallenge.size() != 8 || clientChallenge.size() != 8)
        return std::nullopt;
    auto hash = ntlmV2Hash(account.user, account.password, account.domain);
    const bool unicode = challenge.flags & NegotiateUnicode;
    auto text = [&](const std::string& value) { return unicode ? unicodeBytes(value) : oemBytes(value); };
    auto domain = text(account.domain);
    auto user = text(account.user);
    auto workstation = text(account.workstation);
    if (!hash || !domain || !user || !workstation)
        return std::nullopt;

    const auto timestamp = serverTimestamp(challenge.targetInfo);
    std::string blob("\x01\x01\0\0\0\0\0\0", 8);
    putLittleEndian(blob, timestamp.value_or(fileTime), 8);
    blob += clientChallenge;
    blob += std::string(4, '\0');
    blob += challenge.targetInfo;
    blob += std::string(4, '\0');
    const std::string proof = hmacMD5(*hash, challenge.serverChallenge + blob);
    const std::string ntResponse = proof + blob;
    // With the server's time stamp the LMv2 answer is left out (zeros).
    const std::string lmResponse = timestamp ? std::string(24, '\0')
                                             : hmacMD5(*hash, challenge.serverChallenge + std::string(clientChallenge)) + std::string(clientChallenge);

    constexpr size_t fixedPart = 64;
    std::string message(signature);
    putLittleEndian(message, 3, 4);
    size_t offset = fixedPart;
    for (const std::string* payload : std::initializer_list<const std::string*> { &lmResponse, &ntResponse, &*domain, &*user, &*workstation }) {
        putField(message, payload->size(), offset);
        offset += payload->size();
    }
    putField(message, 0, offset); // no session key
    putLittleEndian(message, (challenge.flags & clientFlags & ~(NegotiateOEM | NegotiateUnicode)) | (unicode ? NegotiateUnicode : NegotiateOEM), 4);
    message += lmResponse + ntResponse + *domain + *user + *workstation;
    return message;
}

} // namespace qv
