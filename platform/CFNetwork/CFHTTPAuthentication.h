#pragma once

#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/Foundation/NSError.h"

#include <mutex>
#include <optional>
#include <string>

namespace qv {

inline constexpr const char* kCFHTTPAuthenticationSchemeBasic = "Basic";
inline constexpr const char* kCFHTTPAuthenticationSchemeDigest = "Digest";
inline constexpr const char* kCFHTTPAuthenticationSchemeNTLM = "NTLM";

// Keys of a credential dictionary.
inline constexpr const char* kCFHTTPAuthenticationUsername = "kCFHTTPAuthenticationUsername";
inline constexpr const char* kCFHTTPAuthenticationPassword = "kCFHTTPAuthenticationPassword";
inline constexpr const char* kCFHTTPAuthenticationAccountDomain = "kCFHTTPAuthenticationAccountDomain";

// Why an authentication object turned invalid (the HTTP stream domain).
enum : long {
    kCFStreamErrorHTTPAuthenticationTypeUnsupported = -1000,
    kCFStreamErrorHTTPAuthenticationBadUserName = -1001,
    kCFStreamErrorHTTPAuthenticationBadPassword = -1002,
};

// The challenge of a 401 (server) or 407 (proxy) answer and how to meet
// it: the scheme chosen among those offered (Digest, then NTLM, then
// Basic), its realm, and the credentials applied to a request message;
// NTLM's are bound to the connection, and the stream that sends the
// message carries out the exchange (CFHTTPMessage). An object that was
// answered with credentials and is challenged again without a fresh nonce
// turns invalid: the credentials were refused (not so for NTLM, whose
// every challenge looks alike).
class CFHTTPAuthentication : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    // Nothing when the answer holds no challenge; a challenge of a scheme
    // not known here gives an object that is not valid
    // (kCFStreamErrorHTTPAuthenticationTypeUnsupported).
    static RefPtr<CFHTTPAuthentication> createFromResponse(const CFHTTPMessage& response);

    std::string method() const;
    std::string realm() const;
    bool requiresAccountDomain() const;
    bool requiresUserNameAndPassword() const { return true; }
    bool isProxy() const { return m_isProxy; }
    // Valid, or the reason it is not.
    bool isValid(long* streamError = nullptr) const;
    // Reads the next answer of the exchange: a new challenge after
    // credentials were applied invalidates the object unless the server
    // only asks again with a fresh nonce (Digest "stale").
    void updateFromResponse(const CFHTTPMessage& response);

    // Sets "Authorization" (or "Proxy-Authorization") on the message from
    // the credentials; false when they lack a user name or password or
    // would break the field.
    bool applyCredentials(CFHTTPMessage& request, const NSDictionary& credentials);

    std::string className() const override { return "CFHTTPAuthentication"; }

private:
    CFHTTPAuthentication() = default;
    bool readChallenge(const CFHTTPMessage& response);

    mutable std::mutex m_lock;
    bool m_isProxy = false;
    std::string m_scheme;
    std::string m_realm;
    std::string m_nonce;
    std::string m_opaque;
    std::string m_algorithm;
    std::string m_qop;
    unsigned m_nonceCount = 0;
    bool m_applied = false;
    long m_invalidReason = 0;
};

} // namespace qv
