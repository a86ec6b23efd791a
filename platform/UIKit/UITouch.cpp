#include "UITouch.h"

#include "UIView.h"
#include "UIWindow.h"

namespace qv {

UITouch::UITouch() = default;
UITouch::~UITouch() = default;

RefPtr<UIView> UITouch::view() const
{
    return m_view;
}

RefPtr<UIWindow> UITouch::window() const
{
    return m_window;
}

CGPoint UITouch::fromWindow(CGPoint point, const UIView* view) const
{
    if (m_window)
        return view ? view->convertPointFromView(point, m_window.get()) : point;
    // A touch given straight to a view that is in no window keeps its
    // location in that view's coordinates.
    if (!view || !m_view)
        return point;
    return view->convertPointFromView(point, m_view.get());
}

CGPoint UITouch::locationInView(const UIView* view) const
{
    return fromWindow(m_location, view);
}

CGPoint UITouch::previousLocationInView(const UIView* view) const
{
    return fromWindow(m_previousLocation, view);
}

} // namespace qv
