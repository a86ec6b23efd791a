#pragma once

#include "UIView.h"

namespace qv {

// The root of a tree of views on the screen, and the root of hit testing:
// touches are given in window coordinates and go to the view the window's
// hit test finds. A window starts hidden, as on the device, until it is
// made visible. Main thread only.
class UIWindow : public UIView {
public:
    std::string className() const override { return "UIWindow"; }
    UIWindow();
    explicit UIWindow(CGRect frame);

    // Shows the window and makes it the key window.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;
    static RefPtr<UIWindow> keyWindow();

    // Delivers the event's touches that belong to this window to their
    // views, each view once per phase with its touches in the event's order.
    virtual void sendEvent(UIEvent& event);

    // Delivers the touches of the window (or, for null, the touches that
    // belong to no window) to their views.
    static void deliverTouches(UIEvent& event, const UIWindow* window);

protected:
    ~UIWindow() override = default;
};

} // namespace qv
