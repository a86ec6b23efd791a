#pragma once

#include "platform/UIKit/UIViewController.h"
#include "platform/core/WeakPtr.h"

namespace qv {

class SpringBoard;

// The root controller of SpringBoard's window: its view is the icon
// controller's content view, and it turns the home screen when the
// interface turns, to any of the four orientations.
class SBHomeScreenViewController : public UIViewController {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<SBHomeScreenViewController> create(SpringBoard& springBoard);

    std::string className() const override { return "SBHomeScreenViewController"; }

    void loadView() override;
    uint64_t supportedInterfaceOrientations() override;
    void willAnimateRotationToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

private:
    explicit SBHomeScreenViewController(SpringBoard& springBoard) : m_springBoard(springBoard) {}
    ~SBHomeScreenViewController() override = default;

    WeakPtr<SpringBoard> m_springBoard;
};

} // namespace qv
