#pragma once

#include "platform/Foundation/NSObject.h"

#include <string>
#include <type_traits>

namespace qv {

// One value written plainly at the call site: a bool, a number, text or an
// object. Containers take these, so that a literal reads like the device's
// `@{ @"x": @10, @"QV": @YES }`:
//     NSDictionary::create({ { "x", 10 }, { "QV", true } })
// Booleans stay booleans, integers integers and reals reals.
class ValueLiteral {
public:
    ValueLiteral(bool value);
    ValueLiteral(int value);
    ValueLiteral(long value);
    ValueLiteral(long long value);
    // Unsigned values beyond the largest signed one saturate to it.
    ValueLiteral(unsigned value);
    ValueLiteral(unsigned long value);
    ValueLiteral(unsigned long long value);
    ValueLiteral(float value);
    ValueLiteral(double value);
    ValueLiteral(const char* text);
    ValueLiteral(std::string text);
    // A container cannot hold nothing; the device raises an exception.
    ValueLiteral(std::nullptr_t) = delete;
    template<typename T, typename = std::enable_if_t<std::is_convertible_v<T*, NSObject*>>>
    ValueLiteral(const Ref<T>& object) : m_object(Ref<NSObject>(object)) {}

    const Ref<NSObject>& object() const { return m_object; }

private:
    Ref<NSObject> m_object;
};

} // namespace qv
