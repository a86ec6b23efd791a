#pragma once

#include "platform/Foundation/NSObject.h"

#include <mutex>

namespace qv {

// A plain lock: taking it twice on one thread is a fault.
class NSLock : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSLock> create() { return makeRef<NSLock>(); }
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    std::string className() const override { return "NSLock"; }

private:
    NSLock() = default;
    std::mutex m_mutex;
};

// A lock its holder may take again; it is free once every lock() was
// matched by an unlock().
class NSRecursiveLock : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSRecursiveLock> create() { return makeRef<NSRecursiveLock>(); }
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    std::string className() const override { return "NSRecursiveLock"; }

private:
    NSRecursiveLock() = default;
    std::recursive_mutex m_mutex;
};

} // namespace qv
