#include "UIViewController.h"

#include "UIApplication.h"
#include "UIDevice.h"
#include "UINavigationController.h"
#include "UINavigationItem.h"
#include "UIScreen.h"
#include "UITabBarController.h"
#include "UITabBarItem.h"
#include "UIWindow.h"

#include "platform/Foundation/DispatchQueue.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/VirtualClock.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGSize formSheetSize { 540, 620 };

bool isPad()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
}

} // namespace

UIViewController::UIViewController() = default;

UIViewController::~UIViewController()
{
    for (const Ref<UIViewController>& child : m_children)
        child->m_parent = nullptr;
    if (m_view && m_view->viewDelegate().get() == this)
        m_view->setViewDelegate(nullptr);
}

// The view

Ref<UIView> UIViewController::view()
{
    if (!m_view) {
        Ref<UIViewController> protect(*this);
        loadView();
        if (!m_view) // a loadView that made nothing still leaves a view
            setView(makeRef<UIView>(UIScreen::mainScreen().bounds()));
        viewDidLoad();
    }
    return m_view.toRef();
}

void UIViewController::setView(RefPtr<UIView> view)
{
    if (m_view && m_view->viewDelegate().get() == this)
        m_view->setViewDelegate(nullptr);
    m_view = std::move(view);
    if (m_view)
        m_view->setViewDelegate(WeakPtr<UIResponder>(this));
}

void UIViewController::loadView()
{
    setView(makeRef<UIView>(UIScreen::mainScreen().bounds()));
}

bool UIViewController::isViewVisible() const
{
    if (!m_view)
        return false;
    RefPtr<UIWindow> window = m_view->window();
    return window && !window->hidden();
}

// Appearance

void UIViewController::beginAppearanceTransition(bool isAppearing, bool animated)
{
    const bool alreadyThere = isAppearing
        ? (m_appearance == Appearance::Appearing || m_appearance == Appearance::Appeared)
        : (m_appearance == Appearance::Disappearing || m_appearance == Appearance::Disappeared);
    if (alreadyThere)
        return;
    Ref<UIViewController> protect(*this);
    m_appearance = isAppearing ? Appearance::Appearing : Appearance::Disappearing;
    m_appearanceAnimated = animated;
    if (isAppearing) {
        view(); // a controller about to appear has its view
        viewWillAppear(animated);
    } else {
        viewWillDisappear(animated);
    }
    for (const Ref<UIViewController>& child : childViewControllersForForwarding())
        child->beginAppearanceTransition(isAppearing, animated);
}

void UIViewController::endAppearanceTransition()
{
    if (m_appearance != Appearance::Appearing && m_appearance != Appearance::Disappearing)
        return;
    Ref<UIViewController> protect(*this);
    const bool appearing = m_appearance == Appearance::Appearing;
    m_appearance = appearing ? Appearance::Appeared : Appearance::Disappeared;
    if (appearing)
        viewDidAppear(m_appearanceAnimated);
    else
        viewDidDisappear(m_appearanceAnimated);
    for (const Ref<UIViewController>& child : childViewControllersForForwarding())
        child->endAppearanceTransition();
}

void UIViewController::finishTransition(bool animated, std::function<void()> finish)
{
    if (!animated) {
        finish();
        return;
    }
    DispatchQueue::mainQueue().after(VirtualClock::now() + transitionDuration, std::move(finish));
}

// Titles and items

void UIViewController::setTitle(std::string title)
{
    m_title = std::move(title);
    navigationItem()->setTitle(m_title);
    tabBarItem()->setTitle(m_title);
}

Ref<UINavigationItem> UIViewController::navigationItem()
{
    if (!m_navigationItem)
        m_navigationItem = makeRef<UINavigationItem>(m_title);
    return m_navigationItem.toRef();
}

Ref<UITabBarItem> UIViewController::tabBarItem()
{
    if (!m_tabBarItem)
        m_tabBarItem = makeRef<UITabBarItem>(m_title, nullptr, 0);
    return m_tabBarItem.toRef();
}

void UIViewController::setTabBarItem(RefPtr<UITabBarItem> item)
{
    m_tabBarItem = std::move(item);
}

// Containment

void UIViewController::addChildViewController(const RefPtr<UIViewController>& child)
{
    if (!child || child.get() == this)
        return;
    if (child->parentViewController().get() == this)
        return;
    child->removeFromParentViewController();
    m_children.push_back(child.toRef());
    child->m_parent = WeakPtr<UIViewController>(this);
}

void UIViewController::removeFromParentViewController()
{
    RefPtr<UIViewController> parent = parentViewController();
    if (!parent)
        return;
    Ref<UIViewController> protect(*this);
    std::erase_if(parent->m_children, [this](const Ref<UIViewController>& child) { return child.ptr() == this; });
    m_parent = nullptr;
}

RefPtr<UINavigationController> UIViewController::navigationController() const
{
    for (RefPtr<UIViewController> ancestor = parentViewController(); ancestor; ancestor = ancestor->parentViewController()) {
        if (RefPtr<UINavigationController> navigation = dynamicRefCast<UINavigationController>(ancestor))
            return navigation;
    }
    return nullptr;
}

RefPtr<UITabBarController> UIViewController::tabBarController() const
{
    for (RefPtr<UIViewController> ancestor = parentViewController(); ancestor; ancestor = ancestor->parentViewController()) {
        if (RefPtr<UITabBarController> tabs = dynamicRefCast<UITabBarController>(ancestor))
            return tabs;
    }
    return nullptr;
}

