#include "PathUtilities.h"

namespace qv {

namespace {

std::string tidied(std::string_view path)
{
    std::string result;
    for (char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/')
            continue;
        result += c;
    }
    if (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

// Where the last component of a tidied path starts.
size_t lastComponentStart(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension's dot is in a tidied path, or npos. A dot that
// starts the name (".hidden") or ends it ("name.") makes no extension.
size_t extensionDot(const std::string& path)
{
    size_t start = lastComponentStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= start || dot + 1 == path.size())
        return std::string::npos;
    return dot;
}

} // namespace

std::string lastPathComponent(std::string_view path)
{
    std::string tidy = tidied(path);
    if (tidy == "/")
        return tidy;
    return tidy.substr(lastComponentStart(tidy));
}

std::string stringByAppendingPathComponent(std::string_view path, std::string_view component)
{
    if (path.empty())
        return tidied(component);
    return tidied(std::string(path) + "/" + std::string(component));
}

std::string stringByDeletingLastPathComponent(std::string_view path)
{
    std::string tidy = tidied(path);
    size_t slash = tidy.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return tidy.substr(0, slash);
}

std::string pathExtension(std::string_view path)
{
    std::string tidy = tidied(path);
    size_t dot = extensionDot(tidy);
    return dot == std::string::npos ? std::string() : tidy.substr(dot + 1);
}

std::string stringByDeletingPathExtension(std::string_view path)
{
    std::string tidy = tidied(path);
    size_t dot = extensionDot(tidy);
    return dot == std::string::npos ? tidy : tidy.substr(0, dot);
}

std::string stringByAppendingPathExtension(std::string_view path, std::string_view extension)
{
    return tidied(path) + "." + std::string(extension);
}

} // namespace qv
