#pragma once

#include "UIBarButtonItem.h"
#include "UIViewController.h"

#include "platform/Foundation/NSObject.h"

#include <optional>
#include <vector>

namespace qv {

class UIPopoverController;

enum UIPopoverArrowDirection : uint64_t {
    UIPopoverArrowDirectionUp = 1 << 0,
    UIPopoverArrowDirectionDown = 1 << 1,
    UIPopoverArrowDirectionLeft = 1 << 2,
    UIPopoverArrowDirectionRight = 1 << 3,
    UIPopoverArrowDirectionAny = 15,
};

// What a popover asks and tells when the user taps outside it (a dismissal
// from code tells nothing).
class UIPopoverControllerDelegate : public virtual Object {
public:
    virtual bool popoverControllerShouldDismissPopover(UIPopoverController*) { return true; }
    virtual void popoverControllerDidDismissPopover(UIPopoverController*) {}

protected:
    ~UIPopoverControllerDelegate() override = default;
};

// A floating panel showing a controller's view, anchored at a rectangle of
// a view or at a bar button item. While it shows, the panel lies on top of
// the anchor's window and a clear layer under it covers the rest of the
// window: a touch there (outside the panel and outside the passthrough
// views) asks the delegate and dismisses the popover. The content gets the
// appearance calls. A visible popover is kept alive by the screen until it
// is dismissed; presenting a visible one again moves it. Presenting from a
// view in no window is refused with a log line. The delegate is not
// retained. Main thread only.
class UIPopoverController : public NSObject {
public:
    std::string className() const override { return "UIPopoverController"; }
    static constexpr CGSize defaultContentSize { 320, 480 };

    explicit UIPopoverController(const RefPtr<UIViewController>& contentViewController);

    RefPtr<UIViewController> contentViewController() const { return m_content; }
    void setContentViewController(const RefPtr<UIViewController>& controller, bool animated = false);
    CGSize popoverContentSize() const { return m_contentSize; }
    void setPopoverContentSize(CGSize size, bool animated = false);
    RefPtr<UIPopoverControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UIPopoverControllerDelegate>& delegate) { m_delegate = delegate; }
    const std::vector<Ref<UIView>>& passthroughViews() const { return m_passthroughViews; }
    void setPassthroughViews(std::vector<Ref<UIView>> views) { m_passthroughViews = std::move(views); }

    void presentPopoverFromRect(CGRect rect, UIView* inView, uint64_t permittedArrowDirections, bool animated);
    void presentPopoverFromBarButtonItem(UIBarButtonItem* item, uint64_t permittedArrowDirections, bool animated);
    bool popoverVisible() const { return m_visible; }
    void dismissPopoverAnimated(bool animated);

    // Where it was last presented: the view and the rectangle in it, or
    // the bar button item.
    RefPtr<UIView> presentationView() const { return m_anchorView.lock(); }
    std::optional<CGRect> presentationRect() const { return m_anchorRect; }
    RefPtr<UIBarButtonItem> presentationBarButtonItem() const { return m_anchorItem.lock(); }
    // The panel on screen, or null.
    RefPtr<UIView> popoverView() const { return m_visible ? m_panel : nullptr; }

    // The user's tap outside the popover: asks the delegate, dismisses and
    // tells it; answers whether it was dismissed.
    bool tapOutside();

    // The popovers on screen, oldest first.
    static std::vector<Ref<UIPopoverController>> visiblePopovers();

    bool isPassthroughPoint(CGPoint pointInWindow) const;

protected:
    ~UIPopoverController() override = default;

private:
    void present(UIWindow& window, CGRect anchorInWindow, bool animated);
    void placePanel(const UIWindow& window, CGRect anchorInWindow);
    void takeOffScreen(bool animated);

    RefPtr<UIViewController> m_content;
    CGSize m_contentSize = defaultContentSize;
    WeakPtr<UIPopoverControllerDelegate> m_delegate;
    std::vector<Ref<UIView>> m_passthroughViews;
    bool m_visible = false;
    RefPtr<UIView> m_panel;
    RefPtr<UIView> m_dimmingView;
    WeakPtr<UIView> m_anchorView;
    std::optional<CGRect> m_anchorRect;
    WeakPtr<UIBarButtonItem> m_anchorItem;
};

} // namespace qv
