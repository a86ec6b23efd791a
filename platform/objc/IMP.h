#pragma once

#include "TypeEncoding.h"
#include "objc_object.h"

#include <functional>
#include <typeinfo>
#include <utility>

namespace qv {

class IMP;

namespace objc_detail {

// What an implementation that stands for a superclass's method calls: the
// superclass's implementation as it is at the moment of the call.
IMP superImplementation(Class hookedClass, SEL selector, id self);

[[noreturn]] void failEncoding(id self, SEL selector, const std::string& sent, const std::string& implemented);
[[noreturn]] void failEmptyImplementation(id self, SEL selector);
[[noreturn]] void failReceiverKind(id self, SEL selector, const std::type_info& expected);

// Classes live as long as the process, so only they come back as plain pointers.
template<typename T>
inline constexpr bool isRawObjectPointer = std::is_pointer_v<T> && isObjectType<std::remove_pointer_t<T>>;

} // namespace objc_detail

// The type-erased body of an implementation: its encoding, and (in the
// typed subclass) the function in canonical form.
class ImpBody : public Object {
public:
    const std::string& encoding() const { return m_encoding; }

    // An implementation of the same types that passes each call on to the
    // superclass of `hookedClass`, looked up at the moment of the call.
    virtual Ref<ImpBody> makeSuperForwarder(Class hookedClass, SEL selector) const = 0;

protected:
    explicit ImpBody(std::string encoding) : m_encoding(std::move(encoding)) {}

private:
    const std::string m_encoding;
};

// A method implementation, R (*)(id self, SEL _cmd, Args...) in the
// device's terms. It is a shared, immutable value: copies call the same
// function. A call checks its types against the implementation's own
// encoding and fails loudly on a mismatch instead of calling through the
// wrong function type.
class IMP {
public:
    IMP() = default;
    IMP(std::nullptr_t) {}
    explicit IMP(RefPtr<const ImpBody> body) : m_body(std::move(body)) {}

    // A plain function as an implementation. The receiver may be declared
    // as id, Class or a pointer to the C++ class of the instances; objects
    // among the arguments may be declared as pointers to their C++ class.
    template<typename R, typename S, typename... A>
    IMP(R (*function)(S self, SEL selector, A... arguments));

    explicit operator bool() const { return static_cast<bool>(m_body); }
    bool operator==(const IMP& other) const { return m_body == other.m_body; }

    // The encoding of the implementation's types; empty for none.
    const char* types() const { return m_body ? m_body->encoding().c_str() : ""; }

    // Calls the implementation with arguments of the C++ types given; the
    // result type is named. Objects come back as RefPtr.
    template<typename R = void, typename... Args>
    R call(id self, SEL selector, Args&&... arguments) const { return callBody<R>(m_body.get(), self, selector, std::forward<Args>(arguments)...); }

    // The same through a body the caller keeps alive (the runtime keeps every
    // body a method ever had); a message send needs no copy of the IMP.
    template<typename R = void, typename... Args>
    static R callBody(const ImpBody* body, id self, SEL selector, Args&&... arguments);

    // The body, for the runtime's method cache; null for none.
    const ImpBody* body() const { return m_body.get(); }

    // Calls with arguments already in canonical form.
    template<typename R, typename... A>
    R invokeCanonical(id self, SEL selector, A... arguments) const;

    IMP superForwarder(Class hookedClass, SEL selector) const
    {
        return m_body ? IMP(m_body->makeSuperForwarder(hookedClass, selector)) : IMP();
    }

private:
    template<typename Body>
    static const Body& checkedBody(const ImpBody* body, id self, SEL selector, const std::string& encoding)
    {
        if (!body)
            objc_detail::failEmptyImplementation(self, selector);
        if (body->encoding() != encoding)
            objc_detail::failEncoding(self, selector, encoding, body->encoding());
        // Equal encodings mean equal canonical types, so this is the body's own type.
        return static_cast<const Body&>(*body);
    }

    RefPtr<const ImpBody> m_body;
};

// R and A are canonical types.
template<typename R, typename... A>
class TypedImpBody final : public ImpBody {
public:
    using Function = std::function<R(id, SEL, A...)>;

