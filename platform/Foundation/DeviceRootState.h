#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace qv {

// The one owner of the process's state that belongs to the device it runs
// on: the preference views, the Darwin notify center's socket and
// observers, cached images, and anything else read from or bound to the
// device root. On a device the root never changes; a program here may move
// from one device root to another (a test program does for every test), and
// all state of the old device must then start afresh, so that nothing of
// one device is seen on the next.
//
// The device is told by QV_ROOT and the identity of the folder it names, so
// a folder removed and made again under the same name is another device.
// The name is compared at every call; the folder is looked at when the name
// changed and once after each pass of a run loop, so a folder made again
// under the same name counts as another device from the next pass on.
class DeviceRootState {
public:
    // A number that changes whenever the device root differs from the one
    // seen at the previous call. Safe from any thread.
    static uint64_t generation();
    // Has the next call look at the root folder again (a run loop's pass).
    static void lookAgainAtNextUse();
};

// A piece of process-wide state bound to the device root: made on first
// use, and made anew on the first use after the root changed. `Handle` is
// a shared handle (Ref, std::shared_ptr): users keep the one they got for as
// long as they work with it, and the old state goes with its last user.
template<typename Handle>
class RootBound {
public:
    explicit RootBound(std::function<Handle()> make)
        : m_make(std::move(make))
    {
    }

    Handle get()
    {
        std::optional<Handle> replaced;
        std::lock_guard guard(m_lock);
        const uint64_t generation = DeviceRootState::generation();
        if (!m_value || m_generation != generation) {
            replaced = std::exchange(m_value, m_make());
            m_generation = generation;
        }
        Handle current = *m_value;
        // `replaced` is let go after the lock (declared before the guard),
        // so the old state's clean-up never runs under it.
        return current;
    }

    // Makes `value` the state of the current root, in place of whatever was
    // made or set before.
    void set(Handle value)
    {
        std::optional<Handle> replaced;
        std::lock_guard guard(m_lock);
        replaced = std::exchange(m_value, std::move(value));
        m_generation = DeviceRootState::generation();
    }

    // The state as it stands, made for whichever root it was made for;
    // none before the first use.
    std::optional<Handle> current()
    {
        std::lock_guard guard(m_lock);
        return m_value;
    }

private:
    std::function<Handle()> m_make;
    std::mutex m_lock;
    std::optional<Handle> m_value;
    uint64_t m_generation = 0;
};

} // namespace qv
