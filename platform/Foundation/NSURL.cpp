#include "NSURL.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

namespace {

struct URLHandleFree {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using URLHandle = std::unique_ptr<CURLU, URLHandleFree>;

std::optional<std::string> part(CURLU* handle, CURLUPart which, unsigned flags)
{
    char* value = nullptr;
    if (curl_url_get(handle, which, &value, flags) != CURLUE_OK || !value)
        return std::nullopt;
    std::string text(value);
    curl_free(value);
    return text;
}

// Percent escapes decoded. curl's own decoding refuses control characters,
// yet a path may name them ("%09" in an object's name is a tab).
std::optional<std::string> decoded(std::optional<std::string> text)
{
    if (!text)
        return std::nullopt;
    auto hexValue = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string result;
    result.reserve(text->size());
    for (size_t at = 0; at < text->size(); ++at) {
        const char c = (*text)[at];
        if (c == '%' && at + 2 < text->size() && hexValue((*text)[at + 1]) >= 0 && hexValue((*text)[at + 2]) >= 0) {
            result += static_cast<char>(hexValue((*text)[at + 1]) * 16 + hexValue((*text)[at + 2]));
            at += 2;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

NSURL::NSURL(Parts parts)
    : m_text(std::move(parts.text))
    , m_scheme(std::move(parts.scheme))
    , m_host(std::move(parts.host))
    , m_path(std::move(parts.path))
    , m_query(std::move(parts.query))
    , m_user(std::move(parts.user))
    , m_password(std::move(parts.password))
    , m_requestTarget(std::move(parts.requestTarget))
    , m_port(parts.port)
{
}

int NSURL::effectivePort() const
{
    if (m_port)
        return m_port;
    if (m_scheme == "http")
        return 80;
    if (m_scheme == "https")
        return 443;
    return 0;
}

// curl's URL parser knows every scheme's syntax and refuses what is no URL.
RefPtr<NSURL> NSURL::parse(const std::string& text, bool isFilePath, const NSURL* base)
{
    URLHandle handle(curl_url());
    if (!handle || text.find('\0') != std::string::npos)
        return nullptr;
    CURLUcode result = CURLUE_OK;
    // A relative text is resolved in place against the base already set.
    if (base)
        result = curl_url_set(handle.get(), CURLUPART_URL, base->absoluteString().c_str(), CURLU_NON_SUPPORT_SCHEME);
    if (result != CURLUE_OK)
        return nullptr;
    if (isFilePath) {
        result = curl_url_set(handle.get(), CURLUPART_SCHEME, "file", 0);
        if (result == CURLUE_OK)
            result = curl_url_set(handle.get(), CURLUPART_PATH, text.c_str(), CURLU_URLENCODE);
    } else {
        // An absolute URL keeps its path as written; resolving a
        // reference removes its dot segments, as RFC 3986 says.
        const unsigned flags = CURLU_NON_SUPPORT_SCHEME | (base ? 0 : CURLU_PATH_AS_IS);
        result = curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), flags);
    }
    if (result != CURLUE_OK)
        return nullptr;

    auto scheme = part(handle.get(), CURLUPART_SCHEME, 0);
    auto encodedPath = part(handle.get(), CURLUPART_PATH, 0);
    auto path = decoded(encodedPath);
    // A decoded NUL would cut the path short wherever it is used.
    if (!scheme || !path || path->find('\0') != std::string::npos)
        return nullptr;
    Parts parts;
    parts.host = part(handle.get(), CURLUPART_HOST, 0).value_or("");
    auto query = part(handle.get(), CURLUPART_QUERY, 0);
    auto user = part(handle.get(), CURLUPART_USER, 0);
    auto password = part(handle.get(), CURLUPART_PASSWORD, 0);
    parts.user = decoded(user).value_or("");
    parts.password = decoded(password).value_or("");
    if (parts.user.find('\0') != std::string::npos || parts.password.find('\0') != std::string::npos)
        return nullptr;
    auto port = part(handle.get(), CURLUPART_PORT, 0);
    parts.port = port ? std::atoi(port->c_str()) : 0;
    // The whole URL as curl writes it back costs as much as the parse. A
    // plain http or https URL given in the very form curl would write
    // (scheme, host, a port that is not the scheme's own, path and query,
    // nothing else) is that form already.
    const bool plain = !base && !isFilePath && !user && !password && (*scheme == "http" || *scheme == "https")
        && (!port || parts.port != (*scheme == "http" ? 80 : 443)) && !encodedPath->empty() && encodedPath->front() == '/'
        && std::none_of(text.begin(), text.end(), [](char c) { return c == '#' || c == '@'; });
    if (plain && text == *scheme + "://" + parts.host + (port ? ":" + *port : "") + *encodedPath + (query && !query->empty() ? "?" + *query : "")) {
        parts.text = text;
    } else {
        auto url = part(handle.get(), CURLUPART_URL, 0);
        if (!url)
            return nullptr;
        parts.text = std::move(*url);
    }
    parts.scheme = std::move(*scheme);
    parts.path = std::move(*path);
    parts.requestTarget = encodedPath->empty() ? "/" : std::move(*encodedPath);
    if (query)
        parts.requestTarget += "?" + *query;
    parts.query = std::move(query).value_or("");
    return makeRef<NSURL>(std::move(parts));
}

RefPtr<NSURL> NSURL::URLWithString(const std::string& text, const NSURL* relativeToURL)
{
    return parse(text, false, relativeToURL);
}

RefPtr<NSURL> NSURL::URLWithString(const std::string& text)
{
    return parse(text, false);
}

RefPtr<NSURL> NSURL::fileURLWithPath(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return nullptr;
    return parse(path, true);
}

bool NSURL::isEqual(const NSObject* other) const
{
    auto url = dynamic_cast<const NSURL*>(other);
    return url && url->m_text == m_text;
}

NSUInteger NSURL::hash() const
{
    return std::hash<std::string>()(m_text);
}

} // namespace qv
