#pragma once

// CoreFoundation's test seams: what tests may change in the process that
// the system itself never does. Only tests include this header.

namespace qv {

// While alive, a preference synchronisation waits at most the given
// seconds for another process's lock on the domain's file, instead of the
// usual five, so a test of a stuck holder does not wait that long.
class ScopedPreferencesLockWait {
public:
    explicit ScopedPreferencesLockWait(double seconds);
    ~ScopedPreferencesLockWait();
    ScopedPreferencesLockWait(const ScopedPreferencesLockWait&) = delete;
    ScopedPreferencesLockWait& operator=(const ScopedPreferencesLockWait&) = delete;

private:
    double m_previous;
};

} // namespace qv
