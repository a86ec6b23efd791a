#pragma once

#include "Runtime.h"

namespace qv {

// The receiver and the class to start from for a message to super.
struct objc_super {
    id receiver = nullptr;
    Class super_class = nullptr;
};

namespace objc_detail {

// The implementation a message to self runs; an unrecognised selector is a
// fault, as on the device. The runtime keeps the body alive for as long as
// the process lives, also after its method was given another one.
const ImpBody* implementationForMessage(id self, SEL selector);
IMP implementationForSuperMessage(const objc_super& super, SEL selector);
[[noreturn]] void failNotRuntimeObject(const Object& object, SEL selector);

// Keeps the receiver alive while its method runs, unless it is already
// being destroyed (a message sent from its own destructor).
class ProtectedReceiver {
public:
    explicit ProtectedReceiver(id object)
        : m_object(object), m_retained(object && object->tryRetain()) {}
    ~ProtectedReceiver()
    {
        if (m_retained)
            m_object->release();
    }
    ProtectedReceiver(const ProtectedReceiver&) = delete;
    ProtectedReceiver& operator=(const ProtectedReceiver&) = delete;

    id get() const { return m_object; }

private:
    id m_object;
    bool m_retained;
};

template<typename T>
id asReceiver(T* object, SEL selector)
{
    if constexpr (std::is_base_of_v<objc_object, T>) {
        return const_cast<std::remove_const_t<T>*>(object);
    } else {
        static_assert(std::is_base_of_v<Object, T>, "messages go to objects");
        if (!object)
            return nullptr;
        auto* runtimeObject = dynamic_cast<objc_object*>(const_cast<std::remove_const_t<T>*>(object));
        if (!runtimeObject)
            failNotRuntimeObject(*object, selector);
        return runtimeObject;
    }
}

template<typename T>
id asReceiver(const RefPtr<T>& object, SEL selector) { return asReceiver(object.get(), selector); }
template<typename T>
id asReceiver(const Ref<T>& object, SEL selector) { return asReceiver(object.ptr(), selector); }
inline id asReceiver(std::nullptr_t, SEL) { return nullptr; }

template<typename R>
R zeroResult()
{
    if constexpr (!std::is_void_v<R>)
        return R {};
}

} // namespace objc_detail

// Sends a message. A nil receiver does nothing and answers zero (a null
// RefPtr, a zero number or structure). The method is looked up through the
// receiver's class and its superclasses (through the metaclasses for a
// class receiver). The arguments' C++ types and R must match the method's
// encoding; a mismatch, like an unrecognised selector, ends the process
// with a message that says so.
template<typename R = void, typename Receiver, typename... Args>
R msgSend(const Receiver& receiver, SEL selector, Args&&... arguments)
{
    objc_detail::ProtectedReceiver self(objc_detail::asReceiver(receiver, selector));
    if (!self.get())
        return objc_detail::zeroResult<R>();
    const ImpBody* implementation = objc_detail::implementationForMessage(self.get(), selector);
    return IMP::callBody<R>(implementation, self.get(), selector, std::forward<Args>(arguments)...);
}

template<typename R = void, typename Receiver, typename... Args>
R msgSend(const Receiver& receiver, const char* selectorName, Args&&... arguments)
{
    return msgSend<R>(receiver, sel_registerName(selectorName), std::forward<Args>(arguments)...);
}

// Sends a message to super: the lookup starts at super.super_class.
template<typename R = void, typename... Args>
R msgSendSuper(const objc_super& super, SEL selector, Args&&... arguments)
{
    objc_detail::ProtectedReceiver self(super.receiver);
    if (!self.get())
        return objc_detail::zeroResult<R>();
    IMP implementation = objc_detail::implementationForSuperMessage(super, selector);
    return implementation.call<R>(self.get(), selector, std::forward<Args>(arguments)...);
}

template<typename R = void, typename... Args>
R msgSendSuper(const objc_super& super, const char* selectorName, Args&&... arguments)
{
    return msgSendSuper<R>(super, sel_registerName(selectorName), std::forward<Args>(arguments)...);
}

} // namespace qv
