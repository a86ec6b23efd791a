#include "QNUIKitServices.h"

#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIDevice.h"

namespace qv {

void QNUIKitServices::install()
{
    // Lives as long as the process, as the services must.
    static QNUIKitServices services;
    QNApplicationServices::install(services);
}

bool QNUIKitServices::isMultitaskingSupported()
{
    return UIDevice::currentDevice().isMultitaskingSupported();
}

uint64_t QNUIKitServices::beginBackgroundTask(std::function<void()> expirationHandler)
{
    return UIApplication::sharedApplication()->beginBackgroundTaskWithExpirationHandler(std::move(expirationHandler));
}

void QNUIKitServices::endBackgroundTask(uint64_t task)
{
    UIApplication::sharedApplication()->endBackgroundTask(task);
}

void QNUIKitServices::setNetworkActivityIndicatorVisible(bool visible)
{
    UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(visible);
}

std::string QNUIKitServices::deviceModel()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad ? "iPad" : "iPhone";
}

std::string QNUIKitServices::systemVersion()
{
    return UIDevice::currentDevice().systemVersion();
}

} // namespace qv
