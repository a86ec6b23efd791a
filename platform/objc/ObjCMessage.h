#pragma once

#include "MessageSend.h"
#include "Substrate.h"

#include <atomic>
#include <type_traits>
#include <utility>

namespace qv {

template<typename Receiver, typename Signature>
class ObjCMessage;
template<typename Receiver, typename Signature>
class ObjCSavedImplementation;

namespace objc_detail {

// The receiver of a send as a plain pointer: a pointer, a Ref or a RefPtr.
template<typename T>
T* receiverPointer(T* receiver) { return receiver; }
template<typename T>
T* receiverPointer(const RefPtr<T>& receiver) { return receiver.get(); }
template<typename T>
T* receiverPointer(const Ref<T>& receiver) { return receiver.ptr(); }

template<typename T, typename Receiver>
concept SendableTo = requires(const T& receiver) {
    { receiverPointer(receiver) } -> std::convertible_to<Receiver*>;
};

} // namespace objc_detail

// What MSHookMessageEx hands back for a message: the implementation that
// was replaced, called with the message's own types. An absent one (nothing
// was hooked) answers zero instead of being called.
template<typename Receiver, typename R, typename... A>
class ObjCSavedImplementation<Receiver, R(A...)> {
public:
    ObjCSavedImplementation() = default;

    explicit operator bool() const { return static_cast<bool>(m_implementation); }
    const IMP& implementation() const { return m_implementation; }

    R operator()(Receiver* self, A... arguments) const
    {
        if (!m_implementation || !self)
            return objc_detail::zeroResult<R>();
        return m_implementation.template call<R>(self, m_selector, std::forward<A>(arguments)...);
    }

private:
    friend class ObjCMessage<Receiver, R(A...)>;

    SEL m_selector = nullptr;
    IMP m_implementation;
};

// One message, declared once with its selector and its C++ types: the class
// of its receivers (objc_class for a class message), its arguments and its
// result. Everything that touches the message goes through the declaration:
// the method's definition (addMethod), its sends (calling the declaration),
// a replacement (MSHookMessageEx below) and the implementation a
// replacement saved. So a send with a wrong selector or types does not
// compile, and an argument converts to the declared type as it would on the
// device (a plain 3 where an NSInteger is declared is an NSInteger).
template<typename Receiver, typename R, typename... A>
class ObjCMessage<Receiver, R(A...)> {
public:
    using Self = Receiver*;
    using Result = R;
    using Saved = ObjCSavedImplementation<Receiver, R(A...)>;
    // A replacement as a plain function, named after the class and selector
    // it replaces.
    using Implementation = R (*)(Self self, SEL selector, A... arguments);
    static constexpr bool isClassMessage = std::is_same_v<Receiver, objc_class>;

    constexpr explicit ObjCMessage(const char* name) : m_name(name) {}
    ObjCMessage(const ObjCMessage&) = delete;
    ObjCMessage& operator=(const ObjCMessage&) = delete;

    const char* name() const { return m_name; }

    SEL selector() const
    {
        SEL selector = m_selector.load(std::memory_order_acquire);
        if (!selector) {
            selector = sel_registerName(m_name);
            m_selector.store(selector, std::memory_order_release);
        }
        return selector;
    }

    // The method's type encoding.
    static const std::string& types() { return methodEncoding<R, A...>(); }

    // Sends the message. A nil receiver answers zero.
    template<objc_detail::SendableTo<Receiver> T>
    R operator()(const T& receiver, A... arguments) const
    {
        Self self = objc_detail::receiverPointer(receiver);
        return msgSend<R>(self, selector(), std::forward<A>(arguments)...);
    }

    // Defines the method on the class (on its metaclass for a class
    // message) with a block taking the receiver and the arguments. NO when
    // the class already defines it.
    template<typename F>
        requires std::is_invocable_r_v<R, F&, Self, A...>
    bool addMethod(Class cls, F block) const
    {
        return class_addMethod(methodClass(cls), selector(), implementationWithBlock(std::move(block)));
    }

    // The same with a plain function of the message's exact types.
    bool addMethod(Class cls, Implementation function) const
    {
        return class_addMethod(methodClass(cls), selector(), IMP(function));
    }

    template<typename F>
        requires std::is_invocable_r_v<R, F&, Self, A...>
    static IMP implementationWithBlock(F block)
    {
        return IMP(objc_detail::makeImpBody<R, Self, A...>(
            [block = std::move(block)](Self self, SEL, A... arguments) -> R { return block(self, std::forward<A>(arguments)...); }));
    }

    // Replaces the method as MSHookMessageEx does (on the metaclass for a
    // class message) and keeps what it replaced in *saved.
    void hook(Class cls, Implementation replacement, Saved* saved) const { hookWith(cls, IMP(replacement), saved); }

    // The same with a block taking the receiver and the arguments.
    template<typename F>
        requires(!std::is_pointer_v<F> && std::is_invocable_r_v<R, F&, Self, A...>)
    void hook(Class cls, F replacement, Saved* saved) const
    {
        hookWith(cls, implementationWithBlock(std::move(replacement)), saved);
    }

    // For a class message, the metaclass of the class given; otherwise the class.
    static Class methodClass(Class cls)
    {
        if constexpr (isClassMessage)
            return class_isMetaClass(cls) ? cls : object_getClass(cls);
        else
            return cls;
    }

private:
    void hookWith(Class cls, IMP replacement, Saved* saved) const
    {
        // The saved implementation is in place before any call can reach
        // the replacement; nothing hooked (no such class or method) leaves
        // it as it was.
        if (saved)
            saved->m_selector = selector();
        MSHookMessageEx(methodClass(cls), selector(), std::move(replacement), saved ? &saved->m_implementation : nullptr);
    }

    const char* const m_name;
    mutable std::atomic<SEL> m_selector { nullptr };
};

// A class message: its receiver is a class.
template<typename Signature>
using ObjCClassMessage = ObjCMessage<objc_class, Signature>;

// The substrate's call with a declared message.
template<typename Receiver, typename R, typename... A>
void MSHookMessageEx(Class cls, const ObjCMessage<Receiver, R(A...)>& message, typename ObjCMessage<Receiver, R(A...)>::Implementation replacement,
    ObjCSavedImplementation<Receiver, R(A...)>* saved)
{
    message.hook(cls, replacement, saved);
}

} // namespace qv
