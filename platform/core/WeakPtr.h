#pragma once

#include "Ref.h"
#include "WeakControl.h"

namespace qv {

// A reference that does not keep its object alive and reads as null once
// the object is gone. Safe to copy, clear and promote from any thread.
template<typename T>
class WeakPtr {
public:
    WeakPtr() = default;
    WeakPtr(std::nullptr_t) {}
    WeakPtr(const T* object) { reset(object); }
    WeakPtr(const T& object) { reset(&object); }
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    WeakPtr(const RefPtr<U>& object) { reset(object.get()); }
    template<typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    WeakPtr(const Ref<U>& object) { reset(object.ptr()); }
    WeakPtr(const WeakPtr& other) : m_control(other.m_control), m_ptr(other.m_ptr)
    {
        if (m_control)
            m_control->retain();
    }
    WeakPtr(WeakPtr&& other) noexcept
        : m_control(std::exchange(other.m_control, nullptr)), m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ~WeakPtr() { clear(); }

    WeakPtr& operator=(const WeakPtr& other)
    {
        WeakPtr copy(other);
        swap(copy);
        return *this;
    }
    WeakPtr& operator=(WeakPtr&& other) noexcept
    {
        WeakPtr moved(std::move(other));
        swap(moved);
        return *this;
    }
    WeakPtr& operator=(std::nullptr_t)
    {
        clear();
        return *this;
    }

    // A strong reference to the object, or null when it is gone.
    RefPtr<T> lock() const
    {
        if (!m_control || !m_control->retainTarget())
            return nullptr;
        return RefPtr<T>(const_cast<T*>(m_ptr), Adopt);
    }

    explicit operator bool() const { return m_control && m_control->isTargetAlive(); }

    // Identity only; never dereference. Useful to compare a weak delegate.
    const T* unsafeGet() const { return m_ptr; }

private:
    void reset(const T* object)
    {
        if (!object)
            return;
        m_control = &object->weakControl();
        m_control->retain();
        m_ptr = object;
    }
    void clear()
    {
        if (m_control)
            m_control->release();
        m_control = nullptr;
        m_ptr = nullptr;
    }
    void swap(WeakPtr& other) noexcept
    {
        std::swap(m_control, other.m_control);
        std::swap(m_ptr, other.m_ptr);
    }

    WeakControl* m_control = nullptr;
    const T* m_ptr = nullptr;
};

} // namespace qv
