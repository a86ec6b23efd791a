#include "NSString.h"

#include "ValueConversions.h"

#include <functional>

namespace qv {

Ref<NSString> NSString::create(std::string text)
{
    return makeRef<NSString>(std::move(text));
}

namespace {

// Characters that may stand unquoted in the device's property-list text.
bool isPlainCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || c == '_' || c == '$' || c == '/' || c == ':' || c == '.' || c == '-' || c >= 0x80;
}

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (char c : text) {
        switch (c) {
        case '"': result += "\\\""; break;
        case '\\': result += "\\\\"; break;
        case '\n': result += "\\n"; break;
        case '\t': result += "\\t"; break;
        default: result += c;
        }
    }
    return result + "\"";
}

} // namespace

std::string NSString::descriptionAtLevel(unsigned) const
{
    bool plain = !m_text.empty();
    for (unsigned char c : m_text)
        plain = plain && isPlainCharacter(c);
    return plain ? m_text : quoted(m_text);
}

bool NSString::isEqual(const NSObject* other) const
{
    auto* string = dynamic_cast<const NSString*>(other);
    return string && string->m_text == m_text;
}

NSUInteger NSString::hash() const
{
    return std::hash<std::string>()(m_text);
}

bool NSString::boolValue() const { return boolValueOfString(m_text); }
int NSString::intValue() const { return intValueOfString(m_text); }
NSInteger NSString::integerValue() const { return longLongValueOfString(m_text); }
long long NSString::longLongValue() const { return longLongValueOfString(m_text); }
float NSString::floatValue() const { return floatValueOfString(m_text); }
double NSString::doubleValue() const { return doubleValueOfString(m_text); }

} // namespace qv
