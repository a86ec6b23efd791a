#include "UITouchDriver.h"

#include "UIEvent.h"
#include "UITouch.h"
#include "UIWindow.h"

#include "platform/Foundation/VirtualClock.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr double multipleTapInterval = 0.35;
constexpr CGFloat multipleTapDistance = 45;
constexpr CGFloat tapMovementLimit = 10;

CGFloat distanceBetween(CGPoint a, CGPoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

bool refuse(const std::string& why)
{
    logLine("UITouchDriver: " + why);
    return false;
}

bool isFinite(CGPoint point) { return std::isfinite(point.x) && std::isfinite(point.y); }

} // namespace

UITouchDriver& UITouchDriver::shared()
{
    static UITouchDriver* driver = new UITouchDriver; // lives as long as the process
    return *driver;
}

UITouchDriver::Finger* UITouchDriver::fingerNamed(int finger)
{
    for (Finger& entry : m_fingers) {
        if (entry.finger == finger)
            return &entry;
    }
    return nullptr;
}

int UITouchDriver::unusedFinger() const
{
    int finger = 1000;
    while (std::any_of(m_fingers.begin(), m_fingers.end(), [&](const Finger& entry) { return entry.finger == finger; }))
        ++finger;
    return finger;
}

bool UITouchDriver::viewHasTouch(const UIView* view) const
{
    return std::any_of(m_fingers.begin(), m_fingers.end(), [&](const Finger& entry) {
        return entry.touch && entry.touch->view().get() == view;
    });
}

uint64_t UITouchDriver::tapCountAt(const UIWindow* window, CGPoint point, double now) const
{
    if (m_lastTap.count == 0 || m_lastTap.window.unsafeGet() != window || !m_lastTap.window)
        return 1;
    if (now - m_lastTap.time > multipleTapInterval || distanceBetween(point, m_lastTap.point) > multipleTapDistance)
        return 1;
    return m_lastTap.count + 1;
}

Ref<UITouch> UITouchDriver::makeTouch(RefPtr<UIView> view, RefPtr<UIWindow> window, CGPoint point, double now)
{
    Ref<UITouch> touch = makeRef<UITouch>();
    touch->m_tapCount = tapCountAt(window.get(), point, now);
    touch->m_view = std::move(view);
    touch->m_window = std::move(window);
    touch->m_phase = UITouchPhaseBegan;
    touch->m_timestamp = now;
    touch->m_location = point;
    touch->m_previousLocation = point;
    touch->m_startLocation = point;
    return touch;
}

void UITouchDriver::noteTapEnded(const UITouch& touch)
{
    if (distanceBetween(touch.m_location, touch.m_startLocation) > tapMovementLimit) {
        m_lastTap = {};
        return;
    }
    m_lastTap = { touch.m_timestamp, touch.m_location, touch.m_tapCount, WeakPtr<UIWindow>(touch.m_window) };
}

void UITouchDriver::markStationary(double now)
{
    for (Finger& entry : m_fingers) {
        if (entry.touch && entry.touch->m_phase != UITouchPhaseStationary) {
            entry.touch->m_phase = UITouchPhaseStationary;
            entry.touch->m_timestamp = now;
        }
    }
}

void UITouchDriver::deliver(UITouchSet touches, double now)
{
    std::erase_if(m_fingers, [](const Finger& entry) {
        return entry.touch && (entry.touch->m_phase == UITouchPhaseEnded || entry.touch->m_phase == UITouchPhaseCancelled);
    });
    if (touches.empty())
        return;
    Ref<UIEvent> event = makeRef<UIEvent>(touches, now);
    std::vector<Ref<UIWindow>> windows;
    bool windowless = false;
    for (const Ref<UITouch>& touch : touches) {
        RefPtr<UIWindow> window = touch->window();
        if (!window)
            windowless = true;
        else if (std::none_of(windows.begin(), windows.end(), [&](const Ref<UIWindow>& seen) { return seen.ptr() == window.get(); }))
            windows.push_back(window.toRef());
    }
    for (const Ref<UIWindow>& window : windows)
        window->sendEvent(event);
    if (windowless)
        UIWindow::deliverTouches(event, nullptr);
}

bool UITouchDriver::fingersDown(UIWindow& window, const std::vector<UITouchPoint>& fingers)
{
    if (fingers.empty())
        return refuse("no finger to put down");
    for (size_t i = 0; i < fingers.size(); ++i) {
        if (!isFinite(fingers[i].point))
            return refuse("a finger at a point that is not a finite number");
        if (fingerNamed(fingers[i].finger))
            return refuse("finger " + std::to_string(fingers[i].finger) + " is already down");
        for (size_t j = 0; j < i; ++j) {
            if (fingers[j].finger == fingers[i].finger)
                return refuse("finger " + std::to_string(fingers[i].finger) + " named twice");
        }
    }
    Ref<UIWindow> protect(window);
    const double now = VirtualClock::now();
    markStationary(now);
    for (const UITouchPoint& finger : fingers) {
        RefPtr<UIView> view = window.hitTest(finger.point, nullptr);
        if (!view || (!view->multipleTouchEnabled() && viewHasTouch(view.get()))) {
            m_fingers.push_back({ finger.finger, nullptr });
            continue;
        }
        m_fingers.push_back({ finger.finger, makeTouch(view, &window, finger.point, now) });
    }
    deliver(touchesInProgress(), now);
    return true;
}

