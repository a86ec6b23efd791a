#pragma once

#include "UITabBar.h"
#include "UIViewController.h"

#include "platform/Foundation/FoundationTypes.h"

#include <vector>

namespace qv {

class UITabBarController;

// What a tab bar controller asks and tells its delegate when the user taps
// a tab (selecting from code tells nobody).
class UITabBarControllerDelegate : public virtual Object {
public:
    virtual bool tabBarControllerShouldSelectViewController(UITabBarController*, UIViewController*) { return true; }
    virtual void tabBarControllerDidSelectViewController(UITabBarController*, UIViewController*) {}

protected:
    ~UITabBarControllerDelegate() override = default;
};

// Screens side by side behind a tab bar, one of them shown. Selecting a tab
// makes its view on first use (once the tab bar controller's own view is
// made) and, while the tab bar controller has appeared, sends the old tab
// disappear and the new one appear; selecting the selected tab again does
// nothing. Rotation calls go to the selected screen. The delegate is not
// retained.
class UITabBarController : public UIViewController, private UITabBarDelegate {
public:
    std::string className() const override { return "UITabBarController"; }
    UITabBarController();

    std::vector<Ref<UIViewController>> viewControllers() const { return childViewControllers(); }
    // Keeps the selected controller when it stays, else selects the first.
    void setViewControllers(const std::vector<Ref<UIViewController>>& controllers, bool animated = false);

    // NSNotFound while there is no tab.
    NSUInteger selectedIndex() const;
    // An index out of range is refused with a log line.
    void setSelectedIndex(NSUInteger index);
    RefPtr<UIViewController> selectedViewController() const { return m_selected; }
    void setSelectedViewController(const RefPtr<UIViewController>& controller);

    Ref<UITabBar> tabBar() const { return m_tabBar; }

    RefPtr<UITabBarControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UITabBarControllerDelegate>& delegate) { m_delegate = delegate; }

    // The user's tap on a tab: asks the delegate, selects, tells it.
    bool tapTabAtIndex(NSUInteger index);

    void loadView() override;
    std::vector<Ref<UIViewController>> childViewControllersForForwarding() const override;

protected:
    ~UITabBarController() override = default;

private:
    void tabBarDidSelectItem(UITabBar*, UITabBarItem*) override;
    void select(const RefPtr<UIViewController>& controller);
    void showSelectedView();

    Ref<UITabBar> m_tabBar;
    RefPtr<UIViewController> m_selected;
    WeakPtr<UITabBarControllerDelegate> m_delegate;
};

} // namespace qv
