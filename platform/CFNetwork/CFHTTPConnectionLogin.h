#pragma once

#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/CFNetwork/Transport/HTTPTransfer.h"

#include <vector>

namespace qv {

// The logins of one request that hold for one connection (NTLM at the
// proxy, at the server, or at both): the requests that carry them out go
// one after the other over one connection, each without its body while a
// login still waits for its challenge, and each challenge is answered on
// the connection it came on. A proxy's login for a tunnel (https through an
// HTTP proxy) is the transport's, which carries it out on the CONNECT; the
// tunnelled request itself never holds the proxy's field.
class CFHTTPConnectionLogin {
public:
    CFHTTPConnectionLogin(HTTPTransferRequest request, std::vector<CFHTTPMessage::ConnectionAuthentication> logins);

    // Whether a login is left for the stream to carry out.
    bool waitsForChallenges() const { return !m_logins.empty(); }
    // The request to send now: without its body while a login waits for its
    // challenge.
    HTTPTransferRequest nextRequest() const;
    // Whether nextRequest() is the last: every login has its answer in it.
    bool isAnswered() const;
    // The head that came for the last request: true when it was the
    // challenge of a login still waiting, now answered in nextRequest();
    // false when it is the response.
    bool answerChallenge(const HTTPTransfer::ResponseHead& head);

    // A tunnel's request as it goes when nothing is left to carry out.
    HTTPTransferRequest takeRequest() { return std::move(m_request); }

private:
    struct Login {
        CFHTTPMessage::ConnectionAuthentication authentication;
        bool answered = false;
    };
    void setField(const std::string& name, const std::string& value);
    void removeField(const std::string& name);

    HTTPTransferRequest m_request;
    std::vector<Login> m_logins;
};

} // namespace qv
