#include "PropertyListExtent.h"

#include "NSData.h"
#include "NSDate.h"
#include "NSNumber.h"
#include "NSPropertyListSerialization.h"
#include "NSString.h"
#include "PropertyListBase64.h"
#include "PropertyListDateText.h"
#include "PropertyListNumberText.h"

#include <algorithm>

namespace qv {

namespace {

// One line: the element's opening and closing tags around its text, and
// the line end.
constexpr uint64_t elementLine(std::string_view tag, uint64_t text)
{
    return 1 + tag.size() + 1 + text + 2 + tag.size() + 1 + 1;
}

} // namespace

uint64_t PropertyListExtent::escapedLength(std::string_view text)
{
    uint64_t length = text.size();
    for (char character : text) {
        switch (character) {
        case '&': length += 4; break;  // &amp;
        case '<': length += 3; break;  // &lt;
        case '>': length += 3; break;  // &gt;
        case '\r': length += 4; break; // &#13;, which XML does not turn into a line feed
        default: break;
        }
    }
    return length;
}

PropertyListExtent PropertyListExtent::ofBoolean(bool value)
{
    return { value ? sizeof("<true/>\n") - 1 : sizeof("<false/>\n") - 1, 1 };
}

PropertyListExtent PropertyListExtent::ofInteger(const NSNumber& integer)
{
    return { elementLine("integer", propertyListIntegerText(integer).size()), 1 };
}

PropertyListExtent PropertyListExtent::ofReal(double real)
{
    return { elementLine("real", propertyListRealText(real).size()), 1 };
}

PropertyListExtent PropertyListExtent::ofDate(double sinceReferenceDate)
{
    // A date without an element is refused by the writer; it counts at
    // the longest element all the same.
    auto element = propertyListDateElement(sinceReferenceDate);
    return { (element ? element->size() : maximumPropertyListDateElementLength) + 1, 1 };
}

PropertyListExtent PropertyListExtent::ofString(std::string_view text)
{
    return { elementLine("string", escapedLength(text)), 1 };
}

PropertyListExtent PropertyListExtent::ofData(size_t length)
{
    return { elementLine("data", propertyListBase64Length(length)), 1 };
}

PropertyListExtent PropertyListExtent::ofLeaf(const NSObject& value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(&value)) {
        switch (number->kind()) {
        case NSNumber::Kind::Boolean: return ofBoolean(number->boolValue());
        case NSNumber::Kind::Integer: return ofInteger(*number);
        case NSNumber::Kind::Real: return ofReal(number->doubleValue());
        }
    }
    if (auto* string = dynamic_cast<const NSString*>(&value))
        return ofString(string->string());
    if (auto* data = dynamic_cast<const NSData*>(&value))
        return ofData(data->length());
    if (auto* date = dynamic_cast<const NSDate*>(&value))
        return ofDate(date->timeIntervalSinceReferenceDate());
    // Anything else the writer refuses anyway.
    return ofDate(0);
}

PropertyListExtent PropertyListExtent::ofContainer(Container kind)
{
    bool isDictionary = kind == Container::Dictionary;
    PropertyListExtent extent(isDictionary ? sizeof("<dict/>\n") - 1 : sizeof("<array/>\n") - 1, 1);
    extent.m_isEmptyContainer = true;
    extent.m_isDictionary = isDictionary;
    return extent;
}

void PropertyListExtent::addKey(std::string_view key)
{
    addMember({ elementLine("key", escapedLength(key)), 1 });
    m_values -= 1; // keys are no values
}

void PropertyListExtent::addMember(const PropertyListExtent& member)
{
    if (m_isEmptyContainer) {
        // "<dict/>" becomes "<dict>" and "</dict>" on lines of their own.
        m_bytes = m_isDictionary ? sizeof("<dict>\n</dict>\n") - 1 : sizeof("<array>\n</array>\n") - 1;
        m_lines = 2;
        m_isEmptyContainer = false;
    }
    // One level deeper: a tab more on each of the member's lines. Sums
    // saturate far above any limit, so no file can wrap them around.
    constexpr uint64_t ceiling = uint64_t(1) << 62;
    m_bytes = std::min(ceiling, m_bytes + std::min(ceiling, member.m_bytes + member.m_lines));
    m_lines = std::min(ceiling, m_lines + member.m_lines);
    m_values = std::min(ceiling, m_values + member.m_values);
    m_depth = std::max(m_depth, member.m_depth + 1);
}

uint64_t PropertyListExtent::documentBytes() const
{
    return prologue.size() + m_bytes + epilogue.size();
}

bool PropertyListExtent::fits() const
{
    return m_depth <= NSPropertyListSerialization::maximumDepth && m_values <= NSPropertyListSerialization::maximumObjects
        && documentBytes() <= NSPropertyListSerialization::maximumSize;
}

} // namespace qv
