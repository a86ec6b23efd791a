#pragma once

#include "ObjCFatal.h"
#include "ObjCTypes.h"
#include "platform/core/Geometry.h"
#include "platform/core/Ref.h"
#include "platform/core/WeakPtr.h"

#include <cstdint>
#include <string>
#include <type_traits>

namespace qv {

// How a C++ type travels through a message: its letters in a method's type
// encoding, and the one C++ type ("canonical") that stands for those letters
// in every implementation. Because each encoding has exactly one canonical
// C++ type, two implementations with equal encodings have the same C++
// function type, so an implementation can be called through its encoding
// without undefined behaviour. Types without a specialisation cannot be sent.
//
// Objects travel as RefPtr<Object> ("@"), whatever their C++ class, so that
// values, views and runtime instances alike can be arguments and results;
// a receiving implementation that declares a narrower type gets the object
// cast to it (a mismatch is a fault, like a wrong object on the device).
template<typename T, typename Enable = void>
struct ObjCType;

namespace objc_detail {

template<typename C>
struct SameAsCanonical {
    using Canonical = C;
    static C toCanonical(C value) { return value; }
    static C fromCanonical(C value) { return value; }
};

template<size_t Size, bool Signed>
struct IntegerEncoding;
template<> struct IntegerEncoding<1, true> { using Type = int8_t; static constexpr const char* letter = "c"; };
template<> struct IntegerEncoding<1, false> { using Type = uint8_t; static constexpr const char* letter = "C"; };
template<> struct IntegerEncoding<2, true> { using Type = int16_t; static constexpr const char* letter = "s"; };
template<> struct IntegerEncoding<2, false> { using Type = uint16_t; static constexpr const char* letter = "S"; };
template<> struct IntegerEncoding<4, true> { using Type = int32_t; static constexpr const char* letter = "i"; };
template<> struct IntegerEncoding<4, false> { using Type = uint32_t; static constexpr const char* letter = "I"; };
// On the 64-bit device long and long long are both "q".
template<> struct IntegerEncoding<8, true> { using Type = int64_t; static constexpr const char* letter = "q"; };
template<> struct IntegerEncoding<8, false> { using Type = uint64_t; static constexpr const char* letter = "Q"; };

template<typename T>
inline constexpr bool isObjectType = std::is_base_of_v<Object, T> && !std::is_base_of_v<objc_class, T>;

// The object of a canonical value as a T, or null for nil.
template<typename T>
T* objectAs(const RefPtr<Object>& object)
{
    if (!object)
        return nullptr;
    using Mutable = std::remove_const_t<T>;
    auto* cast = dynamic_cast<Mutable*>(object.get());
    if (!cast) {
        const Object& actual = *object;
        failWrongKind(typeid(actual), typeid(Mutable));
    }
    return cast;
}

} // namespace objc_detail

template<typename T>
using ObjCTypeOf = ObjCType<std::remove_cvref_t<T>>;

template<typename T>
using CanonicalOf = typename ObjCTypeOf<T>::Canonical;

template<>
struct ObjCType<void> {
    using Canonical = void;
    static std::string encoding() { return "v"; }
};

template<>
struct ObjCType<bool> : objc_detail::SameAsCanonical<bool> {
    static std::string encoding() { return "B"; }
};

template<typename T>
struct ObjCType<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    using Info = objc_detail::IntegerEncoding<sizeof(T), std::is_signed_v<T>>;
    using Canonical = typename Info::Type;
    static std::string encoding() { return Info::letter; }
    static Canonical toCanonical(T value) { return static_cast<Canonical>(value); }
    static T fromCanonical(Canonical value) { return static_cast<T>(value); }
};

// Enumerations travel as their underlying integer.
template<typename T>
struct ObjCType<T, std::enable_if_t<std::is_enum_v<T>>> {
    using Underlying = ObjCType<std::underlying_type_t<T>>;
    using Canonical = typename Underlying::Canonical;
    static std::string encoding() { return Underlying::encoding(); }
    static Canonical toCanonical(T value) { return static_cast<Canonical>(value); }
    static T fromCanonical(Canonical value) { return static_cast<T>(value); }
};

template<>
struct ObjCType<float> : objc_detail::SameAsCanonical<float> {
    static std::string encoding() { return "f"; }
};

template<>
struct ObjCType<double> : objc_detail::SameAsCanonical<double> {
    static std::string encoding() { return "d"; }
};

