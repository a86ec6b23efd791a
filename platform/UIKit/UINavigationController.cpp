#include "UINavigationController.h"

#include "UIScreen.h"

#include "platform/Foundation/StringFormat.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat statusBarHeight = 20;
constexpr CGFloat navigationBarHeight = 44;

} // namespace

UINavigationController::UINavigationController()
    : m_navigationBar(makeRef<UINavigationBar>(CGRectMake(0, statusBarHeight, UIScreen::mainScreen().bounds().size.width, navigationBarHeight)))
{
    m_navigationBar->setDelegate(WeakPtr<UINavigationBarDelegate>(this));
}

UINavigationController::UINavigationController(const RefPtr<UIViewController>& rootViewController)
    : UINavigationController()
{
    pushViewController(rootViewController, false);
}

void UINavigationController::loadView()
{
    Ref<UIView> container = makeRef<UIView>(UIScreen::mainScreen().bounds());
    setView(container);
    if (RefPtr<UIViewController> top = topViewController()) {
        Ref<UIView> topView = top->view();
        topView->setFrame(container->bounds());
        container->addSubview(topView);
    }
    CGRect barFrame = m_navigationBar->frame();
    barFrame.size.width = container->bounds().size.width;
    m_navigationBar->setFrame(barFrame);
    container->addSubview(m_navigationBar);
}

std::vector<Ref<UIViewController>> UINavigationController::childViewControllersForForwarding() const
{
    if (RefPtr<UIViewController> top = topViewController())
        return { top.toRef() };
    return {};
}

RefPtr<UIViewController> UINavigationController::topViewController() const
{
    std::vector<Ref<UIViewController>> stack = childViewControllers();
    return stack.empty() ? nullptr : RefPtr<UIViewController>(stack.back());
}

RefPtr<UIViewController> UINavigationController::visibleViewController() const
{
    if (RefPtr<UIViewController> presented = presentedViewController())
        return presented;
    return topViewController();
}

bool UINavigationController::accepts(const RefPtr<UIViewController>& controller) const
{
    if (!controller)
        return false;
    if (controller->parentViewController().get() == this) {
        logLine("UINavigationController: refused to push a view controller that is in the stack already");
        return false;
    }
    if (controller->parentViewController() || controller->presentingViewController() || dynamic_cast<UINavigationController*>(controller.get())) {
        logLine(stringWithFormat("UINavigationController: refused to push %@, which is shown elsewhere or is a navigation controller", controller->className()));
        return false;
    }
    return true;
}

void UINavigationController::updateBarItems()
{
    std::vector<Ref<UINavigationItem>> items;
    for (const Ref<UIViewController>& controller : childViewControllers())
        items.push_back(controller->navigationItem());
    m_navigationBar->setItems(std::move(items));
}

void UINavigationController::transition(RefPtr<UIViewController> from, RefPtr<UIViewController> to, bool animated)
{
    if (from == to)
        return;
    Ref<UINavigationController> protect(*this);
    RefPtr<UINavigationControllerDelegate> delegate = m_delegate.lock();
    if (delegate && to)
        delegate->navigationControllerWillShowViewController(this, to.get(), animated);
    const bool appeared = isViewVisible();
    if (appeared) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        if (to)
            to->beginAppearanceTransition(true, animated);
    }
    if (isViewLoaded()) {
        Ref<UIView> container = view();
        if (from && from->isViewLoaded() && from->view()->superview().get() == container.ptr())
            from->view()->removeFromSuperview();
        if (to) {
            Ref<UIView> toView = to->view();
            toView->setFrame(container->bounds());
            container->insertSubviewBelowSubview(toView, m_navigationBar.ptr());
        }
    }
    WeakPtr<UINavigationControllerDelegate> weakDelegate = m_delegate;
    finishTransition(animated, [protect, from, to, appeared, animated, weakDelegate] {
        if (appeared) {
            if (from)
                from->endAppearanceTransition();
            if (to)
                to->endAppearanceTransition();
        }
        if (RefPtr<UINavigationControllerDelegate> delegate = weakDelegate.lock(); delegate && to)
            delegate->navigationControllerDidShowViewController(protect.ptr(), to.get(), animated);
    });
}

void UINavigationController::pushViewController(const RefPtr<UIViewController>& controller, bool animated)
{
    if (!accepts(controller))
        return;
    RefPtr<UIViewController> from = topViewController();
    addChildViewController(controller);
    updateBarItems();
    transition(from, controller, animated);
}

std::vector<Ref<UIViewController>> UINavigationController::popAbove(size_t index, bool animated)
{
    std::vector<Ref<UIViewController>> stack = childViewControllers();
    if (index + 1 >= stack.size())
        return {};
    RefPtr<UIViewController> from = stack.back();
    std::vector<Ref<UIViewController>> popped(stack.begin() + static_cast<std::ptrdiff_t>(index) + 1, stack.end());
    for (const Ref<UIViewController>& controller : popped)
        controller->removeFromParentViewController();
    updateBarItems();
    transition(from, stack[index], animated);
    return popped;
}

RefPtr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    std::vector<Ref<UIViewController>> stack = childViewControllers();
    if (stack.size() < 2)
        return nullptr;
    std::vector<Ref<UIViewController>> popped = popAbove(stack.size() - 2, animated);
    return popped.empty() ? nullptr : RefPtr<UIViewController>(popped.back());
}

std::vector<Ref<UIViewController>> UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    return popAbove(0, animated);
}

std::vector<Ref<UIViewController>> UINavigationController::popToViewController(const UIViewController* controller, bool animated)
{
    std::vector<Ref<UIViewController>> stack = childViewControllers();
    for (size_t i = 0; i < stack.size(); ++i) {
        if (stack[i].ptr() == controller)
            return popAbove(i, animated);
    }
    logLine("UINavigationController: the view controller to pop to is not in the stack");
    return {};
}

void UINavigationController::setViewControllers(const std::vector<Ref<UIViewController>>& controllers, bool animated)
{
    Ref<UINavigationController> protect(*this);
    RefPtr<UIViewController> from = topViewController();
    for (const Ref<UIViewController>& old : childViewControllers()) {
        if (std::none_of(controllers.begin(), controllers.end(), [&](const Ref<UIViewController>& kept) { return kept.ptr() == old.ptr(); }))
            old->removeFromParentViewController();
    }
    for (const Ref<UIViewController>& controller : controllers) {
        controller->removeFromParentViewController();
        addChildViewController(controller);
    }
    updateBarItems();
    transition(from, topViewController(), animated);
}

bool UINavigationController::navigationBarShouldPopItem(UINavigationBar*, UINavigationItem*)
{
    // The back button pops the screen, which pops its item.
    popViewControllerAnimated(true);
    return false;
}

} // namespace qv
