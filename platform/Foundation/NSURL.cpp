#include "NSURL.h"

#include <curl/curl.h>

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

} // namespace

NSURL::NSURL(std::string text, std::string scheme, std::string host, std::string path)
    : m_text(std::move(text))
    , m_scheme(std::move(scheme))
    , m_host(std::move(host))
    , m_path(std::move(path))
{
}

// curl's URL parser knows every scheme's syntax and refuses what is no URL.
RefPtr<NSURL> NSURL::parse(const std::string& text, bool isFilePath)
{
    URLHandle handle(curl_url());
    if (!handle || text.find('\0') != std::string::npos)
        return nullptr;
    CURLUcode result;
    if (isFilePath) {
        result = curl_url_set(handle.get(), CURLUPART_SCHEME, "file", 0);
        if (result == CURLUE_OK)
            result = curl_url_set(handle.get(), CURLUPART_PATH, text.c_str(), CURLU_URLENCODE);
    } else {
        result = curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME);
    }
    if (result != CURLUE_OK)
        return nullptr;

    auto url = part(handle.get(), CURLUPART_URL, 0);
    auto scheme = part(handle.get(), CURLUPART_SCHEME, 0);
    auto path = part(handle.get(), CURLUPART_PATH, CURLU_URLDECODE);
    // A decoded NUL would cut the path short wherever it is used.
    if (!url || !scheme || !path || path->find('\0') != std::string::npos)
        return nullptr;
    return makeRef<NSURL>(*url, *scheme, part(handle.get(), CURLUPART_HOST, 0).value_or(""), *path);
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