bool UITouchDriver::fingersMove(const std::vector<UITouchPoint>& fingers)
{
    if (fingers.empty())
        return refuse("no finger to move");
    for (const UITouchPoint& finger : fingers) {
        if (!isFinite(finger.point))
            return refuse("a finger moved to a point that is not a finite number");
        if (!fingerNamed(finger.finger))
            return refuse("finger " + std::to_string(finger.finger) + " is not down");
    }
    const double now = VirtualClock::now();
    markStationary(now);
    for (const UITouchPoint& finger : fingers) {
        if (RefPtr<UITouch> touch = fingerNamed(finger.finger)->touch) {
            touch->m_previousLocation = touch->m_location;
            touch->m_location = finger.point;
            touch->m_phase = UITouchPhaseMoved;
            // A finger that stood still while another moved has an old time.
            touch->m_timestamp = now;
        }
    }
    deliver(touchesInProgress(), now);
    return true;
}

bool UITouchDriver::fingersUp(const std::vector<int>& fingers)
{
    if (fingers.empty())
        return refuse("no finger to lift");
    for (int finger : fingers) {
        if (!fingerNamed(finger))
            return refuse("finger " + std::to_string(finger) + " is not down");
    }
    const double now = VirtualClock::now();
    markStationary(now);
    UITouchSet touches = touchesInProgress();
    for (int finger : fingers) {
        Finger* entry = fingerNamed(finger);
        if (RefPtr<UITouch> touch = entry->touch) {
            touch->m_previousLocation = touch->m_location;
            touch->m_phase = UITouchPhaseEnded;
            touch->m_timestamp = now;
            noteTapEnded(*touch);
        } else {
            std::erase_if(m_fingers, [&](const Finger& other) { return other.finger == finger; });
        }
    }
    deliver(std::move(touches), now);
    return true;
}

void UITouchDriver::cancelAllTouches()
{
    const double now = VirtualClock::now();
    UITouchSet touches;
    for (const Finger& entry : m_fingers) {
        if (!entry.touch)
            continue;
        entry.touch->m_phase = UITouchPhaseCancelled;
        entry.touch->m_timestamp = now;
        touches.push_back(entry.touch.toRef());
    }
    m_fingers.clear();
    m_lastTap = {};
    deliver(std::move(touches), now);
}

bool UITouchDriver::touchDown(UIWindow& window, CGPoint point, int finger)
{
    return fingersDown(window, { { finger, point } });
}

bool UITouchDriver::touchMove(CGPoint point, int finger)
{
    return fingersMove({ { finger, point } });
}

bool UITouchDriver::touchUp(int finger)
{
    return fingersUp({ finger });
}

bool UITouchDriver::tap(UIWindow& window, CGPoint point)
{
    const int finger = unusedFinger();
    return touchDown(window, point, finger) && touchUp(finger);
}

bool UITouchDriver::tapView(UIView& view)
{
    const CGRect bounds = view.bounds();
    return tapView(view, CGPointMake(CGRectGetMidX(bounds), CGRectGetMidY(bounds)));
}

bool UITouchDriver::tapView(UIView& view, CGPoint pointInView)
{
    if (!isFinite(pointInView))
        return refuse("a tap at a point that is not a finite number");
    if (RefPtr<UIWindow> window = view.window())
        return tap(*window, view.convertPointToView(pointInView, window.get()));
    return directTap(view, pointInView);
}

bool UITouchDriver::directTap(UIView& view, CGPoint pointInView)
{
    Ref<UIView> protect(view);
    const int finger = unusedFinger();
    double now = VirtualClock::now();
    markStationary(now);
    Ref<UITouch> touch = makeTouch(&view, nullptr, pointInView, now);
    m_fingers.push_back({ finger, touch });
    deliver(touchesInProgress(), now);
    if (!fingerNamed(finger))
        return true; // cancelled while it was down
    return touchUp(finger);
}

bool UITouchDriver::hasTouchesInProgress() const
{
    return std::any_of(m_fingers.begin(), m_fingers.end(), [](const Finger& entry) { return entry.touch; });
}

UITouchSet UITouchDriver::touchesInProgress() const
{
    UITouchSet touches;
    for (const Finger& entry : m_fingers) {
        if (entry.touch)
            touches.push_back(entry.touch.toRef());
    }
    return touches;
}

} // namespace qv
