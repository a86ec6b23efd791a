// Answering a server's 401 or a proxy's 407: credentials from the session,
// the URL, the request, the saved credentials, the delegate or a block,
// applied to the request's message, which is then sent again; or the
// request fails. One request at a time looks for credentials.
#include "QNHTTPRequest.h"

#include "http/QNHTTPRequestClassState.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSURLCredentialStorage.h"

#include <strings.h>

namespace qv {

namespace {

using Record = QNHTTPRequestClassState::CredentialRecord;

std::string text(const NSDictionary& dictionary, const char* key)
{
    auto value = dictionary.stringForKey(key);
    return value ? value->string() : std::string();
}

Ref<NSDictionary> credentialDictionary(const std::string& user, const std::string& password, const std::optional<std::string>& domain)
{
    auto credentials = NSDictionary::create();
    credentials->setObject(user, kCFHTTPAuthenticationUsername);
    credentials->setObject(password, kCFHTTPAuthenticationPassword);
    if (domain)
        credentials->setObject(*domain, kCFHTTPAuthenticationAccountDomain);
    return credentials;
}

// "DOMAIN\user" names the account domain with the user; anything else
// names none.
std::optional<std::pair<std::string, std::string>> splitDomain(const std::string& user)
{
    const auto slash = user.find('\\');
    if (slash == std::string::npos || user.find('\\', slash + 1) != std::string::npos)
        return std::nullopt;
    return std::make_pair(user.substr(0, slash), user.substr(slash + 1));
}

std::vector<Record>& store(bool proxy)
{
    auto& state = QNHTTPRequestClassState::shared();
    return proxy ? state.sessionProxyCredentials : state.sessionCredentials;
}

void removeFromSessionStore(bool proxy, const NSDictionary* credentials)
{
    if (!credentials)
        return;
    std::lock_guard lock(QNHTTPRequestClassState::shared().sessionCredentialsLock);
    auto& records = store(proxy);
    for (auto record = records.begin(); record != records.end(); ++record) {
        if (record->credentials.ptr() == credentials) {
            records.erase(record);
            return;
        }
    }
}

void storeInSessionStore(bool proxy, Record record)
{
    std::lock_guard lock(QNHTTPRequestClassState::shared().sessionCredentialsLock);
    removeFromSessionStore(proxy, record.credentials.ptr());
    store(proxy).push_back(std::move(record));
}

} // namespace

void QNHTTPRequest::clearSessionCredentials()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCredentialsLock);
    state.sessionCredentials.clear();
}

namespace {

NSURLProtectionSpace serverSpace(const std::string& host, int port, const std::string& protocol, const std::string& realm)
{
    return { host, port, protocol, realm, false };
}

NSURLProtectionSpace proxySpace(const std::string& proxy, int port, const std::string& realm)
{
    return { proxy, port, "", realm, true };
}

} // namespace

bool QNHTTPRequest::saveCredentialsForHost(const NSURLCredential& credentials, const std::string& host, int port, const std::string& protocol, const std::string& realm)
{
    return NSURLCredentialStorage::sharedCredentialStorage().setDefaultCredential(credentials, serverSpace(host, port, protocol, realm));
}

bool QNHTTPRequest::saveCredentialsForProxy(const NSURLCredential& credentials, const std::string& proxy, int port, const std::string& realm)
{
    return NSURLCredentialStorage::sharedCredentialStorage().setDefaultCredential(credentials, proxySpace(proxy, port, realm));
}

std::optional<NSURLCredential> QNHTTPRequest::savedCredentialsForHost(const std::string& host, int port, const std::string& protocol, const std::string& realm)
{
    return NSURLCredentialStorage::sharedCredentialStorage().defaultCredentialForProtectionSpace(serverSpace(host, port, protocol, realm));
}

std::optional<NSURLCredential> QNHTTPRequest::savedCredentialsForProxy(const std::string& proxy, int port, const std::string&, const std::string& realm)
{
    return NSURLCredentialStorage::sharedCredentialStorage().defaultCredentialForProtectionSpace(proxySpace(proxy, port, realm));
}

