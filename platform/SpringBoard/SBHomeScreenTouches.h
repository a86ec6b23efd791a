#pragma once

#include "platform/Foundation/NSTimer.h"
#include "platform/UIKit/UIResponder.h"
#include "platform/core/Geometry.h"
#include "platform/core/WeakPtr.h"

namespace qv {

class SBIcon;
class SBIconController;
class UITouch;

// A finger on the home screen, as on the device. The home screen's
// controller hands it every touch that no view of the home screen took.
//
// - A tap on an icon launches it: an application opens, a folder opens. In
//   edit mode only folders open.
// - A finger held still on an icon for longPressDuration is a long press:
//   edit mode begins and the icon is held (iconHandleLongPress:); it then
//   follows the finger and drops into its slot when the finger lifts
//   (icon:touchEnded:).
// - A finger that moves further than a tap may, mostly sideways, and lifts
//   at least pageTurnDistance from where it began turns the page: to the
//   next one when it moved to the left, to the one before when it moved to
//   the right (the open folder's pages when a folder is open).
// - With a folder open, a tap outside it closes it; what lies beneath
//   takes no touch.
//
// Only the first finger counts; others are ignored. Everything is sent
// through SpringBoard's messages, so an extension's replacements see it.
class SBHomeScreenTouches : public Object {
public:
    static constexpr double longPressDuration = 0.5;
    // How far a tap or a long press may wander.
    static constexpr CGFloat movementAllowance = 10;
    static constexpr CGFloat pageTurnDistance = 50;

    void touchesBegan(const UITouchSet& touches);
    void touchesMoved(const UITouchSet& touches);
    void touchesEnded(const UITouchSet& touches);
    void touchesCancelled(const UITouchSet& touches);

protected:
    ~SBHomeScreenTouches() override;

private:
    enum class Gesture { None, Pressing, Holding, Swiping, OutsideFolder };

    // The tracked finger's touch among those given, in its content-view
    // location; null when it is not among them.
    UITouch* trackedTouch(const UITouchSet& touches) const;
    CGPoint location(const UITouch& touch) const;
    void longPressTimerFired();
    void tap(SBIconController& controller, SBIcon& icon);
    // The finger moved by `movement` from where it began.
    void turnPage(SBIconController& controller, CGPoint movement);
    void reset();

    WeakPtr<UITouch> m_touch;
    Gesture m_gesture = Gesture::None;
    CGPoint m_start;
    RefPtr<SBIcon> m_icon;
    RefPtr<NSTimer> m_longPressTimer;
};

} // namespace qv
