#pragma once

#include "platform/UIKit/UITabBarController.h"

namespace qv {

// The application's tab bar controller: the editor, the saved layouts and
// the layout server. Rotation is decided by the tab in front.
class QVRootViewController : public UITabBarController {
public:
    std::string className() const override { return "QVRootViewController"; }
    QVRootViewController() = default;

    bool shouldAutorotate() override;
    uint64_t supportedInterfaceOrientations() override;

protected:
    ~QVRootViewController() override = default;
};

} // namespace qv
