#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace qv {

class Object;

// The block a dying object and its weak pointers share. The object clears
// its entry under the lock before its memory is freed, and a weak pointer
// promotes itself under the same lock, so a promotion never touches freed
// memory and never revives an object whose count already reached zero.
class WeakControl {
public:
    explicit WeakControl(const Object* target) : m_target(target) {}
    WeakControl(const WeakControl&) = delete;
    WeakControl& operator=(const WeakControl&) = delete;

    void retain() noexcept { m_count.fetch_add(1, std::memory_order_relaxed); }
    void release() noexcept;

    // A strongly retained target, or null when it is gone or going.
    const Object* retainTarget();
    bool isTargetAlive();
    void clearTarget();

private:
    std::atomic<uint32_t> m_count { 1 };
    std::mutex m_lock;
    const Object* m_target;
};

} // namespace qv
