#include "NSNumber.h"

#include "ValueConversions.h"

#include <cmath>
#include <functional>

namespace qv {

Ref<NSNumber> NSNumber::numberWithBool(bool value) { return makeRef<NSNumber>(Kind::Boolean, value ? 1 : 0, 0.0); }
Ref<NSNumber> NSNumber::numberWithInt(int value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithInteger(NSInteger value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithLongLong(long long value) { return makeRef<NSNumber>(Kind::Integer, value, 0.0); }
Ref<NSNumber> NSNumber::numberWithUnsignedLongLong(unsigned long long value)
{
    if (value <= static_cast<unsigned long long>(NSIntegerMax))
        return numberWithLongLong(static_cast<long long>(value));
    return makeRef<NSNumber>(Kind::Integer, static_cast<long long>(value), 0.0, true);
}
Ref<NSNumber> NSNumber::numberWithFloat(float value) { return makeRef<NSNumber>(Kind::Real, 0, value); }
Ref<NSNumber> NSNumber::numberWithDouble(double value) { return makeRef<NSNumber>(Kind::Real, 0, value); }

std::string NSNumber::description() const
{
    if (m_unsigned)
        return std::to_string(static_cast<unsigned long long>(m_integer));
    if (m_kind != Kind::Real)
        return std::to_string(m_integer);
    return shortestRealText(m_real);
}

bool NSNumber::isEqual(const NSObject* other) const
{
    auto* number = dynamic_cast<const NSNumber*>(other);
    if (!number)
        return false;
    if (m_kind != Kind::Real && number->m_kind != Kind::Real)
        return m_integer == number->m_integer && m_unsigned == number->m_unsigned;
    if (m_kind == Kind::Real && number->m_kind == Kind::Real)
        return m_real == number->m_real || (std::isnan(m_real) && std::isnan(number->m_real));
    // An integer against a real: long double holds every 64-bit integer
    // exactly, so the comparison is exact.
    const NSNumber& integer = m_kind == Kind::Real ? *number : *this;
    const NSNumber& real = m_kind == Kind::Real ? *this : *number;
    return integer.exactIntegerValue() == static_cast<long double>(real.m_real);
}

long double NSNumber::exactIntegerValue() const
{
    if (m_unsigned)
        return static_cast<long double>(static_cast<unsigned long long>(m_integer));
    return static_cast<long double>(m_integer);
}

NSUInteger NSNumber::hash() const
{
    // Numbers equal across kinds must hash alike: an integral real hashes
    // as the integer it equals (integers hash by their 64 bits, which tell
    // a signed value from an unsigned one beyond the signed range).
    if (m_kind != Kind::Real)
        return std::hash<long long>()(m_integer);
    if (std::isnan(m_real))
        return 0;
    long long truncated = saturatingLongLong(m_real);
    if (static_cast<long double>(truncated) == static_cast<long double>(m_real))
        return std::hash<long long>()(truncated);
    unsigned long long unsignedTruncated = unsignedLongLongValue();
    if (static_cast<long double>(unsignedTruncated) == static_cast<long double>(m_real))
        return std::hash<long long>()(static_cast<long long>(unsignedTruncated));
    return std::hash<double>()(m_real);
}

bool NSNumber::boolValue() const
{
    return m_kind == Kind::Real ? m_real != 0 : m_integer != 0;
}

int NSNumber::intValue() const
{
    return m_kind == Kind::Real ? saturatingInt(m_real) : saturatingInt(longLongValue());
}

NSInteger NSNumber::integerValue() const
{
    return longLongValue();
}

long long NSNumber::longLongValue() const
{
    if (m_unsigned)
        return NSIntegerMax;
    return m_kind == Kind::Real ? saturatingLongLong(m_real) : m_integer;
}

unsigned long long NSNumber::unsignedLongLongValue() const
{
    if (m_kind == Kind::Real) {
        // 2^64 is the first real past the range.
        if (!(m_real > 0))
            return 0;
        return m_real >= 18446744073709551616.0 ? NSUIntegerMax : static_cast<unsigned long long>(m_real);
    }
    if (!m_unsigned && m_integer < 0)
        return 0;
    return static_cast<unsigned long long>(m_integer);
}

float NSNumber::floatValue() const
{
    return narrowToFloat(doubleValue());
}

double NSNumber::doubleValue() const
{
    if (m_unsigned)
        return static_cast<double>(static_cast<unsigned long long>(m_integer));
    return m_kind == Kind::Real ? m_real : static_cast<double>(m_integer);
}

} // namespace qv
