// Class-wide services: session cookies, clearing the session, copies of a
// request, the default time-out, the default User-Agent and MIME types.
#include "QNHTTPRequest.h"

#include "http/QNApplicationServices.h"
#include "http/QNHTTPRequestClassState.h"

#include "platform/Foundation/NSBundle.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSTemporaryDirectory.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/TextEncoding.h"

#include <strings.h>

#include <fstream>
#include <map>
#include <sstream>

namespace qv {

std::vector<Ref<NSHTTPCookie>> QNHTTPRequest::sessionCookies()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCookiesLock);
    if (!state.sessionCookies)
        setSessionCookies(std::vector<Ref<NSHTTPCookie>>());
    return state.sessionCookies->cookies();
}

void QNHTTPRequest::setSessionCookies(std::optional<std::vector<Ref<NSHTTPCookie>>> cookies)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCookiesLock);
    if (state.sessionCookies)
        for (const auto& cookie : state.sessionCookies->cookies())
            NSHTTPCookieStorage::sharedHTTPCookieStorage().deleteCookie(cookie);
    state.sessionCookies.reset();
    if (!cookies)
        return;
    // The list as given, twins and all.
    state.sessionCookies.emplace(HTTPCookieList::DomainComparison::Exact);
    for (const auto& cookie : *cookies)
        state.sessionCookies->append(cookie);
}

void QNHTTPRequest::addSessionCookie(NSHTTPCookie& cookie)
{
    // The first listed cookie of the same domain, path and name is
    // replaced. Each domain keeps at most as many cookies as the cookie
    // storage keeps of it, the oldest going first as there: cookies set by
    // answers go from both alike, and the list stays bounded.
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.sessionCookiesLock);
    if (!state.sessionCookies)
        state.sessionCookies.emplace(HTTPCookieList::DomainComparison::Exact);
    state.sessionCookies->replaceOrAppend(Ref<NSHTTPCookie>(cookie));
}

void QNHTTPRequest::clearSession()
{
    // The server session credentials go; the proxy's stay.
    clearSessionCredentials();
    setSessionCookies(std::nullopt);
    if (auto cache = defaultCache())
        cache->clearCachedResponsesForStoragePolicy(0);
}

double QNHTTPRequest::defaultTimeOutSeconds()
{
    return QNHTTPRequestClassState::shared().defaultTimeOutSeconds.load();
}

void QNHTTPRequest::setDefaultTimeOutSeconds(double seconds)
{
    QNHTTPRequestClassState::shared().defaultTimeOutSeconds = seconds;
}

std::optional<std::string> QNHTTPRequest::defaultUserAgentString()
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.classLock);
    if (state.defaultUserAgent)
        return state.defaultUserAgent;
    auto bundle = NSBundle::mainBundle();
    auto text = [&](const char* key) -> std::optional<std::string> {
        auto value = dynamicRefCast<NSString>(bundle->objectForInfoDictionaryKey(key));
        if (!value)
            return std::nullopt;
        return value->string();
    };
    auto name = text("CFBundleDisplayName");
    if (!name)
        name = text("CFBundleName");
    if (!name)
        return std::nullopt;
    // The name's UTF-8 bytes read as Latin-1, as the device does.
    const std::string appName = UTF8FromLatin1(*name);
    const auto shortVersion = text("CFBundleShortVersionString");
    const auto buildVersion = text("CFBundleVersion");
    std::string version;
    if (shortVersion && buildVersion)
        version = *shortVersion == *buildVersion ? *shortVersion : *shortVersion + " rv:" + *buildVersion;
    else if (shortVersion)
        version = *shortVersion;
    else if (buildVersion)
        version = *buildVersion;
    auto& services = QNApplicationServices::current();
    state.defaultUserAgent = stringWithFormat("%s %s (%s; %s %s; %s)", appName.c_str(), version.c_str(), services.deviceModel().c_str(),
        services.systemName().c_str(), services.systemVersion().c_str(), currentLocaleIdentifier().c_str());
    return state.defaultUserAgent;
}

void QNHTTPRequest::setDefaultUserAgentString(const std::string& agent)
{
    auto& state = QNHTTPRequestClassState::shared();
    std::lock_guard lock(state.classLock);
    state.defaultUserAgent = agent;
}

