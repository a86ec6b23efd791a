#include "platform/CommonCrypto/CommonDigest.h"
#include "platform/CommonCrypto/CommonHMAC.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace qv;

namespace {

std::string hex(const unsigned char* bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t index = 0; index < length; ++index) {
        text += digits[bytes[index] >> 4];
        text += digits[bytes[index] & 15];
    }
    return text;
}

std::string hmac(CCHmacAlgorithm algorithm, const std::string& key, const std::string& message)
{
    unsigned char mac[CC_SHA1_DIGEST_LENGTH] = {};
    CCHmac(algorithm, key.data(), key.size(), message.data(), message.size(), mac);
    return hex(mac, algorithm == kCCHmacAlgMD5 ? CC_MD5_DIGEST_LENGTH : CC_SHA1_DIGEST_LENGTH);
}

std::string md5(const std::string& message)
{
    unsigned char digest[CC_MD5_DIGEST_LENGTH];
    return hex(CC_MD5(message.data(), message.size(), digest), sizeof digest);
}

std::string sha1(const std::string& message)
{
    unsigned char digest[CC_SHA1_DIGEST_LENGTH];
    return hex(CC_SHA1(message.data(), message.size(), digest), sizeof digest);
}

} // namespace

TEST(CommonCrypto, KnownDigestsAndKeyedDigests)
{
    EXPECT_EQ(md5(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(sha1("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    unsigned char digest[CC_MD5_DIGEST_LENGTH];
    EXPECT_EQ(hex(CC_MD5(nullptr, 0, digest), sizeof digest), "d41d8cd98f00b204e9800998ecf8427e");

    // RFC 2202's cases, among them keys longer than a block.
    struct Case {
        CCHmacAlgorithm algorithm;
        std::string key;
        std::string message;
        std::string mac;
    };
    for (const Case& known : std::vector<Case> {
             { kCCHmacAlgSHA1, std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00" },
             { kCCHmacAlgSHA1, "Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79" },
             { kCCHmacAlgSHA1, std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
                 "aa4ae5e15272d00e95705637ce8a3b55ed402112" },
             { kCCHmacAlgMD5, std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d" },
             { kCCHmacAlgMD5, "Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738" },
             { kCCHmacAlgMD5, std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
                 "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd" },
             { kCCHmacAlgSHA1, "", "", "fbdb1d1b18aa6c08324b7d64b71fb76370690e1d" },
         })
        EXPECT_EQ(hmac(known.algorithm, known.key, known.message), known.mac) << known.mac;
}

TEST(CommonCrypto, AgreesWithPythonOnGeneratedCases)
{
    // Keys and messages of every awkward length (empty, a block, longer than
    // a block) and of any byte, compared with Python's hmac and hashlib.
    std::mt19937 random(20141);
    std::ostringstream cases;
    std::vector<std::string> ours;
    for (size_t keyLength : { 0, 1, 20, 63, 64, 65, 200 }) {
        for (size_t messageLength : { 0, 1, 55, 56, 64, 1000 }) {
            std::string key(keyLength, '\0');
            std::string message(messageLength, '\0');
            for (char& byte : key)
                byte = static_cast<char>(random());
            for (char& byte : message)
                byte = static_cast<char>(random());
            cases << hex(reinterpret_cast<const unsigned char*>(key.data()), key.size()) << " "
                  << hex(reinterpret_cast<const unsigned char*>(message.data()), message.size()) << "\n";
            ours.push_back(hmac(kCCHmacAlgSHA1, key, message) + " " + hmac(kCCHmacAlgMD5, key, message) + " "
                + md5(message) + " " + sha1(message));
        }
    }
    qv::testing::ProcessResult python = qv::testing::runPython(R"PY(
import hashlib, hmac, sys
for line in sys.stdin.read().splitlines():
    parts = line.split(' ')
    key = bytes.fromhex(parts[0]) if parts[0] else b''
    message = bytes.fromhex(parts[1]) if len(parts) > 1 and parts[1] else b''
    print(hmac.new(key, message, hashlib.sha1).hexdigest(), hmac.new(key, message, hashlib.md5).hexdigest(),
          hashlib.md5(message).hexdigest(), hashlib.sha1(message).hexdigest())
)PY", {}, cases.str());
    ASSERT_EQ(python.exitCode, 0) << python.errors;
    EXPECT_EQ(ours, qv::testing::outputLines(python.output));
}
