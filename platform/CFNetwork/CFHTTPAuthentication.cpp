#include "CFHTTPAuthentication.h"

#include "platform/CFNetwork/NTLMMessages.h"
#include "platform/Foundation/Base64.h"
#include "platform/Foundation/StringFormat.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <strings.h>

#include <map>
#include <vector>

namespace qv {

namespace {

struct Challenge {
    std::string scheme;
    std::map<std::string, std::string> parameters; // names in lower case
};

// Challenges of a WWW-Authenticate value: "Digest realm="a", nonce="b",
// Basic realm="c"". Parameters may be quoted, with backslash escapes.
std::vector<Challenge> parseChallenges(const std::string& value)
{
    std::vector<Challenge> challenges;
    size_t at = 0;
    auto skipBlanks = [&] { while (at < value.size() && (value[at] == ' ' || value[at] == '\t' || value[at] == ',')) ++at; };
    auto token = [&] {
        const size_t start = at;
        while (at < value.size() && value[at] != ' ' && value[at] != '\t' && value[at] != ',' && value[at] != '=')
            ++at;
        return value.substr(start, at - start);
    };
    while (at < value.size()) {
        skipBlanks();
        const size_t start = at;
        std::string word = token();
        if (word.empty())
            break;
        if (at < value.size() && value[at] == '=' && !challenges.empty()) {
            // A parameter of the current challenge.
            ++at;
            std::string parameter;
            if (at < value.size() && value[at] == '"') {
                ++at;
                while (at < value.size() && value[at] != '"') {
                    if (value[at] == '\\' && at + 1 < value.size())
                        ++at;
                    parameter += value[at++];
                }
                ++at;
            } else {
                parameter = token();
            }
            std::string name = word;
            for (auto& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            challenges.back().parameters[name] = parameter;
        } else if (at < value.size() && value[at] == '=') {
            at = start + word.size() + 1;
        } else {
            challenges.push_back({ word, {} });
            // A token68 form ("Negotiate abc=") is passed over.
        }
    }
    return challenges;
}

std::string hexDigest(const std::string& algorithm, const std::string& text)
{
    const EVP_MD* md = strcasecmp(algorithm.c_str(), "SHA-256") == 0 || strcasecmp(algorithm.c_str(), "SHA-256-sess") == 0 ? EVP_sha256() : EVP_md5();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, md, nullptr);
    std::string hex;
    for (unsigned i = 0; i < length; ++i)
        hex += stringWithFormat("%02x", digest[i]);
    return hex;
}

// A quoted-string parameter: quotes and backslashes escaped.
std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

std::string text(const NSDictionary& dictionary, const char* key)
{
    auto value = dictionary.stringForKey(key);
    return value ? value->string() : std::string();
}

// The authenticate message's field value for an NTLM challenge field
// ("NTLM <Base64>", perhaps among other schemes' challenges); nothing when
// the field holds no NTLM challenge message.
std::optional<std::string> answerNTLMChallenge(const std::string& fieldValue, const NTLMMessages::Account& account)
{
    size_t start = 0;
    while (start <= fieldValue.size()) {
        size_t end = fieldValue.find(',', start);
        if (end == std::string::npos)
            end = fieldValue.size();
        std::string item = fieldValue.substr(start, end - start);
        item.erase(0, item.find_first_not_of(" \t"));
        if (item.size() > 5 && strncasecmp(item.c_str(), "NTLM ", 5) == 0) {
            std::string token = item.substr(5);
            token.erase(0, token.find_first_not_of(" \t"));
            token.erase(token.find_last_not_of(" \t") + 1);
            auto bytes = base64DecodedBytes(token);
            auto challenge = bytes ? NTLMMessages::parseChallenge(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())) : std::nullopt;
            if (!challenge)
                return std::nullopt;
            unsigned char clientChallenge[8];
            if (RAND_bytes(clientChallenge, sizeof clientChallenge) != 1)
                return std::nullopt;
            auto message = NTLMMessages::authenticateMessage(*challenge, account,
                std::string_view(reinterpret_cast<const char*>(clientChallenge), sizeof clientChallenge), NTLMMessages::currentFileTime());
            if (!message)
                return std::nullopt;
            return "NTLM " + base64EncodedString(*message);
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

RefPtr<CFHTTPAuthentication> CFHTTPAuthentication::createFromResponse(const CFHTTPMessage& response)
{
    auto authentication = makeRef<CFHTTPAuthentication>();
    if (!authentication->readChallenge(response))
        return nullptr;
    return authentication;
}

bool CFHTTPAuthentication::readChallenge(const CFHTTPMessage& response)
{
    const int status = response.responseStatusCode();
    m_isProxy = status == 407;
    auto value = response.headerFieldValue(m_isProxy ? "Proxy-Authenticate" : "WWW-Authenticate");
    if (!value)
        return false;
    const auto challenges = parseChallenges(*value);
    const Challenge* chosen = nullptr;
    for (const char* preferred : { kCFHTTPAuthenticationSchemeDigest, kCFHTTPAuthenticationSchemeNTLM, kCFHTTPAuthenticationSchemeBasic }) {
        for (const auto& challenge : challenges) {
            if (strcasecmp(challenge.scheme.c_str(), preferred) == 0) {
                chosen = &challenge;
                m_scheme = preferred;
                break;
            }
        }
        if (chosen)
            break;
    }
    if (!chosen) {
        if (challenges.empty())
            return false;
        // A challenge of a scheme not met here still makes an object, one
        // that says why it cannot be answered.
        m_scheme = challenges.front().scheme;
        auto realm = challenges.front().parameters.find("realm");
        m_realm = realm == challenges.front().parameters.end() ? std::string() : realm->second;
        m_invalidReason = kCFStreamErrorHTTPAuthenticationTypeUnsupported;
        return true;
    }
    auto parameter = [&](const char* name) {
        auto found = chosen->parameters.find(name);
        return found == chosen->parameters.end() ? std::string() : found->second;
    };
    m_realm = parameter("realm");
    m_nonce = parameter("nonce");
    m_opaque = parameter("opaque");
    m_algorithm = parameter("algorithm");
    m_qop = parameter("qop");
    if (m_scheme == kCFHTTPAuthenticationSchemeDigest && m_nonce.empty())
        return false;
    return true;
}

std::string CFHTTPAuthentication::method() const
{
    std::lock_guard lock(m_lock);
    return m_scheme;
}

std::string CFHTTPAuthentication::realm() const
{
    std::lock_guard lock(m_lock);
    return m_realm;
}

bool CFHTTPAuthentication::requiresAccountDomain() const
{
    std::lock_guard lock(m_lock);
    return m_scheme == kCFHTTPAuthenticationSchemeNTLM;
}

bool CFHTTPAuthentication::isValid(long* streamError) const
{
    std::lock_guard lock(m_lock);
    if (streamError)
        *streamError = m_invalidReason;
    return m_invalidReason == 0;
}

void CFHTTPAuthentication::updateFromResponse(const CFHTTPMessage& response)
{
    std::lock_guard lock(m_lock);
    const int status = response.responseStatusCode();
    if (status != 401 && status != 407)
        return;
    auto value = response.headerFieldValue(status == 407 ? "Proxy-Authenticate" : "WWW-Authenticate");
    bool stale = false;
    if (value && m_scheme == kCFHTTPAuthenticationSchemeDigest) {
        for (const auto& challenge : parseChallenges(*value)) {
            if (strcasecmp(challenge.scheme.c_str(), "Digest") != 0)
                continue;
            auto staleValue = challenge.parameters.find("stale");
            stale = staleValue != challenge.parameters.end() && strcasecmp(staleValue->second.c_str(), "true") == 0;
            auto nonce = challenge.parameters.find("nonce");
            if (stale && nonce != challenge.parameters.end()) {
                m_nonce = nonce->second;
                m_nonceCount = 0;
            }
            break;
        }
    }
    // Asked again although credentials were given: they were refused. An
    // NTLM login ends in a bare challenge either way, so its object stays
    // valid and the request's own limit of tries ends it.
    if (m_applied && !stale && m_scheme != kCFHTTPAuthenticationSchemeNTLM)
        m_invalidReason = kCFStreamErrorHTTPAuthenticationBadPassword;
    m_applied = false;
}

bool CFHTTPAuthentication::applyCredentials(CFHTTPMessage& request, const NSDictionary& credentials)
{
    const std::string user = text(credentials, kCFHTTPAuthenticationUsername);
    const std::string password = text(credentials, kCFHTTPAuthenticationPassword);
    if (!credentials.stringForKey(kCFHTTPAuthenticationUsername) || !credentials.stringForKey(kCFHTTPAuthenticationPassword))
        return false;
    std::lock_guard lock(m_lock);
    if (m_invalidReason)
        return false;
    const char* field = m_isProxy ? "Proxy-Authorization" : "Authorization";
    std::string value;
    if (m_scheme == kCFHTTPAuthenticationSchemeBasic) {
        value = "Basic " + base64EncodedString(user + ":" + password);
    } else if (m_scheme == kCFHTTPAuthenticationSchemeNTLM) {
        value = "NTLM " + base64EncodedString(NTLMMessages::negotiateMessage());
        NTLMMessages::Account account { user, password, text(credentials, kCFHTTPAuthenticationAccountDomain), "" };
        CFHTTPMessage::ConnectionAuthentication exchange { field, m_isProxy ? "Proxy-Authenticate" : "WWW-Authenticate", m_isProxy ? 407 : 401,
            [account](const std::string& challenge) { return answerNTLMChallenge(challenge, account); }, account.user, account.password,
            account.domain };
        if (!request.setHeaderFieldValue(field, value))
            return false;
        request.setConnectionAuthentication(std::move(exchange));
        m_applied = true;
        return true;
    } else {
        auto url = request.requestURL();
        if (!url)
            return false;
        const std::string uri = url->requestTarget();
        const std::string algorithm = m_algorithm.empty() ? "MD5" : m_algorithm;
        unsigned char random[8];
        RAND_bytes(random, sizeof random);
        std::string cnonce;
        for (unsigned char byte : random)
            cnonce += stringWithFormat("%02x", byte);
        const std::string nc = stringWithFormat("%08x", ++m_nonceCount);
        std::string ha1 = hexDigest(algorithm, user + ":" + m_realm + ":" + password);
        if (algorithm.size() > 5 && strcasecmp(algorithm.c_str() + algorithm.size() - 5, "-sess") == 0)
            ha1 = hexDigest(algorithm, ha1 + ":" + m_nonce + ":" + cnonce);
        const std::string ha2 = hexDigest(algorithm, request.requestMethod() + ":" + uri);
        const bool withQop = m_qop.find("auth") != std::string::npos;
        const std::string response = withQop ? hexDigest(algorithm, ha1 + ":" + m_nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2)
                                             : hexDigest(algorithm, ha1 + ":" + m_nonce + ":" + ha2);
        value = "Digest username=" + quoted(user) + ", realm=" + quoted(m_realm) + ", nonce=" + quoted(m_nonce) + ", uri=" + quoted(uri)
            + ", response=" + quoted(response) + ", algorithm=" + algorithm;
        if (withQop)
            value += ", qop=auth, nc=" + nc + ", cnonce=" + quoted(cnonce);
        if (!m_opaque.empty())
            value += ", opaque=" + quoted(m_opaque);
    }
    if (!request.setHeaderFieldValue(field, value))
        return false;
    // Credentials that stand alone end a connection-bound login of the
    // same field.
    request.removeConnectionAuthentication(field);
    m_applied = true;
    return true;
}

} // namespace qv
