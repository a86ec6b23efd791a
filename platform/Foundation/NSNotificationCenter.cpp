#include "NSNotificationCenter.h"

namespace qv {

Ref<NSNotificationCenter> NSNotificationCenter::defaultCenter()
{
    // Lives as long as the process.
    static NSNotificationCenter* center = makeRef<NSNotificationCenter>().leak();
    return *center;
}

bool NSNotificationCenter::Registration::matches(const NSNotification& notification) const
{
    if (removed || (name && *name != notification.name()))
        return false;
    // An object filter whose object is gone matches nothing, not a newcomer
    // at the same address.
    return !objectIdentity || (objectIdentity == notification.object() && object);
}

void NSNotificationCenter::addObserver(const Object& observer, Callback selector, std::optional<std::string> name, const NSObject* object)
{
    auto registration = std::make_shared<Registration>();
    registration->observer = WeakPtr<Object>(observer);
    registration->observerIdentity = &observer;
    registration->callback = std::move(selector);
    registration->name = std::move(name);
    registration->object = WeakPtr<NSObject>(object);
    registration->objectIdentity = object;
    std::lock_guard guard(m_lock);
    m_registrations.push_back(std::move(registration));
}

void NSNotificationCenter::removeRegistrations(const std::function<bool(const Registration&)>& matches)
{
    // Callbacks may own objects whose destructors use the center: they go
    // with this list, after the lock is let go.
    std::vector<std::shared_ptr<Registration>> removed;
    std::lock_guard guard(m_lock);
    std::erase_if(m_registrations, [&](const std::shared_ptr<Registration>& registration) {
        // A registration whose observer is gone is forgotten on the way.
        if (registration->observer && !matches(*registration))
            return false;
        registration->removed = true;
        removed.push_back(registration);
        return true;
    });
}

void NSNotificationCenter::removeObserver(const Object& observer)
{
    removeRegistrations([&](const Registration& registration) { return registration.observerIdentity == &observer; });
}

void NSNotificationCenter::removeObserver(const Object& observer, const std::optional<std::string>& name, const NSObject* object)
{
    removeRegistrations([&](const Registration& registration) {
        return registration.observerIdentity == &observer && (!name || registration.name == name)
            && (!object || registration.objectIdentity == object);
    });
}

void NSNotificationCenter::postNotification(NSNotification& notification)
{
    Ref<NSNotification> protect(notification);
    std::vector<std::shared_ptr<Registration>> matching;
    {
        std::lock_guard guard(m_lock);
        for (const std::shared_ptr<Registration>& registration : m_registrations) {
            if (registration->matches(notification))
                matching.push_back(registration);
        }
    }
    for (const std::shared_ptr<Registration>& registration : matching) {
        // Checked again at each call: an earlier observer may have removed
        // this one, or let it go.
        if (registration->removed)
            continue;
        RefPtr<Object> observer = registration->observer.lock();
        if (observer && registration->callback)
            registration->callback(notification);
    }
}

void NSNotificationCenter::postNotificationName(const std::string& name, RefPtr<NSObject> object, RefPtr<NSDictionary> userInfo)
{
    postNotification(NSNotification::notificationWithName(name, std::move(object), std::move(userInfo)));
}

} // namespace qv