void UIViewController::setEditing(bool editing, bool)
{
    m_editing = editing;
}

// Rotation

UIInterfaceOrientation UIViewController::interfaceOrientation() const
{
    return UIApplication::sharedApplication()->statusBarOrientation();
}

uint64_t UIViewController::supportedInterfaceOrientations()
{
    return isPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskAllButUpsideDown;
}

bool UIViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return orientation == UIInterfaceOrientationPortrait;
}

void UIViewController::forEachControllerForRotation(const std::function<void(UIViewController&)>& call)
{
    Ref<UIViewController> protect(*this);
    call(*this);
    for (const Ref<UIViewController>& child : childViewControllersForForwarding())
        child->forEachControllerForRotation(call);
    if (RefPtr<UIViewController> presented = m_presented)
        presented->forEachControllerForRotation(call);
}

// Presentation

UIViewController& UIViewController::presentationContext()
{
    UIViewController* context = this;
    while (RefPtr<UIViewController> parent = context->parentViewController())
        context = parent.get(); // held by its own parent, or by whoever holds this family
    return *context;
}

const UIViewController& UIViewController::presentationContext() const
{
    return const_cast<UIViewController*>(this)->presentationContext();
}

bool UIViewController::coversScreen() const
{
    return !isPad() || m_modalPresentationStyle != UIModalPresentationFormSheet;
}

CGRect UIViewController::presentationFrame(const UIWindow& window) const
{
    const CGRect bounds = window.bounds();
    if (coversScreen())
        return bounds;
    return CGRectMake(CGRectGetMidX(bounds) - formSheetSize.width / 2, CGRectGetMidY(bounds) - formSheetSize.height / 2,
        formSheetSize.width, formSheetSize.height);
}

RefPtr<UIViewController> UIViewController::presentedViewController() const
{
    return presentationContext().m_presented;
}

RefPtr<UIViewController> UIViewController::presentingViewController() const
{
    return presentationContext().m_presenting.lock();
}

void UIViewController::finishPresentation(Ref<UIViewController> presented, Ref<UIViewController> presenting, bool coversPresenter,
    bool animated, std::function<void()> completion)
{
    finishTransition(animated, [presented, presenting, coversPresenter, completion = std::move(completion)] {
        presented->endAppearanceTransition();
        if (coversPresenter)
            presenting->endAppearanceTransition();
        if (completion)
            completion();
    });
}

void UIViewController::presentViewController(const RefPtr<UIViewController>& controller, bool animated, std::function<void()> completion)
{
    if (!controller)
        return;
    Ref<UIViewController> protect(*this);
    UIViewController& presenter = presentationContext();
    RefPtr<UIWindow> window = presenter.isViewLoaded() ? presenter.view()->window() : nullptr;
    if (presenter.m_presented) {
        logLine(stringWithFormat("Warning: Attempt to present %@ on %@ which is already presenting %@", controller->className(),
            presenter.className(), presenter.m_presented->className()));
        return;
    }
    if (!window) {
        logLine(stringWithFormat("Warning: Attempt to present %@ on %@ whose view is not in the window hierarchy!",
            controller->className(), presenter.className()));
        return;
    }
    if (controller->parentViewController() || controller->m_presenting || controller.get() == &presenter) {
        logLine(stringWithFormat("UIViewController: refused to present %@, which is already shown elsewhere", controller->className()));
        return;
    }
    Ref<UIViewController> presented = controller.toRef();
    Ref<UIViewController> presenting(presenter);
    presenter.m_presented = presented;
    presented->m_presenting = WeakPtr<UIViewController>(&presenter);
    const bool coversPresenter = presented->coversScreen();

    Ref<UIView> presentedView = presented->view();
    presentedView->setFrame(presented->presentationFrame(*window));
    presented->beginAppearanceTransition(true, animated);
    if (coversPresenter)
        presenting->beginAppearanceTransition(false, animated);
    window->addSubview(presentedView);
    finishPresentation(presented, presenting, coversPresenter, animated, std::move(completion));
}

void UIViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion)
{
    Ref<UIViewController> protect(*this);
    UIViewController& context = presentationContext();
    if (context.m_presented) {
        context.dismissPresented(animated, std::move(completion));
        return;
    }
    if (RefPtr<UIViewController> presenter = context.m_presenting.lock())
        presenter->dismissPresented(animated, std::move(completion));
}

void UIViewController::dismissPresented(bool animated, std::function<void()> completion)
{
    RefPtr<UIViewController> presentedOrNull = m_presented;
    if (!presentedOrNull)
        return;
    Ref<UIViewController> presented = presentedOrNull.toRef();
    Ref<UIViewController> presenting(*this);
    // Whatever the presented controller presents goes first, at once.
    presented->dismissPresented(false, {});
    m_presented = nullptr;
    presented->m_presenting = nullptr;
    const bool coversPresenter = presented->coversScreen();

    presented->beginAppearanceTransition(false, animated);
    if (coversPresenter)
        presenting->beginAppearanceTransition(true, animated);
    if (presented->isViewLoaded())
        presented->view()->removeFromSuperview();
    finishPresentation(presented, presenting, coversPresenter, animated, std::move(completion));
}

RefPtr<UIResponder> UIViewController::nextResponder() const
{
    if (m_view)
        return m_view->superview();
    return nullptr;
}

} // namespace qv
