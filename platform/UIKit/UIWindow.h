#pragma once

#include "UIView.h"

namespace qv {

class UIViewController;

// The root of a tree of views on the screen, and the root of hit testing:
// touches are given in window coordinates and go to the view the window's
// hit test finds. A window starts hidden, as on the device, until it is
// made visible. Main thread only.
class UIWindow : public UIView {
public:
    std::string className() const override { return "UIWindow"; }
    UIWindow();
    explicit UIWindow(CGRect frame);

    // The controller whose view fills the window. Setting one puts its view
    // (made on first use) into the window with the window's bounds and, in
    // a visible window, sends the appearance calls to the old and the new
    // controller. Retained.
    RefPtr<UIViewController> rootViewController() const;
    void setRootViewController(RefPtr<UIViewController> controller);

    // Showing a window with a root controller makes it appear; hiding it,
    // disappear.
    void setHidden(bool hidden) override;

    // Every window alive, oldest first.
    static std::vector<Ref<UIWindow>> windows();

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
    ~UIWindow() override;

private:
    RefPtr<UIViewController> m_rootViewController;
};

} // namespace qv
