#include "UISwitch.h"

namespace qv {

namespace {

constexpr CGSize naturalSize { 51, 31 };

} // namespace

UISwitch::UISwitch(CGRect frame)
    : UIControl(CGRectMake(frame.origin.x, frame.origin.y, naturalSize.width, naturalSize.height))
{
}

void UISwitch::setOn(bool on, bool)
{
    m_on = on;
}

void UISwitch::setFrame(CGRect frame)
{
    frame.size = naturalSize;
    UIControl::setFrame(frame);
}

void UISwitch::endTrackingWithTouch(UITouch&, UIEvent* event)
{
    if (!touchInside())
        return;
    setOn(!m_on, true);
    sendActionsForControlEvents(UIControlEventValueChanged, event);
}

} // namespace qv
