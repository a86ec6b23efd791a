#pragma once

#include "http/QNApplicationServices.h"

namespace qv {

// The request engine's application services over UIKit: the status bar's
// activity indicator and background tasks of UIApplication, the device's
// names from UIDevice. An application installs them once at start.
class QNUIKitServices : public QNApplicationServices {
public:
    static void install();

    bool isMultitaskingSupported() override;
    uint64_t beginBackgroundTask(std::function<void()> expirationHandler) override;
    void endBackgroundTask(uint64_t task) override;
    void setNetworkActivityIndicatorVisible(bool visible) override;
    std::string deviceModel() override;
    std::string systemVersion() override;
};

} // namespace qv
