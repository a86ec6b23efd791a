#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// What the request engine asks of the application it runs in: the status
// bar's activity indicator, background time, and the device's names for
// the User-Agent. The engine does not depend on the user interface: an
// application installs its own services (QNUIKitServices over UIKit);
// without any, the indicator and background tasks are not there.
class QNApplicationServices {
public:
    static constexpr uint64_t invalidBackgroundTask = 0;

    virtual ~QNApplicationServices() = default;
    virtual bool isMultitaskingSupported() { return false; }
    virtual uint64_t beginBackgroundTask(std::function<void()> expirationHandler) { return invalidBackgroundTask; }
    virtual void endBackgroundTask(uint64_t task) {}
    virtual void setNetworkActivityIndicatorVisible(bool visible) {}
    virtual std::string deviceModel() { return "iPhone"; }
    virtual std::string systemName() { return "iPhone OS"; }
    virtual std::string systemVersion() { return "8.0"; }

    // The services in use; the plain ones until an application installs
    // its own (which must live as long as the process).
    static QNApplicationServices& current();
    static void install(QNApplicationServices& services);
};

} // namespace qv