std::optional<std::string> QNHTTPRequest::mimeTypeForFileAtPath(const std::string& path)
{
    if (!NSFileManager::defaultManager()->fileExistsAtPath(path))
        return std::nullopt;
    // The system's table of types by extension, read once; never destroyed,
    // as the network thread may still read it while the process exits.
    static const std::map<std::string, std::string>& types = *new std::map<std::string, std::string>([] {
        std::map<std::string, std::string> table;
        std::ifstream file("/etc/mime.types");
        std::string line;
        while (std::getline(file, line)) {
            if (line.empty() || line.front() == '#')
                continue;
            std::istringstream words(line);
            std::string type, extension;
            words >> type;
            while (words >> extension)
                table.emplace(extension, type);
        }
        return table;
    }());
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string extension = path.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (auto found = types.find(extension); found != types.end())
            return found->second;
    }
    return "application/octet-stream";
}

Ref<QNHTTPRequest> QNHTTPRequest::copy() const
{
    auto copy = makeRef<QNHTTPRequest>(url());
    copySettingsInto(copy);
    return copy;
}

Ref<QNHTTPRequest> QNHTTPRequest::HEADRequest() const
{
    auto head = makeRef<QNHTTPRequest>(url());
    head->m_requestHeaders = m_requestHeaders ? RefPtr<NSDictionary>(m_requestHeaders->mutableCopy()) : nullptr;
    head->m_requestHeaderAdditions = m_requestHeaderAdditions;
    head->m_requestCookies = m_requestCookies;
    head->m_useCookiePersistence = m_useCookiePersistence;
    head->m_useKeychainPersistence = m_useKeychainPersistence;
    head->m_useSessionPersistence = m_useSessionPersistence;
    head->m_allowCompressedResponse = m_allowCompressedResponse;
    head->m_username = m_username;
    head->m_password = m_password;
    head->m_domain = m_domain;
    head->m_proxyUsername = m_proxyUsername;
    head->m_proxyPassword = m_proxyPassword;
    head->m_proxyDomain = m_proxyDomain;
    head->m_proxyHost = m_proxyHost;
    head->m_proxyPort = m_proxyPort;
    head->m_proxyType = m_proxyType;
    head->m_shouldPresentAuthenticationDialog = m_shouldPresentAuthenticationDialog;
    head->m_shouldPresentProxyAuthenticationDialog = m_shouldPresentProxyAuthenticationDialog;
    head->m_timeOutSeconds = m_timeOutSeconds;
    head->m_useHTTPVersionOne = m_useHTTPVersionOne;
    head->m_validatesSecureCertificate = m_validatesSecureCertificate;
    head->m_clientCertificateIdentity = m_clientCertificateIdentity;
    head->m_clientCertificates = m_clientCertificates;
    head->m_PACurl = m_PACurl;
    head->m_shouldPresentCredentialsBeforeChallenge = m_shouldPresentCredentialsBeforeChallenge;
    head->m_numberOfTimesToRetryOnTimeout = m_numberOfTimesToRetryOnTimeout;
    head->m_shouldUseRFC2616RedirectBehaviour = m_shouldUseRFC2616RedirectBehaviour;
    head->m_shouldAttemptPersistentConnection = m_shouldAttemptPersistentConnection;
    head->m_persistentConnectionTimeoutSeconds = m_persistentConnectionTimeoutSeconds;
    head->m_mainRequest = const_cast<QNHTTPRequest*>(this);
    head->setRequestMethod("HEAD");
    return head;
}

