#include "NSNumber.h"

#include "ValueConversions.h"

#include <charconv>
#include <cmath>
#include <functional>

namespace qv {

Ref<NSNumber> NSNumber::numberWithBool(bool value) { return makeRef<NSNumber>(Kind::Boolean, value ? 1 : 0, 0.0); }
Ref<NSNumber> NSNumber::numberWithInt(int value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithInteger(NSInteger value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithLongLong(long long value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithFloat(float value) { return makeRef<NSNumber>(Kind::Real, 0, value); }
Ref<NSNumber> NSNumber::numberWithDouble(double value) { return makeRef<NSNumber>(Kind::Real, 0, value); }

std::string NSNumber::description() const
{
    if (m_kind != Kind::Real)
        return std::to_string(m_integer);
    if (std::isnan(m_real))
        return "nan";
    if (std::isinf(m_real))
        return m_real < 0 ? "-inf" : "inf";
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, m_real);
    return std::string(text, result.ptr);
}

bool NSNumber::isEqual(const NSObject* other) const
{
    auto* number = dynamic_cast<const NSNumber*>(other);
    if (!number)
        return false;
    if (m_kind != Kind::Real && number->m_kind != Kind::Real)
        return m_integer == number->m_integer;
    if (m_kind == Kind::Real && number->m_kind == Kind::Real)
        return m_real == number->m_real || (std::isnan(m_real) && std::isnan(number->m_real));
    // An integer against a real: long double holds every 64-bit integer
    // exactly, so the comparison is exact.
    const NSNumber& integer = m_kind == Kind::Real ? *number : *this;
    const NSNumber& real = m_kind == Kind::Real ? *this : *number;
    return static_cast<long double>(integer.m_integer) == static_cast<long double>(real.m_real);
}

NSUInteger NSNumber::hash() const
{
    // Numbers equal across kinds must hash alike: an integral real hashes
    // as the integer it equals.
    if (m_kind != Kind::Real)
        return std::hash<long long>()(m_integer);
    if (std::isnan(m_real))
        return 0;
    long long truncated = saturatingLongLong(m_real);
    if (static_cast<long double>(truncated) == static_cast<long double>(m_real))
        return std::hash<long long>()(truncated);
    return std::hash<double>()(m_real);
}

bool NSNumber::boolValue() const
{
    return m_kind == Kind::Real ? m_real != 0 : m_integer != 0;
}

int NSNumber::intValue() const
{
    return m_kind == Kind::Real ? saturatingInt(m_real) : saturatingInt(m_integer);
}

NSInteger NSNumber::integerValue() const
{
    return longLongValue();
}

long long NSNumber::longLongValue() const
{
    return m_kind == Kind::Real ? saturatingLongLong(m_real) : m_integer;
}

float NSNumber::floatValue() const
{
    return narrowToFloat(doubleValue());
}

double NSNumber::doubleValue() const
{
    return m_kind == Kind::Real ? m_real : static_cast<double>(m_integer);
}

} // namespace qv
