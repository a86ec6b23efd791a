#include "UIStepper.h"

#include "UITouch.h"
#include "UITouchDriver.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr CGSize naturalSize { 94, 29 };

} // namespace

UIStepper::UIStepper(CGRect frame)
    : UIControl(CGRectMake(frame.origin.x, frame.origin.y, naturalSize.width, naturalSize.height))
{
}

double UIStepper::pinned(double value) const
{
    if (std::isnan(value))
        return m_minimumValue;
    return std::clamp(value, m_minimumValue, m_maximumValue);
}

void UIStepper::setValue(double value)
{
    m_value = pinned(value);
}

void UIStepper::setMinimumValue(double minimum)
{
    if (!(minimum < m_maximumValue)) {
        logLine("UIStepper: refused a minimum value that is not below the maximum");
        return;
    }
    m_minimumValue = minimum;
    m_value = pinned(m_value);
}

void UIStepper::setMaximumValue(double maximum)
{
    if (!(maximum > m_minimumValue)) {
        logLine("UIStepper: refused a maximum value that is not above the minimum");
        return;
    }
    m_maximumValue = maximum;
    m_value = pinned(m_value);
}

void UIStepper::setStepValue(double step)
{
    if (!(step > 0) || !std::isfinite(step)) {
        logLine("UIStepper: refused a step value that is not above 0");
        return;
    }
    m_stepValue = step;
}

bool UIStepper::pressPlus()
{
    return UITouchDriver::shared().tapView(*this, CGPointMake(bounds().size.width * 0.75, bounds().size.height / 2));
}

bool UIStepper::pressMinus()
{
    return UITouchDriver::shared().tapView(*this, CGPointMake(bounds().size.width * 0.25, bounds().size.height / 2));
}

void UIStepper::setFrame(CGRect frame)
{
    frame.size = naturalSize;
    UIControl::setFrame(frame);
}

bool UIStepper::beginTrackingWithTouch(UITouch& touch, UIEvent* event)
{
    const bool plus = touch.locationInView(this).x >= bounds().size.width / 2;
    const double stepped = pinned(plus ? m_value + m_stepValue : m_value - m_stepValue);
    if (stepped != m_value) {
        m_value = stepped;
        sendActionsForControlEvents(UIControlEventValueChanged, event);
    }
    return true;
}

} // namespace qv
