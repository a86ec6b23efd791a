#include "http/CloudFiles/QNCloudFilesValues.h"

#include "platform/CoreFoundation/CFURLEscaping.h"
#include "platform/Foundation/NSXMLParser.h"

#include <cctype>
#include <limits>

namespace qv::cloudfiles {

namespace {

// Every mark a URL may hold that can change a path's or a query's meaning.
constexpr const char* kReservedMarks = "!*'();:@&=+$,/?";

size_t skipSpace(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    return at;
}

} // namespace

uint64_t integerFromText(const std::string& text)
{
    size_t at = skipSpace(text);
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        if (text[at] == '-')
            return 0;
        ++at;
    }
    uint64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        const unsigned digit = unsigned(text[at] - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            return std::numeric_limits<uint64_t>::max();
        value = value * 10 + digit;
    }
    return value;
}

bool boolFromText(const std::string& text)
{
    size_t at = skipSpace(text);
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    while (at < text.size() && text[at] == '0')
        ++at;
    if (at >= text.size())
        return false;
    const char c = text[at];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' || (c >= '1' && c <= '9');
}

void readXML(const std::string& body, NSXMLParserDelegate& delegate)
{
    auto parser = NSXMLParser::create(NSData::dataWithBytes(body.data(), body.size()));
    parser->setDelegate(&delegate);
    parser->setShouldProcessNamespaces(false);
    parser->setShouldReportNamespacePrefixes(false);
    parser->setShouldResolveExternalEntities(false);
    parser->parse();
}

std::string escapedName(const std::string& name)
{
    return CFURLCreateStringByAddingPercentEscapes(name, "", kReservedMarks);
}

std::string escapedPath(const std::string& path)
{
    return CFURLCreateStringByAddingPercentEscapes(path, "/", "!*'();:@&=+$,?");
}

std::string escapedQueryValue(const std::string& value)
{
    return CFURLCreateStringByAddingPercentEscapes(value, "", kReservedMarks);
}

} // namespace qv::cloudfiles
