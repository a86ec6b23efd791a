#include "UITabBarController.h"

#include "UIScreen.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat tabBarHeight = 49;

} // namespace

UITabBarController::UITabBarController()
    : m_tabBar(makeRef<UITabBar>())
{
    m_tabBar->setDelegate(WeakPtr<UITabBarDelegate>(this));
}

void UITabBarController::loadView()
{
    Ref<UIView> container = makeRef<UIView>(UIScreen::mainScreen().bounds());
    setView(container);
    const CGRect bounds = container->bounds();
    m_tabBar->setFrame(CGRectMake(0, bounds.size.height - tabBarHeight, bounds.size.width, tabBarHeight));
    container->addSubview(m_tabBar);
    showSelectedView();
}

std::vector<Ref<UIViewController>> UITabBarController::childViewControllersForForwarding() const
{
    if (m_selected)
        return { m_selected.toRef() };
    return {};
}

void UITabBarController::showSelectedView()
{
    if (!isViewLoaded() || !m_selected)
        return;
    Ref<UIView> container = view();
    Ref<UIView> selectedView = m_selected->view();
    selectedView->setFrame(container->bounds());
    if (selectedView->superview().get() != container.ptr())
        container->insertSubviewBelowSubview(selectedView, m_tabBar.ptr());
}

void UITabBarController::setViewControllers(const std::vector<Ref<UIViewController>>& controllers, bool)
{
    Ref<UITabBarController> protect(*this);
    for (const Ref<UIViewController>& old : childViewControllers()) {
        if (std::none_of(controllers.begin(), controllers.end(), [&](const Ref<UIViewController>& kept) { return kept.ptr() == old.ptr(); }))
            old->removeFromParentViewController();
    }
    std::vector<Ref<UITabBarItem>> items;
    for (const Ref<UIViewController>& controller : controllers) {
        controller->removeFromParentViewController();
        addChildViewController(controller);
        items.push_back(controller->tabBarItem());
    }
    m_tabBar->setItems(std::move(items));
    const bool keepsSelected = m_selected && m_selected->parentViewController().get() == this;
    if (keepsSelected)
        return;
    RefPtr<UIViewController> old = std::exchange(m_selected, nullptr);
    if (old && isViewVisible())
        old->beginAppearanceTransition(false, false);
    if (old && old->isViewLoaded())
        old->view()->removeFromSuperview();
    if (old && isViewVisible())
        old->endAppearanceTransition();
    old = nullptr;
    if (!controllers.empty())
        select(controllers.front());
}

NSUInteger UITabBarController::selectedIndex() const
{
    std::vector<Ref<UIViewController>> tabs = childViewControllers();
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].ptr() == m_selected.get())
            return i;
    }
    return NSNotFound;
}

void UITabBarController::setSelectedIndex(NSUInteger index)
{
    std::vector<Ref<UIViewController>> tabs = childViewControllers();
    if (index >= tabs.size()) {
        logLine("UITabBarController: no tab " + std::to_string(index) + " to select");
        return;
    }
    select(tabs[index]);
}

void UITabBarController::setSelectedViewController(const RefPtr<UIViewController>& controller)
{
    if (!controller || controller->parentViewController().get() != this) {
        logLine("UITabBarController: the view controller to select is not one of its tabs");
        return;
    }
    select(controller);
}

void UITabBarController::select(const RefPtr<UIViewController>& controller)
{
    if (controller == m_selected)
        return;
    Ref<UITabBarController> protect(*this);
    RefPtr<UIViewController> old = m_selected;
    const bool appeared = isViewVisible();
    if (appeared) {
        if (old)
            old->beginAppearanceTransition(false, false);
        controller->beginAppearanceTransition(true, false);
    }
    m_selected = controller;
    m_tabBar->setSelectedItem(controller->tabBarItem());
    if (old && old->isViewLoaded() && isViewLoaded() && old->view()->superview().get() == view().ptr())
        old->view()->removeFromSuperview();
    showSelectedView();
    if (appeared) {
        if (old)
            old->endAppearanceTransition();
        controller->endAppearanceTransition();
    }
}

bool UITabBarController::tapTabAtIndex(NSUInteger index)
{
    std::vector<Ref<UIViewController>> tabs = childViewControllers();
    if (index >= tabs.size()) {
        logLine("UITabBarController: no tab " + std::to_string(index) + " to tap");
        return false;
    }
    Ref<UITabBarController> protect(*this);
    Ref<UIViewController> tab = tabs[index];
    RefPtr<UITabBarControllerDelegate> delegate = m_delegate.lock();
    if (delegate && !delegate->tabBarControllerShouldSelectViewController(this, tab.ptr()))
        return true;
    select(tab);
    if (delegate)
        delegate->tabBarControllerDidSelectViewController(this, tab.ptr());
    return true;
}

void UITabBarController::tabBarDidSelectItem(UITabBar*, UITabBarItem* item)
{
    std::vector<Ref<UIViewController>> tabs = childViewControllers();
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i]->tabBarItem().ptr() == item) {
            tapTabAtIndex(i);
            return;
        }
    }
}

} // namespace qv
