#include "Object.h"

#include "WeakControl.h"

namespace qv {

Object::~Object()
{
    // Cleared here too, not only when the count reaches zero: a weak pointer
    // may have been made while the object was already dying (in a
    // destructor), or the object may never have been counted (one on the
    // stack, or inside another).
    if (WeakControl* control = m_weakControl.load(std::memory_order_acquire)) {
        control->clearTarget();
        control->release();
    }
}

void Object::retain() const noexcept
{
    m_refCount.fetch_add(1, std::memory_order_relaxed);
}

void Object::release() const noexcept
{
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    // Weak pointers must stop finding us before the memory goes.
    if (WeakControl* control = m_weakControl.load(std::memory_order_acquire))
        control->clearTarget();
    delete this;
}

bool Object::tryRetain() const noexcept
{
    uint32_t count = m_refCount.load(std::memory_order_relaxed);
    while (count != 0) {
        if (m_refCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

WeakControl& Object::weakControl() const
{
    WeakControl* control = m_weakControl.load(std::memory_order_acquire);
    if (control)
        return *control;
    auto* fresh = new WeakControl(this);
    if (m_weakControl.compare_exchange_strong(control, fresh, std::memory_order_acq_rel))
        return *fresh;
    fresh->release(); // another thread made one first
    return *control;
}

void WeakControl::release() noexcept
{
    if (m_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

const Object* WeakControl::retainTarget()
{
    std::lock_guard guard(m_lock);
    if (m_target && m_target->tryRetain())
        return m_target;
    return nullptr;
}

bool WeakControl::isTargetAlive()
{
    std::lock_guard guard(m_lock);
    return m_target && m_target->retainCount() > 0;
}

void WeakControl::clearTarget()
{
    std::lock_guard guard(m_lock);
    m_target = nullptr;
}

} // namespace qv