    explicit TypedImpBody(Function function) : ImpBody(methodEncoding<R, A...>()), m_function(std::move(function)) {}

    R invoke(id self, SEL selector, A... arguments) const { return m_function(self, selector, std::move(arguments)...); }

    Ref<ImpBody> makeSuperForwarder(Class hookedClass, SEL selector) const override
    {
        return makeRef<TypedImpBody>([hookedClass, selector](id self, SEL sentSelector, A... arguments) -> R {
            IMP inherited = objc_detail::superImplementation(hookedClass, selector, self);
            return inherited.template invokeCanonical<R, A...>(self, sentSelector, std::move(arguments)...);
        });
    }

private:
    Function m_function;
};

namespace objc_detail {

template<typename S>
S receiverAs(id self, SEL selector)
{
    if constexpr (std::is_same_v<S, id>) {
        return self;
    } else {
        static_assert(std::is_pointer_v<S> && std::is_base_of_v<objc_object, std::remove_pointer_t<S>>,
            "the receiver is declared as id, Class or a pointer to a runtime class");
        if (!self)
            return nullptr;
        auto* cast = dynamic_cast<S>(self);
        if (!cast)
            failReceiverKind(self, selector, typeid(std::remove_pointer_t<S>));
        return cast;
    }
}

// Wraps a callable taking (S, SEL, A...) and answering R into the canonical
// form, converting arguments and result at the boundary.
template<typename R, typename S, typename... A, typename F>
Ref<ImpBody> makeImpBody(F function)
{
    using Body = TypedImpBody<CanonicalOf<R>, CanonicalOf<A>...>;
    return makeRef<Body>([function = std::move(function)](id self, SEL selector, CanonicalOf<A>... arguments) -> CanonicalOf<R> {
        S receiver = receiverAs<S>(self, selector);
        if constexpr (std::is_void_v<R>)
            function(receiver, selector, ObjCTypeOf<A>::fromCanonical(arguments)...);
        else
            return ObjCTypeOf<R>::toCanonical(function(receiver, selector, ObjCTypeOf<A>::fromCanonical(arguments)...));
    });
}

template<typename F>
struct BlockTraits : BlockTraits<decltype(&F::operator())> { };

template<typename C, typename R, typename S, typename... A>
struct BlockTraits<R (C::*)(S, A...) const> {
    template<typename F>
    static Ref<ImpBody> makeBody(F block)
    {
        return makeImpBody<R, S, A...>([block = std::move(block)](S self, SEL, A... arguments) -> R {
            return block(self, std::forward<A>(arguments)...);
        });
    }
};

} // namespace objc_detail

template<typename R, typename S, typename... A>
IMP::IMP(R (*function)(S, SEL, A...))
    : m_body(objc_detail::makeImpBody<R, S, A...>(function))
{
}

template<typename R, typename... Args>
R IMP::callBody(const ImpBody* implementation, id self, SEL selector, Args&&... arguments)
{
    static_assert(!objc_detail::isRawObjectPointer<R>, "an object result comes back as RefPtr, which keeps it alive");
    using Body = TypedImpBody<CanonicalOf<R>, CanonicalOf<Args>...>;
    const Body& body = checkedBody<Body>(implementation, self, selector, methodEncoding<R, Args...>());
    if constexpr (std::is_void_v<R>)
        body.invoke(self, selector, ObjCTypeOf<Args>::toCanonical(std::forward<Args>(arguments))...);
    else
        return ObjCTypeOf<R>::fromCanonical(body.invoke(self, selector, ObjCTypeOf<Args>::toCanonical(std::forward<Args>(arguments))...));
}

template<typename R, typename... A>
R IMP::invokeCanonical(id self, SEL selector, A... arguments) const
{
    using Body = TypedImpBody<R, A...>;
    return checkedBody<Body>(m_body.get(), self, selector, methodEncoding<R, A...>()).invoke(self, selector, std::move(arguments)...);
}

// An implementation from a callable that takes the receiver and the
// arguments, without the selector (the device's blocks as methods).
template<typename F>
IMP imp_implementationWithBlock(F block)
{
    return IMP(objc_detail::BlockTraits<F>::makeBody(std::move(block)));
}

} // namespace qv