void QNHTTPRequest::removeCredentialsForHost(const std::string& host, int port, const std::string& protocol, const std::string& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeCredential(serverSpace(host, port, protocol, realm));
}

void QNHTTPRequest::removeCredentialsForProxy(const std::string& proxy, int port, const std::string& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeCredential(proxySpace(proxy, port, realm));
}

void QNHTTPRequest::addBasicAuthenticationHeader(const std::string& username, const std::string& password)
{
    addRequestHeader("Authorization", "Basic " + base64forData(username + ":" + password));
    m_authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
}

// The session record for this request: an exact URL first, else the first
// for the same server; the realm and the request's own credentials, when
// known, must agree.
static std::optional<Record> findSessionRecord(const QNHTTPRequest& request, bool proxy)
{
    // What the request says is read before the store's lock is taken: a
    // running request holds its own lock when it stores credentials.
    const std::string proxyHost = request.proxyHost();
    const int proxyPort = request.proxyPort();
    const auto url = request.url();
    const std::string realm = request.authenticationRealm();
    const std::string username = request.username();
    const std::string password = request.password();
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCredentialsLock);
    if (proxy) {
        for (const auto& record : state.sessionProxyCredentials)
            if (record.host == proxyHost && record.port == proxyPort)
                return record;
        return std::nullopt;
    }
    if (!url)
        return std::nullopt;
    std::optional<Record> close;
    for (const auto& record : state.sessionCredentials) {
        if (!record.url)
            continue;
        const bool exact = record.url->isEqual(url.get());
        if (!exact) {
            if (close)
                continue;
            if (record.url->host() != url->host() || record.url->port() != url->port() || record.url->scheme() != url->scheme())
                continue;
        }
        if (!realm.empty() && !record.realm.empty() && record.realm != realm)
            continue;
        if (!username.empty() && !password.empty()
            && (text(record.credentials, kCFHTTPAuthenticationUsername) != username
                || text(record.credentials, kCFHTTPAuthenticationPassword) != password))
            continue;
        if (exact)
            return record;
        close = record;
    }
    return close;
}

void QNHTTPRequest::applyAuthorizationHeader()
{
    if (!m_shouldPresentCredentialsBeforeChallenge)
        return;
    bool hasAuthorization = false;
    if (m_requestHeaders)
        for (const auto& key : m_requestHeaders->allKeys())
            hasAuthorization = hasAuthorization || strcasecmp(key.c_str(), "Authorization") == 0;
    if (!hasAuthorization) {
        if (!m_username.empty() && !m_password.empty() && m_authenticationScheme == kCFHTTPAuthenticationSchemeBasic) {
            addBasicAuthenticationHeader(m_username, m_password);
        } else if (m_useSessionPersistence) {
            if (auto record = findSessionRecord(*this, false)) {
                if (record->authentication) {
                    if (record->authentication->applyCredentials(*m_request, record->credentials))
                        m_authenticationScheme = record->scheme;
                    else
                        removeFromSessionStore(false, record->credentials.ptr());
                } else {
                    addBasicAuthenticationHeader(text(record->credentials, kCFHTTPAuthenticationUsername), text(record->credentials, kCFHTTPAuthenticationPassword));
                }
            }
        }
    }
    if (m_useSessionPersistence) {
        if (auto record = findSessionRecord(*this, true)) {
            if (!record->authentication || !record->authentication->applyCredentials(*m_request, record->credentials))
                removeFromSessionStore(true, record->credentials.ptr());
        }
    }
}

