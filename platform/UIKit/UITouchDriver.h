#pragma once

#include "UIResponder.h"

#include "platform/core/Geometry.h"

#include <vector>

namespace qv {

class UIView;
class UIWindow;

// A finger, named by a number of the caller's choosing, at a point in the
// coordinates of its window.
struct UITouchPoint {
    int finger = 0;
    CGPoint point;
};

// The touch screen: puts fingers down on a window, moves and lifts them, and
// delivers each change as an event to the views the fingers began in.
//
// A finger that goes down is given to the view the window's hit test finds
// there; a view that does not take multiple touches gets only its first
// finger, and later fingers on it go nowhere (like fingers that land where
// no view takes touches). Each call is one event holding every finger in
// progress, in the order the fingers went down. Every call answers whether
// it was accepted; naming a finger that is (or is not) down where that is
// wrong, or a point that is not a finite number, is refused with a log line
// and changes nothing. A second tap within 0.35 s and 45 points of the last
// one counts as the next tap of a multiple tap.
//
// Process-wide, main thread only.
class UITouchDriver {
public:
    static UITouchDriver& shared();

    bool fingersDown(UIWindow& window, const std::vector<UITouchPoint>& fingers);
    bool fingersMove(const std::vector<UITouchPoint>& fingers);
    bool fingersUp(const std::vector<int>& fingers);
    // Ends every touch in progress as cancelled (a modal view coming up).
    void cancelAllTouches();

    bool touchDown(UIWindow& window, CGPoint point, int finger = 0);
    bool touchMove(CGPoint point, int finger = 0);
    bool touchUp(int finger = 0);
    // Down and up at once, with a finger of its own.
    bool tap(UIWindow& window, CGPoint point);
    // A tap at the view's centre, or at a point in its coordinates. Through
    // the view's window (whose hit test may find another view on top);
    // straight to the view when it is in no window.
    bool tapView(UIView& view);
    bool tapView(UIView& view, CGPoint pointInView);

    bool hasTouchesInProgress() const;
    UITouchSet touchesInProgress() const;

private:
    UITouchDriver() = default;

    struct Finger {
        int finger;
        RefPtr<UITouch> touch; // null for a finger that landed on nothing
    };
    struct LastTap {
        double time = 0;
        CGPoint point;
        uint64_t count = 0;
        WeakPtr<UIWindow> window;
    };

    Finger* fingerNamed(int finger);
    int unusedFinger() const;
    bool viewHasTouch(const UIView* view) const;
    uint64_t tapCountAt(const UIWindow* window, CGPoint point, double now) const;
    Ref<UITouch> makeTouch(RefPtr<UIView> view, RefPtr<UIWindow> window, CGPoint point, double now);
    void noteTapEnded(const UITouch& touch);
    void markStationary(double now);
    // Sends one event holding the touches, in order, then forgets the ones
    // that ended.
    void deliver(UITouchSet touches, double now);
    bool directTap(UIView& view, CGPoint pointInView);

    std::vector<Finger> m_fingers;
    LastTap m_lastTap;
};

} // namespace qv
