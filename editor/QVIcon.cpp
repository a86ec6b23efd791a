#include "QVIcon.h"

namespace qv {

QVIcon::QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin)
    : m_maxPosition(maxFramePosition)
    , m_minimumOrigin(minimumOrigin)
{
    setFrame(frame);
}

// Below the minimum gives the minimum, above the maximum the maximum.
static CGFloat clampedCoordinate(CGFloat value, CGFloat minimum, CGFloat maximum)
{
    if (value < minimum)
        return minimum;
    if (value > maximum)
        return maximum;
    return value;
}

void QVIcon::setFrame(CGRect frame)
{
    frame.origin.x = clampedCoordinate(frame.origin.x, m_minimumOrigin.x, m_maxPosition.x);
    frame.origin.y = clampedCoordinate(frame.origin.y, m_minimumOrigin.y, m_maxPosition.y);
    UIView::setFrame(frame);
}

} // namespace qv