bool QNHTTPRequest::applyCredentials(const Ref<NSDictionary>& credentials, bool proxy)
{
    (proxy ? m_proxyAuthenticationRetryCount : m_authenticationRetryCount)++;
    auto authentication = proxy ? m_proxyAuthentication : m_requestAuthentication;
    if (!authentication || !m_request)
        return false;
    if (!authentication->applyCredentials(*m_request, credentials)) {
        removeFromSessionStore(proxy, credentials.ptr());
        return false;
    }
    const std::string user = text(credentials, kCFHTTPAuthenticationUsername);
    const std::string password = text(credentials, kCFHTTPAuthenticationPassword);
    if (m_useKeychainPersistence) {
        if (proxy)
            saveCredentialsForProxy({ user, password }, m_proxyHost, m_proxyPort, m_proxyAuthenticationRealm);
        else
            saveCredentialsForHost({ user, password }, m_url->host(), m_url->port(), m_url->scheme(), m_authenticationRealm);
    }
    if (m_useSessionPersistence) {
        Record record { authentication, credentials, nullptr, proxy ? m_proxyAuthenticationScheme : m_authenticationScheme, "", "", 0 };
        if (proxy) {
            record.host = m_proxyHost;
            record.port = m_proxyPort;
        } else {
            record.url = m_url;
            record.realm = m_authenticationRealm;
        }
        storeInSessionStore(proxy, std::move(record));
    }
    (proxy ? m_proxyCredentials : m_requestCredentials) = RefPtr<NSDictionary>(credentials);
    return true;
}

RefPtr<NSDictionary> QNHTTPRequest::findCredentials(bool proxy)
{
    auto mainRequest = m_mainRequest.lock();
    std::string user, password;
    auto take = [&](const std::string& u, const std::string& p) {
        if (user.empty() && password.empty() && !u.empty() && !p.empty()) {
            user = u;
            password = p;
        }
    };
    auto authentication = proxy ? m_proxyAuthentication : m_requestAuthentication;
    const bool needsDomain = authentication && authentication->requiresAccountDomain();
    if (!proxy) {
        if (m_url)
            take(m_url->user(), m_url->password());
        if (mainRequest)
            take(mainRequest->m_username, mainRequest->m_password);
        take(m_username, m_password);
        if (user.empty() && m_useKeychainPersistence && m_url) {
            if (auto saved = savedCredentialsForHost(m_url->host(), m_url->port(), m_url->scheme(), m_authenticationRealm)) {
                user = saved->user;
                password = saved->password;
            }
        }
    } else {
        if (mainRequest)
            take(mainRequest->m_proxyUsername, mainRequest->m_proxyPassword);
        take(m_proxyUsername, m_proxyPassword);
        if (user.empty() && needsDomain)
            take(m_username, m_password);
        if (user.empty()) {
            if (auto saved = savedCredentialsForProxy(m_proxyHost, m_proxyPort, "", m_proxyAuthenticationRealm)) {
                user = saved->user;
                password = saved->password;
            }
        }
    }
    if (user.empty() || password.empty())
        return nullptr;
    std::optional<std::string> domain;
    if (needsDomain) {
        domain = proxy ? m_proxyDomain : m_domain;
        if (domain->empty()) {
            if (auto split = splitDomain(user)) {
                domain = split->first;
                user = split->second;
            } else {
                domain = proxy ? m_domain : std::string();
            }
        }
    }
    return credentialDictionary(user, password, domain);
}

bool QNHTTPRequest::applySessionCredentials(bool proxy)
{
    if (!m_useSessionPersistence)
        return false;
    auto record = findSessionRecord(*this, proxy);
    return record && applyCredentials(record->credentials, proxy);
}

bool QNHTTPRequest::willAskDelegateForCredentials(bool proxy)
{
    // A synchronous request asks nobody: it would wait for ever.
    if (m_isSynchronous)
        return false;
    RefPtr<QNHTTPRequestDelegate> receiver = delegate().lock();
    if (!receiver)
        receiver = queue();
    const bool responds = receiver && (proxy ? receiver->respondsToProxyAuthenticationNeeded() : receiver->respondsToAuthenticationNeeded());
    auto all = blocks();
    const bool hasBlock = static_cast<bool>(proxy ? all.proxyAuthenticationNeeded : all.authenticationNeeded);
    if (!responds && !hasBlock)
        return false;
    Ref<QNHTTPRequest> protect(*this);
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [protect, receiver, responds, proxy] {
        if (responds) {
            if (proxy)
                receiver->proxyAuthenticationNeededForRequest(*protect);
            else
                receiver->authenticationNeededForRequest(*protect);
        } else if (auto block = proxy ? protect->blocks().proxyAuthenticationNeeded : protect->blocks().authenticationNeeded) {
            block();
        }
    });
    return true;
}

