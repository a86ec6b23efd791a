#include "CFHTTPMessage.h"

#include "platform/Foundation/NSString.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <unordered_map>

namespace qv {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string lowercased(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

Ref<CFHTTPMessage> CFHTTPMessage::createRequest(std::string method, const NSURL& url, std::string version)
{
    auto message = makeRef<CFHTTPMessage>(true);
    message->m_method = std::move(method);
    message->m_url = const_cast<NSURL*>(&url);
    message->m_version = std::move(version);
    message->m_sawStartLine = true;
    return message;
}

Ref<CFHTTPMessage> CFHTTPMessage::createEmpty(bool isRequest)
{
    return makeRef<CFHTTPMessage>(isRequest);
}

Ref<CFHTTPMessage> CFHTTPMessage::createResponse(int statusCode, const std::string& statusDescription, std::string version)
{
    auto message = makeRef<CFHTTPMessage>(false);
    message->m_statusCode = statusCode;
    message->m_statusLine = version + " " + std::to_string(statusCode) + (statusDescription.empty() ? "" : " " + statusDescription);
    message->m_version = std::move(version);
    message->m_sawStartLine = true;
    return message;
}

std::string CFHTTPMessage::requestMethod() const
{
    std::lock_guard lock(m_lock);
    return m_method;
}

RefPtr<NSURL> CFHTTPMessage::requestURL() const
{
    std::lock_guard lock(m_lock);
    return m_url;
}

std::string CFHTTPMessage::version() const
{
    std::lock_guard lock(m_lock);
    return m_version;
}

int CFHTTPMessage::responseStatusCode() const
{
    std::lock_guard lock(m_lock);
    return m_statusCode;
}

std::string CFHTTPMessage::responseStatusLine() const
{
    std::lock_guard lock(m_lock);
    return m_statusLine;
}

bool CFHTTPMessage::isValidHeaderName(std::string_view name)
{
    // A token: visible ASCII but the separators. Looked up in a table, as
    // every field of every message is checked.
    static constexpr auto tokenCharacters = [] {
        std::array<bool, 256> table {};
        constexpr std::string_view separators = "()<>@,;:\\\"/[]?={} \t";
        for (int byte = 33; byte < 127; ++byte)
            table[static_cast<size_t>(byte)] = separators.find(static_cast<char>(byte)) == std::string_view::npos;
        return table;
    }();
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return tokenCharacters[static_cast<unsigned char>(c)]; });
}

bool CFHTTPMessage::isValidHeaderValue(std::string_view value)
{
    return std::none_of(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

bool CFHTTPMessage::setHeaderFieldValue(const std::string& name, const std::string& value)
{
    if (!isValidHeaderName(name) || !isValidHeaderValue(value))
        return false;
    std::lock_guard lock(m_lock);
    std::erase_if(m_fields, [&](const auto& field) { return sameName(field.first, name); });
    m_fields.emplace_back(name, value);
    return true;
}

bool CFHTTPMessage::addHeaderField(const std::string& name, const std::string& value)
{
    if (!isValidHeaderName(name) || !isValidHeaderValue(value))
        return false;
    std::lock_guard lock(m_lock);
    m_fields.emplace_back(name, value);
    return true;
}

void CFHTTPMessage::removeHeaderField(std::string_view name)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_fields, [&](const auto& field) { return sameName(field.first, name); });
}

std::optional<std::string> CFHTTPMessage::headerFieldValue(std::string_view name) const
{
    std::lock_guard lock(m_lock);
    std::optional<std::string> value;
    for (const auto& field : m_fields) {
        if (!sameName(field.first, name))
            continue;
        if (value)
            (*value += ", ") += field.second;
        else
            value = field.second;
    }
    return value;
}

std::vector<std::pair<std::string, std::string>> CFHTTPMessage::headerFields() const
{
    std::lock_guard lock(m_lock);
    return m_fields;
}

std::vector<std::pair<std::string, std::string>> CFHTTPMessage::headerFieldsNamed(std::string_view name) const
{
    std::lock_guard lock(m_lock);
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& field : m_fields)
        if (sameName(field.first, name))
            fields.push_back(field);
    return fields;
}

