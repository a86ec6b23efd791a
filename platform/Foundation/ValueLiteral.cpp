#include "ValueLiteral.h"

#include "NSNumber.h"
#include "NSString.h"

namespace qv {

static Ref<NSObject> saturatedInteger(unsigned long long value)
{
    return NSNumber::numberWithLongLong(value > static_cast<unsigned long long>(NSIntegerMax) ? NSIntegerMax : static_cast<long long>(value));
}

ValueLiteral::ValueLiteral(bool value) : m_object(NSNumber::numberWithBool(value)) {}
ValueLiteral::ValueLiteral(int value) : m_object(NSNumber::numberWithInt(value)) {}
ValueLiteral::ValueLiteral(long value) : m_object(NSNumber::numberWithLongLong(value)) {}
ValueLiteral::ValueLiteral(long long value) : m_object(NSNumber::numberWithLongLong(value)) {}
ValueLiteral::ValueLiteral(unsigned value) : m_object(NSNumber::numberWithLongLong(value)) {}
ValueLiteral::ValueLiteral(unsigned long value) : m_object(saturatedInteger(value)) {}
ValueLiteral::ValueLiteral(unsigned long long value) : m_object(saturatedInteger(value)) {}
ValueLiteral::ValueLiteral(float value) : m_object(NSNumber::numberWithFloat(value)) {}
ValueLiteral::ValueLiteral(double value) : m_object(NSNumber::numberWithDouble(value)) {}
// A null C string stands for empty text: a container cannot hold nothing.
ValueLiteral::ValueLiteral(const char* text) : m_object(NSString::create(text ? text : "")) {}
ValueLiteral::ValueLiteral(std::string text) : m_object(NSString::create(std::move(text))) {}

} // namespace qv
