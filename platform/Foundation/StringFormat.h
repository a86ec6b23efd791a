#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/Log.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace qv {

template<typename T> struct IsNullableReference : std::false_type { };
template<typename T> struct IsNullableReference<RefPtr<T>> : std::true_type { };

// One argument of a printf-style format, taken by kind at compile time, so
// that no C varargs are involved and no argument can be read as the wrong
// type. Holds no copy: it lives only while the format is being written.
class FormatArgument {
public:
    enum class Kind { Signed, Unsigned, Real, Text, Object, Pointer };

    template<typename T>
    FormatArgument(const T& value) { take(value); }

    Kind kind() const { return m_kind; }
    long long signedValue() const { return m_signed; }
    unsigned long long unsignedValue() const { return m_unsigned; }
    double realValue() const { return m_real; }
    std::string_view text() const { return m_text; }
    bool isNullText() const { return m_nullText; }
    const NSObject* object() const { return m_object; }
    const void* pointer() const { return m_pointer; }

private:
    template<typename T>
    void take(const T& value)
    {
        using Plain = std::remove_cv_t<T>;
        if constexpr (std::is_same_v<Plain, bool>) {
            setSigned(value ? 1 : 0);
        } else if constexpr (std::is_enum_v<Plain>) {
            take(static_cast<std::underlying_type_t<Plain>>(value));
        } else if constexpr (std::is_integral_v<Plain> && std::is_signed_v<Plain>) {
            setSigned(value);
        } else if constexpr (std::is_integral_v<Plain>) {
            m_kind = Kind::Unsigned;
            m_unsigned = value;
        } else if constexpr (std::is_floating_point_v<Plain>) {
            m_kind = Kind::Real;
            m_real = static_cast<double>(value);
        } else if constexpr (std::is_array_v<Plain> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<Plain>>, char>) {
            setText(value);
        } else if constexpr (std::is_same_v<Plain, const char*> || std::is_same_v<Plain, char*>) {
            setText(value);
        } else if constexpr (std::is_convertible_v<const Plain&, std::string_view>) {
            m_kind = Kind::Text;
            m_text = value;
        } else if constexpr (IsNullableReference<Plain>::value) {
            takeObjectPointer(value.get());
        } else if constexpr (std::is_pointer_v<Plain>) {
            takeObjectPointer(value);
        } else if constexpr (std::is_same_v<Plain, std::nullptr_t>) {
            m_kind = Kind::Pointer;
        } else if constexpr (std::is_convertible_v<const Plain*, const NSObject*>) {
            m_kind = Kind::Object;
            m_object = &value;
        } else {
            static_assert(std::is_same_v<Plain, void>, "this type cannot be a format argument");
        }
    }

    template<typename P>
    void takeObjectPointer(P* pointer)
    {
        if constexpr (std::is_convertible_v<P*, const NSObject*>) {
            m_kind = Kind::Object;
            m_object = pointer;
        } else {
            m_kind = Kind::Pointer;
            m_pointer = pointer;
        }
        m_pointer = static_cast<const void*>(pointer);
    }

    // Ref<T> holds `ptr()` rather than `get()`.
    template<typename T>
    void take(const Ref<T>& value) { takeObjectPointer(value.ptr()); }

    void setSigned(long long value)
    {
        m_kind = Kind::Signed;
        m_signed = value;
    }
    void setText(const char* text)
    {
        m_kind = Kind::Text;
        m_nullText = !text;
        m_text = text ? std::string_view(text) : std::string_view();
    }

    Kind m_kind = Kind::Pointer;
    long long m_signed = 0;
    unsigned long long m_unsigned = 0;
    double m_real = 0;
    std::string_view m_text;
    bool m_nullText = false;
    const NSObject* m_object = nullptr;
    const void* m_pointer = nullptr;
};

// Writes the format with its arguments: %d %i %u %o %x %X %c %s %f %F %e %E
// %g %G %a %A %p %@ and %%, with printf's flags, width, precision ("*"
// takes an argument) and length modifiers (hh h l ll q j z t L). The length
// modifier, not the argument's C++ type, decides the width an integer is
// shown in, as on the device ("%u" of -1 is 4294967295). "%@" shows an
// object's description, text as itself, numbers in decimal and an absent
// object as "(null)". An argument of the wrong kind is converted rather
// than misread; a missing one shows nothing.
std::string formatWithArguments(std::string_view format, std::span<const FormatArgument> arguments);

template<typename... Arguments>
std::string stringWithFormat(std::string_view format, const Arguments&... arguments)
{
    const std::array<FormatArgument, sizeof...(Arguments)> list { FormatArgument(arguments)... };
    return formatWithArguments(format, list);
}

// One formatted line in the process's log.
template<typename... Arguments>
void NSLog(std::string_view format, const Arguments&... arguments)
{
    logLine(stringWithFormat(format, arguments...));
}

} // namespace qv
