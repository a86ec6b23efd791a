#include "QNHeaderFields.h"

#include <algorithm>
#include <cctype>

namespace qv {

std::optional<std::string> headerFieldName(const NSDictionary& headers, const std::string& name)
{
    return headers.keyEqualIgnoringCase(name);
}

std::optional<std::string> headerFieldValue(const NSDictionary& headers, const std::string& name)
{
    auto key = headerFieldName(headers, name);
    if (!key)
        return std::nullopt;
    auto value = headers.objectForKey(*key);
    return value ? std::optional<std::string>(value->description()) : std::nullopt;
}

void removeHeaderField(NSDictionary& headers, const std::string& name)
{
    while (auto key = headerFieldName(headers, name))
        headers.removeObjectForKey(*key);
}

std::vector<std::string> headerDirectives(const std::string& value)
{
    std::vector<std::string> directives;
    size_t at = 0;
    while (at <= value.size()) {
        size_t end = value.find(',', at);
        if (end == std::string::npos)
            end = value.size();
        std::string directive = value.substr(at, end - at);
        directive = directive.substr(0, directive.find('='));
        const auto first = directive.find_first_not_of(" \t");
        const auto last = directive.find_last_not_of(" \t");
        directive = first == std::string::npos ? std::string() : directive.substr(first, last - first + 1);
        std::transform(directive.begin(), directive.end(), directive.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!directive.empty())
            directives.push_back(directive);
        at = end + 1;
    }
    return directives;
}

} // namespace qv