void QNHTTPRequest::copySettingsInto(QNHTTPRequest& copy) const
{
    copy.m_delegate = delegate();
    copy.setRequestMethod(requestMethod());
    copy.m_postBody = m_postBody;
    copy.m_shouldStreamPostDataFromDisk = m_shouldStreamPostDataFromDisk;
    // The headers copied may already say "Content-Encoding: gzip": the copy
    // sends its body as they say.
    copy.m_shouldCompressRequestBody = m_shouldCompressRequestBody;
    // A body file the caller named is the caller's: the copy sends the same
    // file and never removes it.
    copy.m_postBodyFilePath = m_postBodyFilePath;
    if (m_didCreateTemporaryPostDataFile && !m_postBodyFilePath.empty()) {
        // One of the library's own goes when the original's end has been
        // told: the copy sends a copy of it, which it removes in turn.
        const std::string path = uniqueTemporaryFilePath();
        if (NSFileManager::defaultManager()->copyItemAtPath(m_postBodyFilePath, path)) {
            copy.m_postBodyFilePath = path;
            copy.m_didCreateTemporaryPostDataFile = true;
        }
    }
    copy.m_requestHeaders = m_requestHeaders ? RefPtr<NSDictionary>(m_requestHeaders->mutableCopy()) : nullptr;
    copy.m_requestHeaderAdditions = m_requestHeaderAdditions;
    copy.m_requestCookies = m_requestCookies;
    copy.m_useCookiePersistence = m_useCookiePersistence;
    copy.m_useKeychainPersistence = m_useKeychainPersistence;
    copy.m_useSessionPersistence = m_useSessionPersistence;
    copy.m_allowCompressedResponse = m_allowCompressedResponse;
    copy.m_downloadDestinationPath = m_downloadDestinationPath;
    copy.m_temporaryFileDownloadPath = m_temporaryFileDownloadPath;
    copy.m_username = m_username;
    copy.m_password = m_password;
    copy.m_domain = m_domain;
    copy.m_proxyUsername = m_proxyUsername;
    copy.m_proxyPassword = m_proxyPassword;
    copy.m_proxyDomain = m_proxyDomain;
    copy.m_proxyHost = m_proxyHost;
    copy.m_proxyPort = m_proxyPort;
    copy.m_proxyType = m_proxyType;
    copy.m_uploadProgressDelegate = m_uploadProgressDelegate;
    copy.m_downloadProgressDelegate = m_downloadProgressDelegate;
    copy.m_shouldPresentAuthenticationDialog = m_shouldPresentAuthenticationDialog;
    copy.m_shouldPresentProxyAuthenticationDialog = m_shouldPresentProxyAuthenticationDialog;
    // The copy builds its body anew (from the same settings), so a body
    // header or compressed form of the original is not taken over half-way.
    copy.m_postLength = 0;
    copy.m_haveBuiltPostBody = false;
    if (copy.m_requestHeaders)
        for (const auto& key : copy.m_requestHeaders->allKeys())
            if (strcasecmp(key.c_str(), "Content-Length") == 0)
                copy.m_requestHeaders->removeObjectForKey(key);
    copy.m_didStartSelector = m_didStartSelector;
    copy.m_didFinishSelector = m_didFinishSelector;
    copy.m_didFailSelector = m_didFailSelector;
    copy.m_timeOutSeconds = m_timeOutSeconds;
    copy.m_shouldResetDownloadProgress = m_shouldResetDownloadProgress;
    copy.m_shouldResetUploadProgress = m_shouldResetUploadProgress;
    copy.m_showAccurateProgress = m_showAccurateProgress;
    copy.m_defaultResponseEncoding = m_defaultResponseEncoding;
    copy.m_allowResumeForFileDownloads = m_allowResumeForFileDownloads;
    copy.m_userInfo = m_userInfo ? RefPtr<NSDictionary>(m_userInfo->mutableCopy()) : nullptr;
    copy.m_tag = m_tag;
    copy.m_useHTTPVersionOne = m_useHTTPVersionOne;
    copy.m_shouldRedirect = m_shouldRedirect;
    copy.m_validatesSecureCertificate = m_validatesSecureCertificate;
    copy.m_clientCertificateIdentity = m_clientCertificateIdentity;
    copy.m_clientCertificates = m_clientCertificates;
    copy.m_PACurl = m_PACurl;
    copy.m_shouldPresentCredentialsBeforeChallenge = m_shouldPresentCredentialsBeforeChallenge;
    copy.m_numberOfTimesToRetryOnTimeout = m_numberOfTimesToRetryOnTimeout;
    copy.m_shouldUseRFC2616RedirectBehaviour = m_shouldUseRFC2616RedirectBehaviour;
    copy.m_shouldAttemptPersistentConnection = m_shouldAttemptPersistentConnection;
    copy.m_persistentConnectionTimeoutSeconds = m_persistentConnectionTimeoutSeconds;
    copy.m_authenticationScheme = m_authenticationScheme;
}

} // namespace qv
