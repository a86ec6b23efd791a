#pragma once

#include "platform/UIKit/UIView.h"

#include <cstdint>

namespace qv {

// One generic icon of the editor's canvas. Its number (id) is the view's
// tag; it may be glued to a grid slot (lockedIndex, -1 for none), and its
// frame origin is always kept between minimumOrigin and maxPosition.
class QVIcon : public UIView {
public:
    std::string className() const override { return "QVIcon"; }
    QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin);

    // Clamps the origin on each axis into minimumOrigin...maxPosition.
    void setFrame(CGRect frame) override;

    int32_t lockedIndex() const { return m_lockedIndex; }
    void setLockedIndex(int32_t index) { m_lockedIndex = index; }
    // Changing the limits does not move the icon.
    CGPoint maxPosition() const { return m_maxPosition; }
    void setMaxPosition(CGPoint position) { m_maxPosition = position; }
    CGPoint minimumOrigin() const { return m_minimumOrigin; }
    void setMinimumOrigin(CGPoint origin) { m_minimumOrigin = origin; }

protected:
    ~QVIcon() override = default;

private:
    CGPoint m_maxPosition;
    CGPoint m_minimumOrigin;
    int32_t m_lockedIndex = -1;
};

} // namespace qv
