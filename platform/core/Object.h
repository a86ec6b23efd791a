#pragma once

#include <atomic>
#include <cstdint>

namespace qv {

class WeakControl;

// Root of every reference-counted object. The count is intrusive and
// thread-safe; an object is born with a count of one, which the first Ref
// made by makeRef() adopts. Objects are destroyed through their virtual
// destructor when the last strong reference goes away.
class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void retain() const noexcept;
    void release() const noexcept;
    uint32_t retainCount() const noexcept { return m_refCount.load(std::memory_order_acquire); }

    // Takes a strong reference only while the object is still alive; used by
    // WeakPtr to promote itself. Returns false once the count reached zero.
    bool tryRetain() const noexcept;

    // The shared control block that weak pointers hold; made on first use.
    WeakControl& weakControl() const;

protected:
    virtual ~Object();

private:
    mutable std::atomic<uint32_t> m_refCount { 1 };
    mutable std::atomic<WeakControl*> m_weakControl { nullptr };
};

} // namespace qv
