#include "QNConnectionReuse.h"

#include "platform/CFNetwork/CFHTTPMessage.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace qv {

namespace {

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

QNConnectionReuse QNConnectionReuse::forResponse(const CFHTTPMessage& response)
{
    const auto connection = response.headerFieldValue("Connection");
    const std::string connectionValue = connection ? lowercased(*connection) : "";
    if (response.version() == kCFHTTPVersion1_0 && connectionValue != "keep-alive")
        return {};
    if (connectionValue == "close")
        return {};
    const auto keepAlive = response.headerFieldValue("Keep-Alive");
    if (!keepAlive)
        return { true, std::nullopt };
    const std::string value = lowercased(*keepAlive);
    long timeout = 0;
    const size_t at = value.find_first_not_of(" \t");
    if (at != std::string::npos && value.compare(at, 8, "timeout=") == 0)
        timeout = std::strtol(value.c_str() + at + 8, nullptr, 10);
    const auto max = value.find("max=");
    const long maxRequests = max == std::string::npos ? 0 : std::strtol(value.c_str() + max + 4, nullptr, 10);
    if (maxRequests <= 5)
        return {};
    return { true, static_cast<double>(timeout) };
}

} // namespace qv
