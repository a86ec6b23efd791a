#include "NSHTTPCookie.h"

#include "VirtualClock.h"

#include <strings.h>

#include <algorithm>

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

void NSHTTPCookieStorage::setCookie(NSHTTPCookie& cookie)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_cookies, [&](const Ref<NSHTTPCookie>& held) {
        return held->name() == cookie.name() && strcasecmp(held->domain().c_str(), cookie.domain().c_str()) == 0 && held->path() == cookie.path();
    });
    m_cookies.emplace_back(cookie);
}

void NSHTTPCookieStorage::deleteCookie(const NSHTTPCookie& cookie)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_cookies, [&](const Ref<NSHTTPCookie>& held) {
        return held.ptr() == &cookie
            || (held->name() == cookie.name() && strcasecmp(held->domain().c_str(), cookie.domain().c_str()) == 0 && held->path() == cookie.path());
    });
}

std::vector<Ref<NSHTTPCookie>> NSHTTPCookieStorage::cookies() const
{
    std::lock_guard lock(m_lock);
    return m_cookies;
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
