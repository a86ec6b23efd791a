#pragma once

#include "platform/Foundation/NSHTTPCookie.h"

#include <cstddef>
#include <deque>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

// Cookies in the order they were added, each found by its name, domain and
// path without a walk over the others, so that adding one costs the same
// however many are held. A server may set thousands of cookies in one
// answer, and again in every answer after it.
//
// Each domain holds at most maximumCookiesPerDomain cookies: several times
// what browsers keep for one site (about 150 to 180; the cookie standard
// asks for at least 50), so no site that works elsewhere loses a cookie
// here, while one that sets ten thousand fills no more than its share and
// makes no request to it carry more than that. When a domain holds as many
// and another comes, the cookie of that domain added longest ago goes (one
// set again is new: it went and came back at the end). A domain is its name
// without regard to case and without a leading dot: "Example.org" and
// ".example.org" share one allowance.
class HTTPCookieList {
public:
    static constexpr size_t maximumCookiesPerDomain = 1000;

    // How two cookies' domains compare when telling whether they are the
    // same cookie: as written, or without regard to case.
    enum class DomainComparison { Exact, IgnoringCase };

    explicit HTTPCookieList(DomainComparison comparison) : m_comparison(comparison) {}
    HTTPCookieList(const HTTPCookieList&) = delete;
    HTTPCookieList& operator=(const HTTPCookieList&) = delete;

    // Puts the cookie at the end, after removing the first one held with
    // the same name, domain and path (at most one goes), and then the
    // oldest of its domain while the domain holds more than its allowance.
    void replaceOrAppend(const Ref<NSHTTPCookie>& cookie);
    // Puts the cookie at the end and removes nothing: a list given whole
    // is kept as it was given, twins included, until cookies are added.
    void append(const Ref<NSHTTPCookie>& cookie);
    // Removes the first cookie held with the same name, domain and path;
    // whether there was one.
    bool removeFirstMatching(const NSHTTPCookie& cookie);

    std::vector<Ref<NSHTTPCookie>> cookies() const;
    size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        Ref<NSHTTPCookie> cookie;
        std::string identity;
        std::string domain;
        // The neighbours of the same domain, older and newer.
        Entry* olderInDomain = nullptr;
        Entry* newerInDomain = nullptr;
    };
    using Entries = std::list<Entry>;
    struct Domain {
        Entry* oldest = nullptr;
        Entry* newest = nullptr;
        size_t count = 0;
    };

    // The cookies of each identity (name, domain, path), oldest first.
    // Every cookie of one identity is of one domain, so the oldest cookie
    // of a domain is always the first of its identity.
    using Identities = std::unordered_map<std::string, std::deque<Entries::iterator>>;

    std::string identityOf(const NSHTTPCookie& cookie) const;
    void removeFirstOf(Identities::iterator identity);

    const DomainComparison m_comparison;
    Entries m_entries;
    Identities m_byIdentity;
    std::unordered_map<std::string, Domain> m_domains;
};

} // namespace qv
