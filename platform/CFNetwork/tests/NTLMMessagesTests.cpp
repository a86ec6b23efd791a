#include "platform/CFNetwork/NTLMMessages.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return out;
}

uint64_t word(std::string_view bytes, size_t at, int size)
{
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

// A payload field of a message: its bytes.
std::string field(const std::string& message, size_t at)
{
    return message.substr(word(message, at + 4, 4), word(message, at, 2));
}

} // namespace

TEST(NTLMMessages, MD4GivesTheDigestsOfItsDefinition)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "31d6cfe0d16ae931b73c59d7e0c089c0" },
        { "a", "bde52cb31de33e46245e05fbdbd6fb24" },
        { "abc", "a448017aaf21d8525fc10ae87aa6729d" },
        { "message digest", "d9130a8164549fe818874806e1c7014b" },
        { "abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "043f8582f241db351ce627e153e7f0e4" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890", "e33b4ddc9c38f2199c3e7b164fcc0536" },
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(hex(NTLMMessages::md4(text)), digest) << '"' << text << '"';
}

TEST(NTLMMessages, TheAuthenticateMessageCarriesThePublishedNTLMv2Answer)
{
    // The published NTLMv2 example: user "User" of domain "Domain",
    // password "Password", the server's challenge 0123456789abcdef, the
    // client's aaaaaaaaaaaaaaaa, time 0, the server named "Server".
    auto hash = NTLMMessages::ntlmV2Hash("User", "Password", "Domain");
    ASSERT_TRUE(hash);
    EXPECT_EQ(hex(*hash), "0c868a403bfd7a93a3001ef22ef02e3f");

    const std::string info = unhex("02000c0044006f006d00610069006e0001000c0053006500720076006500720000000000");
    std::string challengeMessage = unhex("4e544c4d53535000020000000c000c003800000033828ae20123456789abcdef00000000000000002400240044000000" "0601b01d0000000f");
    challengeMessage += unhex("44006f006d00610069006e00") + info;
    auto challenge = NTLMMessages::parseChallenge(challengeMessage);
    ASSERT_TRUE(challenge);
    EXPECT_EQ(hex(challenge->serverChallenge), "0123456789abcdef");
    EXPECT_EQ(challenge->targetInfo, info);

    auto message = NTLMMessages::authenticateMessage(*challenge, { "User", "Password", "Domain", "COMPUTER" }, unhex("aaaaaaaaaaaaaaaa"), 0);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->substr(0, 12), std::string("NTLMSSP\0\3\0\0\0", 12));
    EXPECT_EQ(hex(field(*message, 12)), "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
    const std::string nt = field(*message, 20);
    EXPECT_EQ(hex(nt.substr(0, 16)), "68cd0ab851e51c96aabc927bebef6a1c");
    EXPECT_EQ(hex(nt.substr(16, 28)), "0101000000000000" "0000000000000000" "aaaaaaaaaaaaaaaa" "00000000");
    EXPECT_EQ(nt.substr(44), info + std::string(4, '\0'));
    EXPECT_EQ(field(*message, 28), std::string("D\0o\0m\0a\0i\0n\0", 12));
    EXPECT_EQ(field(*message, 36), std::string("U\0s\0e\0r\0", 8));
    EXPECT_EQ(field(*message, 44), std::string("C\0O\0M\0P\0U\0T\0E\0R\0", 16));
    EXPECT_EQ(word(*message, 60, 4) & 1, 1u) << "Unicode, as the server offered";

    // With the server's own time stamp the time is the server's and the
    // LMv2 answer is left out.
    NTLMMessages::Challenge stamped = *challenge;
    stamped.targetInfo = unhex("07000800") + unhex("0011223344556677") + unhex("00000000");
    auto withStamp = NTLMMessages::authenticateMessage(stamped, { "User", "Password", "Domain", "" }, unhex("aaaaaaaaaaaaaaaa"), 42);
    ASSERT_TRUE(withStamp);
    EXPECT_EQ(field(*withStamp, 12), std::string(24, '\0'));
    EXPECT_EQ(hex(field(*withStamp, 20).substr(24, 8)), "0011223344556677");
}

TEST(NTLMMessages, MalformedChallengesAndTextsAreRefused)
{
    const std::string cases[] = {
        "",
        "NTLMSSP",
        unhex("4e544c4d53535000010000000000000000000000000000000000000000000000"), // a negotiate message
        unhex("4e544c4d5353500002000000"),                                           // cut short
        unhex("4e544c4d53535000020000000000000030000000018200000123456789abcdef0000000000000000ff00ff0030000000"), // info beyond the end
        unhex("4e544c4d53535000020000000000000030000000018200000123456789abcdef0000000000000000080008000000ffff"), // offset far away
    };
    for (const auto& message : cases)
        EXPECT_FALSE(NTLMMessages::parseChallenge(message)) << hex(message);
    auto challenge = NTLMMessages::parseChallenge(unhex("4e544c4d53535000020000000000000030000000018200000123456789abcdef"));
    ASSERT_TRUE(challenge) << "a challenge without target information";
    EXPECT_TRUE(challenge->targetInfo.empty());
    // Text that is no UTF-8 gives no message; a wrong-sized client
    // challenge neither.
    EXPECT_FALSE(NTLMMessages::authenticateMessage(*challenge, { "us\xffr", "p", "d", "" }, "12345678", 0));
    EXPECT_FALSE(NTLMMessages::authenticateMessage(*challenge, { "user", "p", "d", "" }, "1234", 0));
    // A negotiate message names no domain or workstation.
    const std::string negotiate = NTLMMessages::negotiateMessage();
    EXPECT_EQ(negotiate.size(), 32u);
    EXPECT_EQ(negotiate.substr(0, 12), std::string("NTLMSSP\0\1\0\0\0", 12));
}