template<>
struct ObjCType<void*> : objc_detail::SameAsCanonical<void*> {
    static std::string encoding() { return "^v"; }
};

template<>
struct ObjCType<SEL> : objc_detail::SameAsCanonical<SEL> {
    static std::string encoding() { return ":"; }
};

template<>
struct ObjCType<Class> : objc_detail::SameAsCanonical<Class> {
    static std::string encoding() { return "#"; }
};

// A structure passed by value, spelled as the device spells it. The
// encoding must name the structure uniquely.
#define QV_OBJC_STRUCT_ENCODING(Type, Encoding) \
    template<> \
    struct qv::ObjCType<Type> : qv::objc_detail::SameAsCanonical<Type> { \
        static std::string encoding() { return Encoding; } \
    }

} // namespace qv

QV_OBJC_STRUCT_ENCODING(qv::CGPoint, "{CGPoint=dd}");
QV_OBJC_STRUCT_ENCODING(qv::CGSize, "{CGSize=dd}");
QV_OBJC_STRUCT_ENCODING(qv::CGRect, "{CGRect={CGPoint=dd}{CGSize=dd}}");
QV_OBJC_STRUCT_ENCODING(qv::CGAffineTransform, "{CGAffineTransform=dddddd}");

namespace qv {

template<>
struct ObjCType<std::nullptr_t> {
    using Canonical = RefPtr<Object>;
    static std::string encoding() { return "@"; }
    static Canonical toCanonical(std::nullptr_t) { return nullptr; }
    static std::nullptr_t fromCanonical(const Canonical&) { return nullptr; }
};

// A plain pointer to an object: borrowed while the message runs.
template<typename T>
struct ObjCType<T*, std::enable_if_t<objc_detail::isObjectType<T>>> {
    using Canonical = RefPtr<Object>;
    static std::string encoding() { return "@"; }
    static Canonical toCanonical(T* object) { return RefPtr<Object>(const_cast<std::remove_const_t<T>*>(object)); }
    static T* fromCanonical(const Canonical& object) { return objc_detail::objectAs<T>(object); }
};

template<typename T>
struct ObjCType<RefPtr<T>, std::enable_if_t<objc_detail::isObjectType<T>>> {
    using Canonical = RefPtr<Object>;
    static std::string encoding() { return "@"; }
    static Canonical toCanonical(const RefPtr<T>& object) { return RefPtr<Object>(object.get()); }
    static RefPtr<T> fromCanonical(const Canonical& object) { return RefPtr<T>(objc_detail::objectAs<T>(object)); }
};

template<typename T>
struct ObjCType<Ref<T>, std::enable_if_t<objc_detail::isObjectType<T>>> {
    using Canonical = RefPtr<Object>;
    static std::string encoding() { return "@"; }
    static Canonical toCanonical(const Ref<T>& object) { return RefPtr<Object>(object.ptr()); }
    static Ref<T> fromCanonical(const Canonical& object)
    {
        T* cast = objc_detail::objectAs<T>(object);
        if (!cast)
            objc_detail::failMissingObject(typeid(T));
        return Ref<T>(*cast);
    }
};

template<typename T>
struct ObjCType<WeakPtr<T>, std::enable_if_t<objc_detail::isObjectType<T>>> {
    using Canonical = RefPtr<Object>;
    static std::string encoding() { return "@"; }
    static Canonical toCanonical(const WeakPtr<T>& object) { return RefPtr<Object>(object.lock().get()); }
    static WeakPtr<T> fromCanonical(const Canonical& object) { return WeakPtr<T>(objc_detail::objectAs<T>(object)); }
};

// The encoding of a method answering R to arguments A: the result, then
// the receiver and the selector, then the arguments.
template<typename R, typename... A>
const std::string& methodEncoding()
{
    static const std::string encoding = ObjCTypeOf<R>::encoding() + "@:" + (std::string() + ... + ObjCTypeOf<A>::encoding());
    return encoding;
}

// The encoding of a single type, for building type strings at run time.
template<typename T>
std::string typeEncoding() { return ObjCTypeOf<T>::encoding(); }

// A type string as written on the device may carry frame offsets
// ("v16@0:8"); they mean nothing here and are dropped before comparing.
std::string normalizedTypeEncoding(const char* types);

} // namespace qv
