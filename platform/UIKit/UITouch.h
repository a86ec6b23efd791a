#pragma once

#include "platform/core/Geometry.h"
#include "platform/Foundation/NSObject.h"
#include "platform/core/Ref.h"

#include <cstdint>

namespace qv {

class UIView;
class UIWindow;

enum UITouchPhase : int64_t {
    UITouchPhaseBegan = 0,
    UITouchPhaseMoved = 1,
    UITouchPhaseStationary = 2,
    UITouchPhaseEnded = 3,
    UITouchPhaseCancelled = 4,
};

// One finger on the screen, from the moment it goes down until it lifts or
// the touch is cancelled. It stays with the view it began in, wherever it
// moves. The touch driver (UITouchDriver) makes and updates touches.
class UITouch : public NSObject {
public:
    std::string className() const override { return "UITouch"; }

    // The location in the coordinates of the view; a null view stands for
    // the window's coordinates.
    CGPoint locationInView(const UIView* view) const;
    CGPoint previousLocationInView(const UIView* view) const;

    RefPtr<UIView> view() const;
    RefPtr<UIWindow> window() const;
    UITouchPhase phase() const { return m_phase; }
    // 1 for a single tap, 2 for the second tap of a double tap, and so on.
    uint64_t tapCount() const { return m_tapCount; }
    // Seconds on the clock that timers follow, at the last change.
    double timestamp() const { return m_timestamp; }

protected:
    ~UITouch() override;

private:
    QV_MAKE_REF_FRIEND;
    friend class UITouchDriver;
    UITouch();

    CGPoint fromWindow(CGPoint point, const UIView* view) const;

    RefPtr<UIView> m_view;
    RefPtr<UIWindow> m_window;
    UITouchPhase m_phase = UITouchPhaseBegan;
    uint64_t m_tapCount = 1;
    double m_timestamp = 0;
    CGPoint m_location;          // in the window, or in the view when there is no window
    CGPoint m_previousLocation;
    CGPoint m_startLocation;
};

} // namespace qv
