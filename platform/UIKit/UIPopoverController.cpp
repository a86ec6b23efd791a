#include "UIPopoverController.h"

#include "UIWindow.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat arrowHeight = 13;

std::vector<Ref<UIPopoverController>>& onScreen()
{
    static auto* popovers = new std::vector<Ref<UIPopoverController>>; // lives as long as the process
    return *popovers;
}

// The panel that holds the content.
class UIPopoverView : public UIView {
public:
    std::string className() const override { return "UIPopoverView"; }
    using UIView::UIView;
};

// The clear layer over the rest of the window: a touch on it is a tap
// outside the popover, unless it lands on a passthrough view.
class UIPopoverDimmingView : public UIView {
public:
    std::string className() const override { return "UIDimmingView"; }
    UIPopoverDimmingView(CGRect frame, UIPopoverController& popover)
        : UIView(frame), m_popover(popover) { }

    bool pointInside(CGPoint point, UIEvent* event) override
    {
        RefPtr<UIPopoverController> popover = m_popover.lock();
        if (popover && popover->isPassthroughPoint(convertPointToView(point, nullptr)))
            return false;
        return UIView::pointInside(point, event);
    }
    void touchesBegan(const UITouchSet&, UIEvent*) override
    {
        if (RefPtr<UIPopoverController> popover = m_popover.lock())
            popover->tapOutside();
    }
    void touchesMoved(const UITouchSet&, UIEvent*) override { }
    void touchesEnded(const UITouchSet&, UIEvent*) override { }
    void touchesCancelled(const UITouchSet&, UIEvent*) override { }

private:
    WeakPtr<UIPopoverController> m_popover;
};

} // namespace

UIPopoverController::UIPopoverController(const RefPtr<UIViewController>& contentViewController)
    : m_content(contentViewController)
{
}

std::vector<Ref<UIPopoverController>> UIPopoverController::visiblePopovers()
{
    return onScreen();
}

void UIPopoverController::setContentViewController(const RefPtr<UIViewController>& controller, bool)
{
    if (controller == m_content)
        return;
    Ref<UIPopoverController> protect(*this);
    if (!m_visible) {
        m_content = controller;
        return;
    }
    RefPtr<UIViewController> old = std::exchange(m_content, controller);
    if (old) {
        old->beginAppearanceTransition(false, false);
        if (old->isViewLoaded())
            old->view()->removeFromSuperview();
        old->endAppearanceTransition();
    }
    if (controller) {
        controller->beginAppearanceTransition(true, false);
        Ref<UIView> view = controller->view();
        view->setFrame(m_panel->bounds());
        m_panel->addSubview(view);
        controller->endAppearanceTransition();
    }
}

void UIPopoverController::setPopoverContentSize(CGSize size, bool)
{
    m_contentSize = size;
    if (m_visible) {
        CGRect frame = m_panel->frame();
        frame.size = size;
        m_panel->setFrame(frame);
        if (m_content && m_content->isViewLoaded())
            m_content->view()->setFrame(m_panel->bounds());
    }
}

bool UIPopoverController::isPassthroughPoint(CGPoint pointInWindow) const
{
    return std::any_of(m_passthroughViews.begin(), m_passthroughViews.end(), [&](const Ref<UIView>& view) {
        RefPtr<UIWindow> window = view->window();
        return window && !view->hidden() && CGRectContainsPoint(view->bounds(), view->convertPointFromView(pointInWindow, nullptr));
    });
}

void UIPopoverController::presentPopoverFromRect(CGRect rect, UIView* inView, uint64_t, bool animated)
{
    RefPtr<UIWindow> window = inView ? inView->window() : nullptr;
    if (!window) {
        logLine("UIPopoverController: popovers cannot be presented from a view which does not have a window");
        return;
    }
    m_anchorView = WeakPtr<UIView>(inView);
    m_anchorRect = rect;
    m_anchorItem = nullptr;
    present(*window, inView->convertRectToView(rect, window.get()), animated);
}

