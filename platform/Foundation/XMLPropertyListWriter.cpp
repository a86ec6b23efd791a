#include "XMLPropertyListWriter.h"

#include "Base64.h"
#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSNumber.h"
#include "NSPropertyListSerialization.h"
#include "NSString.h"
#include "PropertyListDateText.h"
#include "PropertyListNumberText.h"
#include "PropertyListExtent.h"
#include "StringFormat.h"
#include "TextEncoding.h"


namespace qv {


std::optional<std::string> XMLPropertyListWriter::documentFor(const NSObject& value, NSPropertyListSerialization::WriteError* error)
{
    XMLPropertyListWriter writer;
    writer.m_output = PropertyListExtent::prologue;
    bool written = writer.write(value, 1);
    writer.m_output += PropertyListExtent::epilogue;
    if (written && writer.m_output.size() > NSPropertyListSerialization::maximumSize)
        written = writer.refuse("a document larger than readers accept", true);
    if (written)
        return std::move(writer.m_output);
    if (error)
        *error = std::move(writer.m_error);
    else
        NSLog("Property list: cannot write %@", writer.m_error.reason);
    return std::nullopt;
}

bool XMLPropertyListWriter::refuse(std::string what, bool beyondLimits)
{
    m_error = { std::move(what), beyondLimits };
    return false;
}

void XMLPropertyListWriter::indent(unsigned depth)
{
    m_output.append(depth - 1, '\t');
}

void XMLPropertyListWriter::element(const char* tag, std::string_view text)
{
    m_output += '<';
    m_output += tag;
    m_output += '>';
    m_output += text;
    m_output += "</";
    m_output += tag;
    m_output += ">\n";
}

// Escaped as the readers' measure counts it; a carriage return is written
// as a reference, since XML reads a bare one as a line feed.
bool XMLPropertyListWriter::writeText(const char* tag, const std::string& text)
{
    if (!isXMLText(text))
        return refuse(std::string_view(tag) == "key" ? "a key with characters XML cannot hold" : "text with characters XML cannot hold");
    m_output += '<';
    m_output += tag;
    m_output += '>';
    std::string_view rest = text;
    for (size_t special; (special = rest.find_first_of("&<>\r")) != std::string_view::npos; rest.remove_prefix(special + 1)) {
        m_output.append(rest.substr(0, special));
        switch (rest[special]) {
        case '&': m_output += "&amp;"; break;
        case '<': m_output += "&lt;"; break;
        case '>': m_output += "&gt;"; break;
        default: m_output += "&#13;"; break;
        }
    }
    m_output.append(rest);
    m_output += "</";
    m_output += tag;
    m_output += ">\n";
    return true;
}

bool XMLPropertyListWriter::write(const NSObject& value, unsigned depth)
{
    // The depth limit is also what stops a container that holds itself.
    if (depth > NSPropertyListSerialization::maximumDepth)
        return refuse("values nested beyond the depth limit", true);
    if (++m_values > NSPropertyListSerialization::maximumObjects)
        return refuse("more values than readers accept", true);
    // Checked as it grows, so that a value far too large stops early.
    if (m_output.size() > NSPropertyListSerialization::maximumSize)
        return refuse("a document larger than readers accept", true);
    indent(depth);
    if (dynamic_cast<const NSArray*>(&value) || dynamic_cast<const NSDictionary*>(&value))
        return writeContainer(value, depth);
    return writeLeaf(value);
}

bool XMLPropertyListWriter::writeContainer(const NSObject& value, unsigned depth)
{
    if (auto* array = dynamic_cast<const NSArray*>(&value)) {
        auto members = array->objects();
        if (members.empty()) {
            m_output += "<array/>\n";
            return true;
        }
        m_output += "<array>\n";
        for (const Ref<NSObject>& member : members) {
            if (!write(member, depth + 1))
                return false;
        }
        indent(depth);
        m_output += "</array>\n";
        return true;
    }
    auto entries = static_cast<const NSDictionary&>(value).entries();
    if (entries.empty()) {
        m_output += "<dict/>\n";
        return true;
    }
    m_output += "<dict>\n";
    for (const auto& [key, member] : entries) {
        indent(depth + 1);
        if (!writeText("key", key) || !write(member, depth + 1))
            return false;
    }
    indent(depth);
    m_output += "</dict>\n";
    return true;
}

bool XMLPropertyListWriter::writeLeaf(const NSObject& value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(&value)) {
        switch (number->kind()) {
        case NSNumber::Kind::Boolean:
            m_output += number->boolValue() ? "<true/>\n" : "<false/>\n";
            return true;
        case NSNumber::Kind::Integer:
            element("integer", propertyListIntegerText(*number));
            return true;
        case NSNumber::Kind::Real:
            element("real", propertyListRealText(number->doubleValue()));
            return true;
        }
    }
    if (auto* string = dynamic_cast<const NSString*>(&value))
        return writeText("string", string->string());
    if (auto* data = dynamic_cast<const NSData*>(&value)) {
        element("data", base64EncodedString(data->view()));
        return true;
    }
    if (auto* date = dynamic_cast<const NSDate*>(&value)) {
        auto element = propertyListDateElement(date->timeIntervalSinceReferenceDate());
        if (!element)
            return refuse("a date outside the years 1 to 9999");
        m_output += *element;
        m_output += '\n';
        return true;
    }
    return refuse("a value of class " + value.className());
}

} // namespace qv
