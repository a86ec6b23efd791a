#pragma once

#include "SBHomeScreenTouches.h"
#include "platform/UIKit/UIViewController.h"
#include "platform/core/WeakPtr.h"

namespace qv {

class SpringBoard;

// The root controller of SpringBoard's window: its view is the icon
// controller's content view, and it turns the home screen when the
// interface turns, to any of the four orientations. The touches no view of
// the home screen takes come up to it and act on the home screen
// (SBHomeScreenTouches).
class SBHomeScreenViewController : public UIViewController {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<SBHomeScreenViewController> create(SpringBoard& springBoard);

    std::string className() const override { return "SBHomeScreenViewController"; }

    void loadView() override;
    uint64_t supportedInterfaceOrientations() override;
    void willAnimateRotationToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

private:
    explicit SBHomeScreenViewController(SpringBoard& springBoard) : m_springBoard(springBoard) {}
    ~SBHomeScreenViewController() override = default;

    WeakPtr<SpringBoard> m_springBoard;
    Ref<SBHomeScreenTouches> m_touches = makeRef<SBHomeScreenTouches>();
};

} // namespace qv
