#include "UIWindow.h"

#include "UIEvent.h"
#include "UITouch.h"
#include "UIViewController.h"

#include <algorithm>

namespace qv {

namespace {

WeakPtr<UIWindow>& currentKeyWindow()
{
    static WeakPtr<UIWindow>* window = new WeakPtr<UIWindow>; // lives as long as the process
    return *window;
}

std::vector<WeakPtr<UIWindow>>& allWindows()
{
    static auto* windows = new std::vector<WeakPtr<UIWindow>>; // lives as long as the process
    return *windows;
}

} // namespace

UIWindow::UIWindow()
    : UIWindow(CGRectZero)
{
}

UIWindow::UIWindow(CGRect frame)
    : UIView(frame)
{
    UIView::setHidden(true);
    allWindows().push_back(WeakPtr<UIWindow>(this));
}

UIWindow::~UIWindow()
{
    std::erase_if(allWindows(), [this](const WeakPtr<UIWindow>& window) { return window.unsafeGet() == this || !window; });
}

std::vector<Ref<UIWindow>> UIWindow::windows()
{
    std::vector<Ref<UIWindow>> windows;
    for (const WeakPtr<UIWindow>& entry : allWindows()) {
        if (RefPtr<UIWindow> window = entry.lock())
            windows.push_back(window.toRef());
    }
    return windows;
}

RefPtr<UIViewController> UIWindow::rootViewController() const
{
    return m_rootViewController;
}

void UIWindow::setRootViewController(RefPtr<UIViewController> controller)
{
    if (controller == m_rootViewController)
        return;
    Ref<UIWindow> protect(*this);
    const bool visible = !hidden();
    RefPtr<UIViewController> old = std::exchange(m_rootViewController, controller);
    if (old) {
        if (visible)
            old->beginAppearanceTransition(false, false);
        if (old->isViewLoaded() && old->view()->superview().get() == this)
            old->view()->removeFromSuperview();
        if (visible)
            old->endAppearanceTransition();
    }
    if (!controller)
        return;
    Ref<UIView> view = controller->view();
    view->setFrame(bounds());
    if (visible)
        controller->beginAppearanceTransition(true, false);
    addSubview(view);
    if (visible)
        controller->endAppearanceTransition();
}

void UIWindow::setHidden(bool hidden)
{
    if (hidden == this->hidden()) {
        UIView::setHidden(hidden);
        return;
    }
    Ref<UIWindow> protect(*this);
    RefPtr<UIViewController> root = m_rootViewController;
    if (root)
        root->beginAppearanceTransition(!hidden, false);
    UIView::setHidden(hidden);
    if (root)
        root->endAppearanceTransition();
}

void UIWindow::makeKeyAndVisible()
{
    setHidden(false);
    makeKeyWindow();
}

void UIWindow::makeKeyWindow()
{
    currentKeyWindow() = WeakPtr<UIWindow>(this);
}

bool UIWindow::isKeyWindow() const
{
    return currentKeyWindow().unsafeGet() == this && currentKeyWindow();
}

RefPtr<UIWindow> UIWindow::keyWindow()
{
    return currentKeyWindow().lock();
}

void UIWindow::sendEvent(UIEvent& event)
{
    deliverTouches(event, this);
}

void UIWindow::deliverTouches(UIEvent& event, const UIWindow* window)
{
    struct Delivery {
        Ref<UIView> view;
        UITouchPhase phase;
        UITouchSet touches;
    };
    // Everything is sorted out before the first call: a handler may cancel
    // the touches (a modal view coming up), which must not make this
    // delivery send them a second time.
    std::vector<Delivery> deliveries;
    const UITouchPhase phases[] = { UITouchPhaseBegan, UITouchPhaseMoved, UITouchPhaseEnded, UITouchPhaseCancelled };
    std::vector<const UIView*> seen;
    for (const Ref<UITouch>& first : event.allTouches()) {
        RefPtr<UIView> view = first->view();
        if (!view || first->window().get() != window || std::find(seen.begin(), seen.end(), view.get()) != seen.end())
            continue;
        seen.push_back(view.get());
        for (UITouchPhase phase : phases) {
            UITouchSet touches;
            for (const Ref<UITouch>& touch : event.touchesForView(view.get())) {
                if (touch->phase() == phase && touch->window().get() == window)
                    touches.push_back(touch);
            }
            if (!touches.empty())
                deliveries.push_back({ view.toRef(), phase, std::move(touches) });
        }
    }
    for (const Delivery& delivery : deliveries) {
        // Touches cancelled by an earlier handler have had their last word.
        UITouchSet touches;
        for (const Ref<UITouch>& touch : delivery.touches) {
            if (touch->phase() == delivery.phase)
                touches.push_back(touch);
        }
        if (touches.empty())
            continue;
        switch (delivery.phase) {
        case UITouchPhaseBegan:
            delivery.view->touchesBegan(touches, &event);
            break;
        case UITouchPhaseMoved:
            delivery.view->touchesMoved(touches, &event);
            break;
        case UITouchPhaseEnded:
            delivery.view->touchesEnded(touches, &event);
            break;
        default:
            delivery.view->touchesCancelled(touches, &event);
            break;
        }
    }
}

} // namespace qv
