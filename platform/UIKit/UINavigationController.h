#pragma once

#include "UINavigationBar.h"
#include "UIViewController.h"

#include <vector>

namespace qv {

class UINavigationController;

// What a navigation controller tells its delegate about the screens it shows.
class UINavigationControllerDelegate : public virtual Object {
public:
    virtual void navigationControllerWillShowViewController(UINavigationController*, UIViewController*, bool animated) {}
    virtual void navigationControllerDidShowViewController(UINavigationController*, UIViewController*, bool animated) {}

protected:
    ~UINavigationControllerDelegate() override = default;
};

// A stack of screens, the top one shown below a navigation bar whose items
// are the screens' navigation items. Pushing and popping send the
// appearance calls (while the navigation controller itself has appeared)
// and tell the delegate; the bar's back button pops. The root cannot be
// popped. Pushing null, a controller already in the stack or one that has
// another parent is refused with a log line. The delegate is not retained.
class UINavigationController : public UIViewController, private UINavigationBarDelegate {
public:
    std::string className() const override { return "UINavigationController"; }
    UINavigationController();
    explicit UINavigationController(const RefPtr<UIViewController>& rootViewController);

    std::vector<Ref<UIViewController>> viewControllers() const { return childViewControllers(); }
    void setViewControllers(const std::vector<Ref<UIViewController>>& controllers, bool animated = false);
    void pushViewController(const RefPtr<UIViewController>& controller, bool animated);
    // The popped controller, or null at the root.
    RefPtr<UIViewController> popViewControllerAnimated(bool animated);
    // The popped controllers, top last.
    std::vector<Ref<UIViewController>> popToRootViewControllerAnimated(bool animated);
    std::vector<Ref<UIViewController>> popToViewController(const UIViewController* controller, bool animated);

    RefPtr<UIViewController> topViewController() const;
    // The top controller, or what it presents.
    RefPtr<UIViewController> visibleViewController() const;

    Ref<UINavigationBar> navigationBar() const { return m_navigationBar; }
    bool navigationBarHidden() const { return m_navigationBar->hidden(); }
    void setNavigationBarHidden(bool hidden, bool animated = false) { m_navigationBar->setHidden(hidden); }

    RefPtr<UINavigationControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UINavigationControllerDelegate>& delegate) { m_delegate = delegate; }

    void loadView() override;
    std::vector<Ref<UIViewController>> childViewControllersForForwarding() const override;

protected:
    ~UINavigationController() override = default;

private:
    bool navigationBarShouldPopItem(UINavigationBar*, UINavigationItem*) override;
    bool accepts(const RefPtr<UIViewController>& controller) const;
    // Shows `to` in place of `from`, with the appearance calls.
    void transition(RefPtr<UIViewController> from, RefPtr<UIViewController> to, bool animated);
    void updateBarItems();
    std::vector<Ref<UIViewController>> popAbove(size_t index, bool animated);

    Ref<UINavigationBar> m_navigationBar;
    WeakPtr<UINavigationControllerDelegate> m_delegate;
};

} // namespace qv
