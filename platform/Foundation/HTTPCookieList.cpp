#include "HTTPCookieList.h"

#include <algorithm>
#include <cctype>

namespace qv {

namespace {

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The domain whose allowance a cookie counts against.
std::string allowanceDomain(const NSHTTPCookie& cookie)
{
    std::string domain = lowercased(cookie.domain());
    if (!domain.empty() && domain.front() == '.')
        domain.erase(0, 1);
    return domain;
}

} // namespace

std::string HTTPCookieList::identityOf(const NSHTTPCookie& cookie) const
{
    // No part holds a NUL (a cookie with one is never made).
    std::string identity = cookie.name();
    identity += '\0';
    identity += m_comparison == DomainComparison::IgnoringCase ? lowercased(cookie.domain()) : cookie.domain();
    identity += '\0';
    identity += cookie.path();
    return identity;
}

void HTTPCookieList::append(const Ref<NSHTTPCookie>& cookie)
{
    Entry& entry = m_entries.emplace_back(Entry { cookie, identityOf(*cookie), allowanceDomain(*cookie) });
    m_byIdentity[entry.identity].push_back(std::prev(m_entries.end()));
    Domain& domain = m_domains[entry.domain];
    entry.olderInDomain = domain.newest;
    if (domain.newest)
        domain.newest->newerInDomain = &entry;
    else
        domain.oldest = &entry;
    domain.newest = &entry;
    ++domain.count;
}

void HTTPCookieList::replaceOrAppend(const Ref<NSHTTPCookie>& cookie)
{
    removeFirstMatching(*cookie);
    append(cookie);
    const std::string domainName = allowanceDomain(*cookie);
    for (;;) {
        auto domain = m_domains.find(domainName);
        if (domain == m_domains.end() || domain->second.count <= maximumCookiesPerDomain)
            return;
        // The oldest of the domain is the first of its identity.
        removeFirstOf(m_byIdentity.find(domain->second.oldest->identity));
    }
}

bool HTTPCookieList::removeFirstMatching(const NSHTTPCookie& cookie)
{
    auto same = m_byIdentity.find(identityOf(cookie));
    if (same == m_byIdentity.end())
        return false;
    removeFirstOf(same);
    return true;
}

void HTTPCookieList::removeFirstOf(Identities::iterator identity)
{
    const Entries::iterator position = identity->second.front();
    Entry& entry = *position;
    identity->second.pop_front();
    if (identity->second.empty())
        m_byIdentity.erase(identity);
    auto domain = m_domains.find(entry.domain);
    if (entry.olderInDomain)
        entry.olderInDomain->newerInDomain = entry.newerInDomain;
    else
        domain->second.oldest = entry.newerInDomain;
    if (entry.newerInDomain)
        entry.newerInDomain->olderInDomain = entry.olderInDomain;
    else
        domain->second.newest = entry.olderInDomain;
    if (--domain->second.count == 0)
        m_domains.erase(domain);
    m_entries.erase(position);
}

std::vector<Ref<NSHTTPCookie>> HTTPCookieList::cookies() const
{
    std::vector<Ref<NSHTTPCookie>> cookies;
    cookies.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        cookies.push_back(entry.cookie);
    return cookies;
}

} // namespace qv
