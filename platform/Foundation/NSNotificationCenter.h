#pragma once

#include "NSNotification.h"

#include "platform/core/WeakPtr.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The process's in-process notification center. Observers are held weakly
// and called synchronously on the posting thread, in the order they were
// added; an observer that is gone, or removed meanwhile (even during the
// same post), is not called.
class NSNotificationCenter : public NSObject {
public:
    using Callback = std::function<void(NSNotification&)>;

    static Ref<NSNotificationCenter> defaultCenter();

    // The callback is the C++ form of the selector; it is called while the
    // observer is alive. No name observes every name; no object observes
    // notifications of any object.
    void addObserver(const Object& observer, Callback selector, std::optional<std::string> name, const NSObject* object);
    void removeObserver(const Object& observer);
    void removeObserver(const Object& observer, const std::optional<std::string>& name, const NSObject* object);

    void postNotification(NSNotification& notification);
    void postNotificationName(const std::string& name, RefPtr<NSObject> object, RefPtr<NSDictionary> userInfo = nullptr);

    std::string className() const override { return "NSNotificationCenter"; }

private:
    QV_MAKE_REF_FRIEND;
    NSNotificationCenter() = default;

    struct Registration {
        WeakPtr<Object> observer;
        const Object* observerIdentity;
        Callback callback;
        std::optional<std::string> name;
        WeakPtr<NSObject> object;
        const NSObject* objectIdentity;
        std::atomic<bool> removed { false };

        bool matches(const NSNotification& notification) const;
    };

    void removeRegistrations(const std::function<bool(const Registration&)>& matches);

    std::mutex m_lock;
    std::vector<std::shared_ptr<Registration>> m_registrations;
};

} // namespace qv
