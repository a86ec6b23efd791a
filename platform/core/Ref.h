#pragma once

#include "Object.h"

#include <cassert>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

namespace qv {

template<typename T> class Ref;
template<typename T> class RefPtr;

enum AdoptTag { Adopt };

// A strong reference that is never null.
template<typename T>
class Ref {
public:
    Ref(T& object) : m_ptr(&object) { m_ptr->retain(); }
    Ref(T& object, AdoptTag) : m_ptr(&object) {}
    Ref(const Ref& other) : m_ptr(other.m_ptr) { m_ptr->retain(); }
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) : m_ptr(other.ptr()) { m_ptr->retain(); }
    Ref(Ref&& other) noexcept : m_ptr(other.leak()) {}
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& other) noexcept : m_ptr(other.leak()) {}
    ~Ref() { if (m_ptr) m_ptr->release(); }

    Ref& operator=(const Ref& other)
    {
        Ref copy(other);
        std::swap(m_ptr, copy.m_ptr);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    T* ptr() const { return m_ptr; }
    T& get() const { return *m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    operator T&() const { return *m_ptr; }

    bool operator==(const Ref& other) const { return m_ptr == other.m_ptr; }
    bool operator==(const T* other) const { return m_ptr == other; }

    // Gives up ownership without releasing; only for the reference types.
    T* leak() { return std::exchange(m_ptr, nullptr); }

private:
    T* m_ptr;
};

// A strong reference that may be null.
template<typename T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}
    RefPtr(T* object) : m_ptr(object) { if (m_ptr) m_ptr->retain(); }
    RefPtr(T& object) : m_ptr(&object) { m_ptr->retain(); }
    RefPtr(T* object, AdoptTag) : m_ptr(object) {}
    RefPtr(const RefPtr& other) : RefPtr(other.m_ptr) {}
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(const RefPtr<U>& other) : RefPtr(other.get()) {}
    RefPtr(RefPtr&& other) noexcept : m_ptr(other.leak()) {}
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(RefPtr<U>&& other) noexcept : m_ptr(other.leak()) {}
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(const Ref<U>& other) : RefPtr(other.ptr()) {}
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(Ref<U>&& other) noexcept : m_ptr(other.leak()) {}
    ~RefPtr() { if (m_ptr) m_ptr->release(); }

    RefPtr& operator=(const RefPtr& other)
    {
        RefPtr copy(other);
        std::swap(m_ptr, copy.m_ptr);
        return *this;
    }
    RefPtr& operator=(RefPtr&& other) noexcept
    {
        RefPtr moved(std::move(other));
        std::swap(m_ptr, moved.m_ptr);
        return *this;
    }
    RefPtr& operator=(std::nullptr_t)
    {
        RefPtr old(std::move(*this));
        return *this;
    }

    T* get() const { return m_ptr; }
    T* operator->() const { assert(m_ptr); return m_ptr; }
    T& operator*() const { assert(m_ptr); return *m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    bool operator!() const { return !m_ptr; }

    // The non-null form; the caller has checked for null.
    Ref<T> toRef() const { assert(m_ptr); return Ref<T>(*m_ptr); }

    bool operator==(const RefPtr& other) const { return m_ptr == other.m_ptr; }
    bool operator==(const T* other) const { return m_ptr == other; }
    bool operator==(std::nullptr_t) const { return !m_ptr; }

    T* leak() { return std::exchange(m_ptr, nullptr); }

private:
    T* m_ptr = nullptr;
};

// Makes an object and adopts the count of one it was born with. Classes
// whose constructors are not public name QV_MAKE_REF_FRIEND.
template<typename T, typename... Args>
Ref<T> makeRef(Args&&... args)
{
    return Ref<T>(*new T(std::forward<Args>(args)...), Adopt);
}

#define QV_MAKE_REF_FRIEND \
    template<typename QvT, typename... QvArgs> friend ::qv::Ref<QvT> qv::makeRef(QvArgs&&...)

// The object as the given subclass, or null when it is of another kind.
template<typename T, typename U>
RefPtr<T> dynamicRefCast(const RefPtr<U>& object)
{
    return RefPtr<T>(dynamic_cast<T*>(object.get()));
}

template<typename T, typename U>
RefPtr<T> dynamicRefCast(const Ref<U>& object)
{
    return RefPtr<T>(dynamic_cast<T*>(object.ptr()));
}

template<typename T>
RefPtr<T> protect(T* object) { return RefPtr<T>(object); }

} // namespace qv

template<typename T>
struct std::hash<qv::RefPtr<T>> {
    size_t operator()(const qv::RefPtr<T>& p) const noexcept { return std::hash<T*>()(p.get()); }
};

template<typename T>
struct std::hash<qv::Ref<T>> {
    size_t operator()(const qv::Ref<T>& p) const noexcept { return std::hash<T*>()(p.ptr()); }
};
