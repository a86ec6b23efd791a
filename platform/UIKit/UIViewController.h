#pragma once

#include "UIInterfaceOrientation.h"
#include "UIResponder.h"
#include "UIView.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

class UINavigationController;
class UINavigationItem;
class UITabBarController;
class UITabBarItem;

enum UIModalPresentationStyle : int64_t {
    UIModalPresentationFullScreen = 0,
    UIModalPresentationPageSheet = 1,
    UIModalPresentationFormSheet = 2,
    UIModalPresentationCurrentContext = 3,
    UIModalPresentationOverFullScreen = 5,
};

// One screen of the interface and its view.
//
// The view is made on first use: `view()` runs loadView (by default a
// plain view of the screen's size), then viewDidLoad. The controller comes
// next in the responder chain after its view.
//
// Appearance. The four appearance calls are sent by whoever shows or hides
// the controller (a window, a container, a presentation), each time in
// will/did pairs, and never twice in a row in the same direction; a
// container passes them on to the child it shows. Owners may also call them
// directly, as the system's application delegate does. An animated change
// finishes (the did calls and the completion) on the main run loop after
// `transitionDuration`; one without animation finishes at once.
//
// Presentation. A controller presents another over its screen; the nearest
// ancestor without a parent does the presenting, as on the device, and the
// presented controller's view goes on top of the window. A form sheet on
// the iPad is 540 by 620 points in the middle of the screen; every other
// style, and every style on a phone, covers the screen and makes the
// presenting controller disappear. Presenting from a controller whose view
// is in no window, presenting while already presenting, and presenting a
// controller that is shown elsewhere are refused with a log line.
//
// Rotation. The interface orientation is the application's status-bar
// orientation. The rotation driver (UIInterfaceRotation) asks and tells
// the root controller, and the calls reach the shown child of every
// container and the presented controllers. Main thread only.
class UIViewController : public UIResponder {
public:
    std::string className() const override { return "UIViewController"; }
    static constexpr double transitionDuration = 0.3;

    UIViewController();

    // The view
    Ref<UIView> view();
    void setView(RefPtr<UIView> view);
    bool isViewLoaded() const { return static_cast<bool>(m_view); }
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void didReceiveMemoryWarning() {}

    // Appearance
    virtual void viewWillAppear(bool animated) {}
    virtual void viewDidAppear(bool animated) {}
    virtual void viewWillDisappear(bool animated) {}
    virtual void viewDidDisappear(bool animated) {}
    // The containment calls that send the appearance calls to this
    // controller and the child it shows; a repeated direction is ignored.
    void beginAppearanceTransition(bool isAppearing, bool animated);
    void endAppearanceTransition();
    // Whether the controller's view is in a visible window.
    bool isViewVisible() const;

    // Setting the title also names the navigation item and tab bar item.
    const std::string& title() const { return m_title; }
    virtual void setTitle(std::string title);
    Ref<UINavigationItem> navigationItem();
    Ref<UITabBarItem> tabBarItem();
    void setTabBarItem(RefPtr<UITabBarItem> item);

    // Containment
    RefPtr<UIViewController> parentViewController() const { return m_parent.lock(); }
    std::vector<Ref<UIViewController>> childViewControllers() const { return m_children; }
    void addChildViewController(const RefPtr<UIViewController>& child);
    void removeFromParentViewController();
    // The nearest container of the kind among the ancestors, or null.
    RefPtr<UINavigationController> navigationController() const;
    RefPtr<UITabBarController> tabBarController() const;

    // Editing, which table controllers pass on to their table.
    bool editing() const { return m_editing; }
    virtual void setEditing(bool editing, bool animated);

    // Rotation
    UIInterfaceOrientation interfaceOrientation() const;
    virtual bool shouldAutorotate() { return true; }
    // Every orientation on the iPad, all but upside down on a phone.
    virtual uint64_t supportedInterfaceOrientations();
    // The question older systems asked; only portrait by default. The
    // rotation driver asks the two above.
    virtual bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation);
    virtual void willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) {}
    virtual void willAnimateRotationToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) {}
    virtual void didRotateFromInterfaceOrientation(UIInterfaceOrientation fromOrientation) {}

    // Presentation
    UIModalPresentationStyle modalPresentationStyle() const { return m_modalPresentationStyle; }
    void setModalPresentationStyle(UIModalPresentationStyle style) { m_modalPresentationStyle = style; }
    void presentViewController(const RefPtr<UIViewController>& controller, bool animated, std::function<void()> completion = {});
    // Dismisses what this controller (or its presenting ancestor) presents;
    // a presented controller, or a child of one, asks its presenter.
    // Nothing happens, and the completion does not run, when nothing is
    // presented.
    void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
    RefPtr<UIViewController> presentedViewController() const;
    RefPtr<UIViewController> presentingViewController() const;

    RefPtr<UIResponder> nextResponder() const override;

    // The children the appearance and rotation calls go on to: the top
    // controller of a navigation controller, the selected one of a tab bar
    // controller.
    virtual std::vector<Ref<UIViewController>> childViewControllersForForwarding() const { return {}; }

    // Sends a rotation call to this controller, the children it forwards
    // to and the controllers presented over them.
    void forEachControllerForRotation(const std::function<void(UIViewController&)>& call);

protected:
    ~UIViewController() override;

    // Runs the end of a change now, or after the transition when animated.
    static void finishTransition(bool animated, std::function<void()> finish);

private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    // The ancestor without a parent, which presents for the family.
    UIViewController& presentationContext();
    const UIViewController& presentationContext() const;
    bool coversScreen() const;
    CGRect presentationFrame(const UIWindow& window) const;
    void dismissPresented(bool animated, std::function<void()> completion);
    // The did calls of a presentation or dismissal, then the completion.
    static void finishPresentation(Ref<UIViewController> presented, Ref<UIViewController> presenting, bool coversPresenter,
        bool animated, std::function<void()> completion);

    RefPtr<UIView> m_view;
    std::string m_title;
    RefPtr<UINavigationItem> m_navigationItem;
    RefPtr<UITabBarItem> m_tabBarItem;
    WeakPtr<UIViewController> m_parent;
    std::vector<Ref<UIViewController>> m_children;
    bool m_editing = false;
    Appearance m_appearance = Appearance::Disappeared;
    bool m_appearanceAnimated = false;
    UIModalPresentationStyle m_modalPresentationStyle = UIModalPresentationFullScreen;
    RefPtr<UIViewController> m_presented;
    WeakPtr<UIViewController> m_presenting;
};

} // namespace qv