Ref<NSDictionary> CFHTTPMessage::allHeaderFields() const
{
    std::map<std::string, Ref<NSObject>> fields;
    {
        std::lock_guard lock(m_lock);
        // Each field finds the one its name merges into by the name in
        // lower case: one look-up, not a walk over the names so far.
        std::vector<std::pair<std::string_view, std::string>> merged;
        std::unordered_map<std::string, size_t> mergedIndex;
        merged.reserve(m_fields.size());
        mergedIndex.reserve(m_fields.size());
        for (const auto& [name, value] : m_fields) {
            const auto [found, isNew] = mergedIndex.try_emplace(lowercased(name), merged.size());
            if (isNew)
                merged.emplace_back(name, value);
            else
                (merged[found->second].second += ", ") += value;
        }
        for (auto& [name, value] : merged)
            fields.insert_or_assign(std::string(name), NSString::create(std::move(value)));
    }
    return NSDictionary::dictionaryWithEntries(std::move(fields));
}

void CFHTTPMessage::setBody(std::string body)
{
    std::lock_guard lock(m_lock);
    m_body = std::move(body);
}

std::string CFHTTPMessage::body() const
{
    std::lock_guard lock(m_lock);
    return m_body;
}

bool CFHTTPMessage::isHeaderComplete() const
{
    std::lock_guard lock(m_lock);
    return m_headerComplete;
}

void CFHTTPMessage::setHeaderComplete()
{
    std::lock_guard lock(m_lock);
    m_headerComplete = true;
}

bool CFHTTPMessage::takeHeadLine(std::string_view line)
{
    if (!m_sawStartLine) {
        m_sawStartLine = true;
        if (m_isRequest) {
            const auto first = line.find(' ');
            const auto last = line.rfind(' ');
            if (first == std::string_view::npos || first == last)
                return false;
            m_method = std::string(line.substr(0, first));
            m_version = std::string(line.substr(last + 1));
            m_url = NSURL::URLWithString(std::string(line.substr(first + 1, last - first - 1)));
            return true;
        }
        if (line.rfind("HTTP/", 0) != 0)
            return false;
        m_statusLine = std::string(line);
        const auto space = line.find(' ');
        m_version = std::string(line.substr(0, space));
        m_statusCode = space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1)).c_str());
        return m_statusCode >= 100 && m_statusCode <= 999;
    }
    if ((line.front() == ' ' || line.front() == '\t') && !m_fields.empty()) {
        m_fields.back().second += " " + trimmed(line);
        return true;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || !isValidHeaderName(line.substr(0, colon)))
        return false;
    m_fields.emplace_back(std::string(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    return true;
}

bool CFHTTPMessage::appendBytes(std::string_view bytes)
{
    std::lock_guard lock(m_lock);
    if (m_headerComplete) {
        m_body.append(bytes);
        return true;
    }
    m_pending.append(bytes);
    for (;;) {
        const auto end = m_pending.find('\n');
        if (end == std::string::npos)
            return true;
        std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() && m_sawStartLine) {
            m_headerComplete = true;
            m_body.append(m_pending);
            m_pending.clear();
            return true;
        }
        if (line.empty())
            continue;
        if (!takeHeadLine(line))
            return false;
    }
}

void CFHTTPMessage::setConnectionAuthentication(ConnectionAuthentication authentication)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_connectionAuthentications, [&](const auto& existing) { return strcasecmp(existing.field.c_str(), authentication.field.c_str()) == 0; });
    m_connectionAuthentications.push_back(std::move(authentication));
}

void CFHTTPMessage::removeConnectionAuthentication(std::string_view field)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_connectionAuthentications, [&](const auto& existing) {
        return existing.field.size() == field.size() && strncasecmp(existing.field.c_str(), field.data(), field.size()) == 0;
    });
}

std::vector<CFHTTPMessage::ConnectionAuthentication> CFHTTPMessage::connectionAuthentications() const
{
    std::lock_guard lock(m_lock);
    return m_connectionAuthentications;
}

} // namespace qv
