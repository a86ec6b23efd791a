#pragma once

#include "platform/UIKit/UIViewController.h"

namespace qv {

// A controller that turns with the device into every orientation.
class QNAutorotatingViewController : public UIViewController {
public:
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
    std::string className() const override { return "QNAutorotatingViewController"; }
};

} // namespace qv
