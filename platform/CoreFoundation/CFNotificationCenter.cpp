#include "CFNotificationCenter.h"

#include "DarwinNotifyConnection.h"

#include <cstdlib>

namespace qv {

CFNotificationCenter::CFNotificationCenter()
    : m_connections([this] { return std::make_shared<DarwinNotifyConnection>(*this); })
{
}

CFNotificationCenter& CFNotificationCenter::darwinNotifyCenter()
{
    // Lives as long as the process: its socket does too.
    static CFNotificationCenter* center = [] {
        std::atexit(removeFilesAtExit);
        return makeRef<CFNotificationCenter>().leak();
    }();
    return *center;
}

std::shared_ptr<DarwinNotifyConnection> CFNotificationCenter::connection()
{
    return m_connections.get();
}

void CFNotificationCenter::removeFilesAtExit()
{
    if (std::optional<std::shared_ptr<DarwinNotifyConnection>> current = darwinNotifyCenter().m_connections.current())
        (*current)->removeFiles();
}

void CFNotificationCenter::addObserver(const void* observer, CFNotificationCallback callBack, const std::string& name)
{
    connection()->addObserver(observer, std::move(callBack), name);
}

void CFNotificationCenter::removeObserver(const void* observer, const std::optional<std::string>& name)
{
    connection()->removeObserver(observer, name);
}

void CFNotificationCenter::postNotification(const std::string& name)
{
    connection()->post(name);
}

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter()
{
    return &CFNotificationCenter::darwinNotifyCenter();
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callBack,
    const std::string& name, const void*, CFNotificationSuspensionBehavior)
{
    if (center)
        center->addObserver(observer, std::move(callBack), name);
}

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::optional<std::string>& name,
    const void*)
{
    if (center)
        center->removeObserver(observer, name);
}

void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer)
{
    if (center)
        center->removeObserver(observer, std::nullopt);
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void*, const void*, bool)
{
    if (center)
        center->postNotification(name);
}

} // namespace qv