void UIPopoverController::presentPopoverFromBarButtonItem(UIBarButtonItem* item, uint64_t, bool animated)
{
    RefPtr<UIWindow> window = UIWindow::keyWindow();
    if (!item || !window) {
        logLine("UIPopoverController: no bar button item in a window to present from");
        return;
    }
    m_anchorView = nullptr;
    m_anchorRect.reset();
    m_anchorItem = WeakPtr<UIBarButtonItem>(item);
    CGRect anchor = CGRectMake(0, 20, window->bounds().size.width, 44);
    if (RefPtr<UIView> view = item->customView(); view && view->window() == window)
        anchor = view->convertRectToView(view->bounds(), window.get());
    present(*window, anchor, animated);
}

void UIPopoverController::placePanel(const UIWindow& window, CGRect anchor)
{
    const CGRect bounds = window.bounds();
    const CGSize size = m_contentSize;
    CGFloat x = std::clamp<CGFloat>(CGRectGetMidX(anchor) - size.width / 2, 0, std::max<CGFloat>(0, bounds.size.width - size.width));
    CGFloat y = CGRectGetMaxY(anchor) + arrowHeight;
    if (y + size.height > CGRectGetMaxY(bounds) && anchor.origin.y - arrowHeight - size.height >= 0)
        y = anchor.origin.y - arrowHeight - size.height;
    y = std::clamp<CGFloat>(y, 0, std::max<CGFloat>(0, bounds.size.height - size.height));
    m_panel->setFrame(CGRectMake(x, y, size.width, size.height));
}

void UIPopoverController::present(UIWindow& window, CGRect anchorInWindow, bool animated)
{
    Ref<UIPopoverController> protect(*this);
    if (m_visible) {
        placePanel(window, anchorInWindow);
        if (m_panel->window().get() != &window) {
            window.addSubview(m_dimmingView);
            window.addSubview(m_panel);
        }
        return;
    }
    m_visible = true;
    onScreen().push_back(protect);
    m_dimmingView = makeRef<UIPopoverDimmingView>(window.bounds(), *this);
    m_panel = makeRef<UIPopoverView>(CGRectZero);
    placePanel(window, anchorInWindow);
    RefPtr<UIViewController> content = m_content;
    if (content)
        content->beginAppearanceTransition(true, animated);
    if (content) {
        Ref<UIView> view = content->view();
        view->setFrame(m_panel->bounds());
        m_panel->addSubview(view);
    }
    window.addSubview(m_dimmingView);
    window.addSubview(m_panel);
    if (content)
        content->endAppearanceTransition();
}

void UIPopoverController::takeOffScreen(bool animated)
{
    Ref<UIPopoverController> protect(*this);
    m_visible = false;
    std::erase_if(onScreen(), [this](const Ref<UIPopoverController>& popover) { return popover.ptr() == this; });
    RefPtr<UIViewController> content = m_content;
    if (content)
        content->beginAppearanceTransition(false, animated);
    if (content && content->isViewLoaded() && content->view()->superview() == m_panel)
        content->view()->removeFromSuperview();
    if (m_panel)
        m_panel->removeFromSuperview();
    if (m_dimmingView)
        m_dimmingView->removeFromSuperview();
    if (content)
        content->endAppearanceTransition();
}

void UIPopoverController::dismissPopoverAnimated(bool animated)
{
    if (m_visible)
        takeOffScreen(animated);
}

bool UIPopoverController::tapOutside()
{
    if (!m_visible)
        return false;
    Ref<UIPopoverController> protect(*this);
    RefPtr<UIPopoverControllerDelegate> delegate = m_delegate.lock();
    if (delegate && !delegate->popoverControllerShouldDismissPopover(this))
        return false;
    takeOffScreen(true);
    if (delegate)
        delegate->popoverControllerDidDismissPopover(this);
    return true;
}

} // namespace qv
