#include "NSHTTPCookie.h"

#include "HTTPCookieList.h"
#include "HTTPDate.h"
#include "VirtualClock.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>

namespace qv {

namespace {

bool holdsAny(std::string_view text, std::string_view characters)
{
    return text.find_first_of(characters) != std::string_view::npos;
}

constexpr std::string_view lineBreaks("\r\n\0;", 4);

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && strncasecmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

} // namespace

RefPtr<NSHTTPCookie> NSHTTPCookie::cookieWithProperties(Properties properties)
{
    const auto& name = properties.name;
    if (name.empty() || holdsAny(name, std::string_view("=; \t\r\n\0", 7)) || std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return nullptr;
    if (holdsAny(properties.value, lineBreaks) || holdsAny(properties.domain, lineBreaks) || holdsAny(properties.path, lineBreaks))
        return nullptr;
    if (properties.path.empty())
        properties.path = "/";
    return makeRef<NSHTTPCookie>(std::move(properties));
}

bool NSHTTPCookie::matchesURL(const NSURL& url) const
{
    const std::string& host = url.host();
    std::string domain = m_properties.domain;
    bool domainMatches = strcasecmp(host.c_str(), domain.c_str()) == 0;
    if (!domainMatches && !domain.empty()) {
        // ".example.org" (or "example.org" given as a domain cookie) covers
        // its subdomains.
        if (domain.front() != '.')
            domain = "." + domain;
        domainMatches = endsWithIgnoringCase(host, domain) || strcasecmp(host.c_str(), domain.c_str() + 1) == 0;
    }
    if (!domainMatches)
        return false;
    if (m_properties.secure && url.scheme() != "https")
        return false;
    const std::string path = url.path().empty() ? "/" : url.path();
    const std::string& prefix = m_properties.path;
    if (path.compare(0, prefix.size(), prefix) != 0)
        return false;
    return path.size() == prefix.size() || prefix.back() == '/' || path[prefix.size()] == '/';
}

namespace {

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// One "Set-Cookie" value: "name=value; Attribute=value; Flag".
RefPtr<NSHTTPCookie> parseSetCookie(std::string_view text, const NSURL& url)
{
    NSHTTPCookie::Properties properties;
    const std::string host = url.host();
    std::string path = url.path();
    // The default path is the URL's folder.
    const auto slash = path.rfind('/');
    path = slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
    properties.domain = host;
    properties.path = path;
    bool first = true;
    size_t at = 0;
    while (at <= text.size()) {
        const auto end = text.find(';', at);
        const std::string_view part = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        const auto equals = part.find('=');
        const std::string name = trimmed(part.substr(0, equals));
        const std::string value = equals == std::string_view::npos ? "" : trimmed(part.substr(equals + 1));
        if (first) {
            if (equals == std::string_view::npos)
                return nullptr;
            properties.name = name;
            properties.value = value;
            first = false;
        } else if (strcasecmp(name.c_str(), "domain") == 0 && !value.empty()) {
            std::string domain = value.front() == '.' ? value.substr(1) : value;
            // Only the host itself or a domain above it.
            const bool covers = strcasecmp(domain.c_str(), host.c_str()) == 0
                || (host.size() > domain.size() && strcasecmp(host.c_str() + host.size() - domain.size(), domain.c_str()) == 0
                    && host[host.size() - domain.size() - 1] == '.');
            if (!covers)
                return nullptr;
            properties.domain = "." + domain;
        } else if (strcasecmp(name.c_str(), "path") == 0 && !value.empty() && value.front() == '/') {
            properties.path = value;
        } else if (strcasecmp(name.c_str(), "expires") == 0) {
            if (auto date = dateFromRFC1123String(value))
                properties.expiresDate = *date;
        } else if (strcasecmp(name.c_str(), "max-age") == 0) {
            char* endOfNumber = nullptr;
            const double seconds = std::strtod(value.c_str(), &endOfNumber);
            if (endOfNumber && *endOfNumber == '\0' && !value.empty())
                properties.expiresDate = VirtualClock::realNow() + seconds;
        } else if (strcasecmp(name.c_str(), "secure") == 0) {
            properties.secure = true;
        } else if (strcasecmp(name.c_str(), "httponly") == 0) {
            properties.httpOnly = true;
        }
        if (end == std::string_view::npos)
            break;
        at = end + 1;
    }
    return NSHTTPCookie::cookieWithProperties(std::move(properties));
}

} // namespace

std::vector<Ref<NSHTTPCookie>> NSHTTPCookie::cookiesWithResponseHeaderFields(
    const std::vector<std::pair<std::string, std::string>>& fields, const NSURL& url)
{
    std::vector<Ref<NSHTTPCookie>> cookies;
    for (const auto& [name, value] : fields)
        if (strcasecmp(name.c_str(), "Set-Cookie") == 0)
            if (auto cookie = parseSetCookie(value, url))
                cookies.push_back(cookie.toRef());
    return cookies;
}

std::string NSHTTPCookie::requestHeaderValue(const std::vector<Ref<NSHTTPCookie>>& cookies)
{
    std::string value;
    for (const auto& cookie : cookies) {
        if (!value.empty())
            value += "; ";
        value += cookie->name() + "=" + cookie->value();
    }
    return value;
}

std::string NSHTTPCookie::description() const
{
    return "<NSHTTPCookie " + name() + "=" + value() + "; domain=" + domain() + "; path=" + path() + ">";
}

NSHTTPCookieStorage& NSHTTPCookieStorage::sharedHTTPCookieStorage()
{
    // Lives as long as the process.
    static NSHTTPCookieStorage& storage = *makeRef<NSHTTPCookieStorage>().leak();
    return storage;
}

NSHTTPCookieStorage::NSHTTPCookieStorage()
    : m_cookies(std::make_unique<HTTPCookieList>(HTTPCookieList::DomainComparison::IgnoringCase))
{
}

NSHTTPCookieStorage::~NSHTTPCookieStorage() = default;

void NSHTTPCookieStorage::setCookie(NSHTTPCookie& cookie)
{
    std::lock_guard lock(m_lock);
    m_cookies->replaceOrAppend(Ref<NSHTTPCookie>(cookie));
}

void NSHTTPCookieStorage::deleteCookie(const NSHTTPCookie& cookie)
{
    // The storage holds one cookie of each name, domain and path: the
    // cookie itself, or the one that took its place.
    std::lock_guard lock(m_lock);
    m_cookies->removeFirstMatching(cookie);
}

std::vector<Ref<NSHTTPCookie>> NSHTTPCookieStorage::cookies() const
{
    std::lock_guard lock(m_lock);
    return m_cookies->cookies();
}

std::vector<Ref<NSHTTPCookie>> NSHTTPCookieStorage::cookiesForURL(const NSURL& url) const
{
    const NSTimeInterval now = VirtualClock::realNow();
    std::vector<Ref<NSHTTPCookie>> matching;
    for (const auto& cookie : cookies())
        if (cookie->matchesURL(url) && (!cookie->expiresDate() || *cookie->expiresDate() > now))
            matching.push_back(cookie);
    return matching;
}

} // namespace qv
