#pragma once

#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSURL.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

class HTTPCookieList;

// One HTTP cookie: a name and value for a domain and path, with an expiry
// (none for a cookie of the session) and its flags. Immutable.
class NSHTTPCookie : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    struct Properties {
        std::string name;
        std::string value;
        std::string domain;
        std::string path = "/";
        std::optional<NSTimeInterval> expiresDate;
        bool secure = false;
        bool httpOnly = false;
    };
    // Nothing when the name is empty or holds "=", ";", white space or a
    // control character, or the value, domain or path holds ";", CR, LF
    // or NUL: such a cookie would break the header it is sent in.
    static RefPtr<NSHTTPCookie> cookieWithProperties(Properties properties);

    const std::string& name() const { return m_properties.name; }
    const std::string& value() const { return m_properties.value; }
    const std::string& domain() const { return m_properties.domain; }
    const std::string& path() const { return m_properties.path; }
    std::optional<NSTimeInterval> expiresDate() const { return m_properties.expiresDate; }
    bool isSecure() const { return m_properties.secure; }
    bool isHTTPOnly() const { return m_properties.httpOnly; }
    bool isSessionOnly() const { return !m_properties.expiresDate; }
    // Whether the cookie goes with a request to the URL.
    bool matchesURL(const NSURL& url) const;

    // The cookies of the "Set-Cookie" fields of a response to the URL (each
    // field as it came), with the URL's host and folder where a cookie
    // names none; a cookie that names another site's domain is dropped.
    static std::vector<Ref<NSHTTPCookie>> cookiesWithResponseHeaderFields(
        const std::vector<std::pair<std::string, std::string>>& fields, const NSURL& url);

    // "Cookie" header value for the cookies: "a=1; b=2".
    static std::string requestHeaderValue(const std::vector<Ref<NSHTTPCookie>>& cookies);

    std::string className() const override { return "NSHTTPCookie"; }
    std::string description() const override;

private:
    explicit NSHTTPCookie(Properties properties) : m_properties(std::move(properties)) {}
    const Properties m_properties;
};

// The process's cookies, in the order they were set. A cookie replaces one
// of the same name, domain and path (the domain without regard to case);
// each domain keeps at most HTTPCookieList::maximumCookiesPerDomain, the
// one set longest ago going first.
class NSHTTPCookieStorage : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static NSHTTPCookieStorage& sharedHTTPCookieStorage();
    void setCookie(NSHTTPCookie& cookie);
    void deleteCookie(const NSHTTPCookie& cookie);
    std::vector<Ref<NSHTTPCookie>> cookies() const;
    // The unexpired cookies that go with a request to the URL.
    std::vector<Ref<NSHTTPCookie>> cookiesForURL(const NSURL& url) const;
    std::string className() const override { return "NSHTTPCookieStorage"; }

private:
    NSHTTPCookieStorage();
    ~NSHTTPCookieStorage() override;
    mutable std::mutex m_lock;
    const std::unique_ptr<HTTPCookieList> m_cookies;
};

} // namespace qv
