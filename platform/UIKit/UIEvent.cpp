#include "UIEvent.h"

#include "UITouch.h"
#include "UIView.h"
#include "UIWindow.h"

namespace qv {

UIEvent::UIEvent(UITouchSet touches, double timestamp)
    : m_touches(std::move(touches))
    , m_timestamp(timestamp)
{
}

UITouchSet UIEvent::touchesForView(const UIView* view) const
{
    UITouchSet touches;
    for (const Ref<UITouch>& touch : m_touches) {
        if (touch->view().get() == view)
            touches.push_back(touch);
    }
    return touches;
}

UITouchSet UIEvent::touchesForWindow(const UIWindow* window) const
{
    UITouchSet touches;
    for (const Ref<UITouch>& touch : m_touches) {
        if (touch->window().get() == window)
            touches.push_back(touch);
    }
    return touches;
}

} // namespace qv