namespace {

std::mutex presenterLock;
QNHTTPRequest::DialogPresenter& dialogPresenter()
{
    static QNHTTPRequest::DialogPresenter presenter;
    return presenter;
}

} // namespace

void QNHTTPRequest::setAuthenticationDialogPresenter(DialogPresenter presenter)
{
    std::lock_guard lock(presenterLock);
    dialogPresenter() = std::move(presenter);
}

bool QNHTTPRequest::showAuthenticationDialog(bool proxy)
{
    if (m_isSynchronous || !(proxy ? m_shouldPresentProxyAuthenticationDialog : m_shouldPresentAuthenticationDialog))
        return false;
    // The login dialog belongs to the application's interface, which this
    // library does not depend on: it is shown by whoever installed it.
    DialogPresenter presenter;
    {
        std::lock_guard lock(presenterLock);
        presenter = dialogPresenter();
    }
    if (!presenter)
        return false;
    Ref<QNHTTPRequest> protect(*this);
    performOnMainThread([protect, presenter] { presenter(protect); });
    return true;
}

void QNHTTPRequest::resumeAfterAuthentication()
{
    if (m_request)
        attemptToApplyCredentialsAndResume();
    else
        main();
}

void QNHTTPRequest::retryUsingSuppliedCredentials()
{
    Ref<QNHTTPRequest> protect(*this);
    RefPtr<NSRunLoop> runLoop = m_requestRunLoop ? m_requestRunLoop : RefPtr<NSRunLoop>(threadForRequest(this).runLoop());
    runLoop->performInModes({ m_runLoopMode }, [protect] { protect->resumeAfterAuthentication(); });
}

void QNHTTPRequest::cancelAuthentication()
{
    Ref<QNHTTPRequest> protect(*this);
    RefPtr<NSRunLoop> runLoop = m_requestRunLoop ? m_requestRunLoop : RefPtr<NSRunLoop>(threadForRequest(this).runLoop());
    runLoop->performInModes({ m_runLoopMode }, [protect] { protect->failAuthentication(); });
}

void QNHTTPRequest::failAuthentication()
{
    failWithError(sharedError(QNAuthenticationErrorType));
}

void QNHTTPRequest::attemptToApplyCredentialsAndResume()
{
    if (m_error || isCancelled())
        return;
    if (m_authenticationNeeded == 2) {
        attemptToApplyProxyCredentialsAndResume();
        return;
    }
    auto& state = QNHTTPRequestClassState::shared();
    if (!m_requestAuthentication && m_challengeResponse) {
        m_requestAuthentication = CFHTTPAuthentication::createFromResponse(*m_challengeResponse);
        if (m_requestAuthentication)
            m_authenticationScheme = m_requestAuthentication->method();
    }
    if (!m_requestAuthentication) {
        cancelLoad();
        failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to get authentication object from response headers"));
        return;
    }
    m_authenticationRealm = m_requestAuthentication->requiresAccountDomain() ? "" : m_requestAuthentication->realm();

    long reason = 0;
    if (!m_requestAuthentication->isValid(&reason)) {
        m_requestAuthentication = nullptr;
        if (reason == kCFStreamErrorHTTPAuthenticationBadUserName || reason == kCFStreamErrorHTTPAuthenticationBadPassword) {
            std::unique_lock lock(state.delegateAuthenticationLock);
            removeFromSessionStore(false, m_requestCredentials.get());
            m_requestCredentials = nullptr;
            if (m_error || isCancelled())
                return;
            if (m_challengeResponse)
                m_requestAuthentication = CFHTTPAuthentication::createFromResponse(*m_challengeResponse);
            if (m_requestAuthentication && applySessionCredentials(false)) {
                lock.unlock();
                startRequest();
                return;
            }
            m_lastActivityTime = 0;
            if (willAskDelegateForCredentials(false) || showAuthenticationDialog(false))
                return;
        }
        cancelLoad();
        failWithError(sharedError(QNAuthenticationErrorType));
        return;
    }

    cancelLoad();
    if (m_requestCredentials) {
        const bool ntlm = m_authenticationScheme == kCFHTTPAuthenticationSchemeNTLM;
        if ((!ntlm || m_authenticationRetryCount < 2) && applyCredentials(m_requestCredentials.toRef(), false)) {
            startRequest();
            return;
        }
        if (ntlm && m_authenticationRetryCount == 2)
            failWithError(sharedError(QNAuthenticationErrorType));
        else
            failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to apply credentials to request"));
        return;
    }
    if (!m_requestAuthentication->requiresUserNameAndPassword())
        return;

    std::unique_lock lock(state.delegateAuthenticationLock);
    if (m_error || isCancelled())
        return;
    if (applySessionCredentials(false)) {
        lock.unlock();
        startRequest();
        return;
    }
    if (auto credentials = findCredentials(false)) {
        const bool applied = applyCredentials(credentials.toRef(), false);
        lock.unlock();
        if (applied)
            startRequest();
        else
            failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to apply credentials to request"));
        return;
    }
    if (willAskDelegateForCredentials(false) || showAuthenticationDialog(false))
        return;
    lock.unlock();
    failWithError(sharedError(QNAuthenticationErrorType));
}

