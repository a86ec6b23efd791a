#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The three messages of an NTLM login on one connection: the client's
// negotiate message, the server's challenge, and the client's
// authenticate message carrying the NTLMv2 answer (an HMAC-MD5 over the
// server's challenge, a blob of the client's, keyed by the account's
// hash). Messages are raw bytes; the HTTP fields carry them in Base64.
class NTLMMessages {
public:
    struct Challenge {
        uint32_t flags = 0;
        std::string serverChallenge; // 8 bytes
        std::string targetInfo;      // the AV pairs, as sent
    };
    struct Account {
        std::string user;
        std::string password;
        std::string domain;
        std::string workstation;
    };

    static std::string negotiateMessage();
    // Nothing when the bytes are no well-formed challenge message.
    static std::optional<Challenge> parseChallenge(std::string_view message);
    // Nothing when the account's texts are not UTF-8. The client's
    // challenge is 8 random bytes, the time a Windows file time (100 ns
    // since 1601); the server's own time stamp, when it sent one, is used
    // in its place.
    static std::optional<std::string> authenticateMessage(const Challenge& challenge, const Account& account,
        std::string_view clientChallenge, uint64_t fileTime);

    // The pieces, for checking against published values.
    static std::string md4(std::string_view data);
    static std::optional<std::string> ntlmV2Hash(const std::string& user, const std::string& password, const std::string& domain);
    // The current time as a Windows file time.
    static uint64_t currentFileTime();
};

} // namespace qv
