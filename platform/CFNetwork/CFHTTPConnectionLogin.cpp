#include "CFHTTPConnectionLogin.h"

#include <strings.h>

#include <algorithm>

namespace qv {

CFHTTPConnectionLogin::CFHTTPConnectionLogin(HTTPTransferRequest request, std::vector<CFHTTPMessage::ConnectionAuthentication> logins)
    : m_request(std::move(request))
{
    const bool tunnel = m_request.goesThroughHTTPTunnel();
    for (auto& login : logins) {
        const bool atProxy = login.challengeStatus == 407;
        if (atProxy && tunnel) {
            m_request.proxyNTLMUser = login.domain.empty() ? login.user : login.domain + "\\" + login.user;
            m_request.proxyNTLMPassword = login.password;
            removeField(login.field);
            continue;
        }
        if (login.answer)
            m_logins.push_back({ std::move(login) });
    }
    // The proxy's login first: the server's challenge comes from behind it.
    std::stable_sort(m_logins.begin(), m_logins.end(), [](const Login& a, const Login& b) {
        return a.authentication.challengeStatus == 407 && b.authentication.challengeStatus != 407;
    });
}

bool CFHTTPConnectionLogin::isAnswered() const
{
    return std::all_of(m_logins.begin(), m_logins.end(), [](const Login& login) { return login.answered; });
}

HTTPTransferRequest CFHTTPConnectionLogin::nextRequest() const
{
    HTTPTransferRequest request = m_request;
    if (!isAnswered()) {
        request.bodyReader = nullptr;
        request.bodyLength.reset();
    }
    return request;
}

bool CFHTTPConnectionLogin::answerChallenge(const HTTPTransfer::ResponseHead& head)
{
    auto waiting = std::find_if(m_logins.begin(), m_logins.end(), [&](const Login& login) {
        return !login.answered && login.authentication.challengeStatus == head.statusCode;
    });
    if (waiting == m_logins.end())
        return false;
    const auto& authentication = waiting->authentication;
    std::string challenge;
    for (const auto& [name, value] : head.headers)
        if (strcasecmp(name.c_str(), authentication.challengeField.c_str()) == 0)
            challenge += (challenge.empty() ? "" : ", ") + value;
    auto answer = authentication.answer(challenge);
    if (!answer)
        return false;
    setField(authentication.field, *answer);
    waiting->answered = true;
    // The server's challenge came from past the proxy: the proxy's login
    // on this connection is done, and its answer is not sent again.
    if (authentication.challengeStatus != 407) {
        for (const auto& login : m_logins)
            if (login.answered && login.authentication.challengeStatus == 407)
                removeField(login.authentication.field);
    }
    return true;
}

void CFHTTPConnectionLogin::setField(const std::string& name, const std::string& value)
{
    for (auto& [field, fieldValue] : m_request.headers)
        if (strcasecmp(field.c_str(), name.c_str()) == 0)
            fieldValue = value;
}

void CFHTTPConnectionLogin::removeField(const std::string& name)
{
    std::erase_if(m_request.headers, [&](const auto& field) { return strcasecmp(field.first.c_str(), name.c_str()) == 0; });
}

} // namespace qv