void QNHTTPRequest::attemptToApplyProxyCredentialsAndResume()
{
    if (m_error || isCancelled())
        return;
    auto& state = QNHTTPRequestClassState::shared();
    if (!m_proxyAuthentication && m_challengeResponse) {
        m_proxyAuthentication = CFHTTPAuthentication::createFromResponse(*m_challengeResponse);
        if (m_proxyAuthentication)
            m_proxyAuthenticationScheme = m_proxyAuthentication->method();
    }
    if (!m_proxyAuthentication) {
        cancelLoad();
        failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to get authentication object from response headers"));
        return;
    }
    m_proxyAuthenticationRealm = m_proxyAuthentication->requiresAccountDomain() ? "" : m_proxyAuthentication->realm();
    long reason = 0;
    if (!m_proxyAuthentication->isValid(&reason)) {
        m_proxyAuthentication = nullptr;
        if (reason == kCFStreamErrorHTTPAuthenticationBadUserName || reason == kCFStreamErrorHTTPAuthenticationBadPassword) {
            std::unique_lock lock(state.delegateAuthenticationLock);
            removeFromSessionStore(true, m_proxyCredentials.get());
            m_proxyCredentials = nullptr;
            if (m_error || isCancelled())
                return;
            if (m_challengeResponse)
                m_proxyAuthentication = CFHTTPAuthentication::createFromResponse(*m_challengeResponse);
            if (m_proxyAuthentication && applySessionCredentials(true)) {
                lock.unlock();
                startRequest();
                return;
            }
            m_lastActivityTime = 0;
            if (willAskDelegateForCredentials(true) || showAuthenticationDialog(true))
                return;
        }
        cancelLoad();
        failWithError(sharedError(QNAuthenticationErrorType));
        return;
    }
    cancelLoad();
    if (m_proxyCredentials) {
        const bool ntlm = m_proxyAuthenticationScheme == kCFHTTPAuthenticationSchemeNTLM;
        if ((!ntlm || m_proxyAuthenticationRetryCount < 2) && applyCredentials(m_proxyCredentials.toRef(), true)) {
            startRequest();
            return;
        }
        if (ntlm && m_proxyAuthenticationRetryCount == 2)
            failWithError(sharedError(QNAuthenticationErrorType));
        else
            failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to apply proxy credentials to request"));
        return;
    }
    std::unique_lock lock(state.delegateAuthenticationLock);
    if (m_error || isCancelled())
        return;
    if (applySessionCredentials(true)) {
        lock.unlock();
        startRequest();
        return;
    }
    if (auto credentials = findCredentials(true)) {
        const bool applied = applyCredentials(credentials.toRef(), true);
        lock.unlock();
        if (applied)
            startRequest();
        else
            failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileApplyingCredentialsType, "Failed to apply proxy credentials to request"));
        return;
    }
    if (willAskDelegateForCredentials(true) || showAuthenticationDialog(true))
        return;
    lock.unlock();
    failWithError(sharedError(QNAuthenticationErrorType));
}

} // namespace qv
