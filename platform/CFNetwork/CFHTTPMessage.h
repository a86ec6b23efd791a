#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSURL.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

inline constexpr const char* kCFHTTPVersion1_0 = "HTTP/1.0";
inline constexpr const char* kCFHTTPVersion1_1 = "HTTP/1.1";

// An HTTP message: a request (method, URL, version) or a response (status
// line), with header fields that keep the names they were given and their
// order, a repeated name as often as it came, and a body. A response is
// filled from the bytes of the wire, or from a transport's parsed head;
// either way it says when its head is complete.
class CFHTTPMessage : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<CFHTTPMessage> createRequest(std::string method, const NSURL& url, std::string version);
    // An empty message to append received bytes to.
    static Ref<CFHTTPMessage> createEmpty(bool isRequest);
    static Ref<CFHTTPMessage> createResponse(int statusCode, const std::string& statusDescription, std::string version);

    bool isRequest() const { return m_isRequest; }
    std::string requestMethod() const;
    RefPtr<NSURL> requestURL() const;
    std::string version() const;
    int responseStatusCode() const;
    // The whole status line, "HTTP/1.1 200 OK".
    std::string responseStatusLine() const;

    // Replaces every field of the name (in any case) by one with this name
    // and value; a name or value holding CR, LF or NUL, or a name that is
    // no token, is refused (answers false and changes nothing).
    bool setHeaderFieldValue(const std::string& name, const std::string& value);
    // Adds a field, also when the name is there already.
    bool addHeaderField(const std::string& name, const std::string& value);
    void removeHeaderField(std::string_view name);
    // The value of a field, looked up in any case; a repeated field's
    // values joined with ", ".
    std::optional<std::string> headerFieldValue(std::string_view name) const;
    std::vector<std::pair<std::string, std::string>> headerFields() const;
    // The fields of one name (in any case), each as it came.
    std::vector<std::pair<std::string, std::string>> headerFieldsNamed(std::string_view name) const;
    // Name to value, the name as first given, repeats joined with ", ".
    Ref<NSDictionary> allHeaderFields() const;

    void setBody(std::string body);
    std::string body() const;

    // Credentials bound to the connection (NTLM): the field set on the
    // message opens the exchange; the stream sends the message once without
    // its body and, when that same connection answers with a challenge,
    // sends it again there, body and all, with the field's value that
    // `answer` gives for the challenge field's value. A proxy's and a
    // server's may both be set; none for credentials that stand alone.
    struct ConnectionAuthentication {
        std::string field;          // "Authorization" or "Proxy-Authorization"
        std::string challengeField; // "WWW-Authenticate" or "Proxy-Authenticate"
        int challengeStatus = 401;  // 401 or 407
        std::function<std::optional<std::string>(const std::string& challenge)> answer;
        // The account, for a transport that carries the exchange out
        // itself (a proxy's, on the CONNECT of a tunnel).
        std::string user;
        std::string password;
        std::string domain;
    };
    // Replaces the one of the same field.
    void setConnectionAuthentication(ConnectionAuthentication authentication);
    void removeConnectionAuthentication(std::string_view field);
    std::vector<ConnectionAuthentication> connectionAuthentications() const;

    // Appends received bytes: the start line and fields up to the empty
    // line, the rest to the body. Answers false when the bytes are no HTTP.
    bool appendBytes(std::string_view bytes);
    bool isHeaderComplete() const;
    void setHeaderComplete();

    static bool isValidHeaderName(std::string_view name);
    static bool isValidHeaderValue(std::string_view value);

    std::string className() const override { return "CFHTTPMessage"; }

private:
    explicit CFHTTPMessage(bool isRequest) : m_isRequest(isRequest) {}
    bool takeHeadLine(std::string_view line);

    const bool m_isRequest;
    mutable std::mutex m_lock;
    std::string m_method;
    RefPtr<NSURL> m_url;
    std::string m_version;
    int m_statusCode = 0;
    std::string m_statusLine;
    std::vector<std::pair<std::string, std::string>> m_fields;
    std::string m_body;
    std::vector<ConnectionAuthentication> m_connectionAuthentications;
    std::string m_pending;
    bool m_headerComplete = false;
    bool m_sawStartLine = false;
};

} // namespace qv
