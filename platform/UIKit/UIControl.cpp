#include "UIControl.h"

#include "UITouch.h"

#include <algorithm>

namespace qv {

namespace {

// How far outside its bounds a finger still counts as inside the control.
constexpr CGFloat trackingSlop = 70;

} // namespace

UIControl::UIControl()
    : UIControl(CGRectZero)
{
}

UIControl::UIControl(CGRect frame)
    : UIView(frame)
{
}

void UIControl::addTarget(Object* target, Action action, uint64_t controlEvents)
{
    if (!action || !controlEvents)
        return;
    m_actions.push_back({ WeakPtr<Object>(target), target != nullptr, std::move(action), controlEvents });
}

void UIControl::removeTarget(const Object* target, uint64_t controlEvents)
{
    for (TargetAction& entry : m_actions) {
        if (!target || entry.target.unsafeGet() == target)
            entry.events &= ~controlEvents;
    }
    std::erase_if(m_actions, [](const TargetAction& entry) { return entry.events == 0; });
}

std::vector<RefPtr<Object>> UIControl::allTargets() const
{
    std::vector<RefPtr<Object>> targets;
    for (const TargetAction& entry : m_actions) {
        RefPtr<Object> target = entry.target.lock();
        if (target && std::find(targets.begin(), targets.end(), target) == targets.end())
            targets.push_back(target);
    }
    return targets;
}

uint64_t UIControl::allControlEvents() const
{
    uint64_t events = 0;
    for (const TargetAction& entry : m_actions)
        events |= entry.events;
    return events;
}

void UIControl::sendActionsForControlEvents(uint64_t controlEvents)
{
    sendActionsForControlEvents(controlEvents, nullptr);
}

void UIControl::sendActionsForControlEvents(uint64_t controlEvents, UIEvent* event)
{
    Ref<UIControl> protect(*this);
    // A copy: an action may add or remove actions.
    const std::vector<TargetAction> actions = m_actions;
    for (const TargetAction& entry : actions) {
        if (!(entry.events & controlEvents))
            continue;
        RefPtr<Object> target = entry.target.lock();
        if (entry.hasTarget && !target)
            continue;
        entry.action(*this, event);
    }
}

void UIControl::setEnabled(bool enabled)
{
    m_enabled = enabled;
}

void UIControl::setSelected(bool selected)
{
    m_selected = selected;
}

void UIControl::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
}

uint64_t UIControl::state() const
{
    uint64_t state = UIControlStateNormal;
    if (m_highlighted)
        state |= UIControlStateHighlighted;
    if (!m_enabled)
        state |= UIControlStateDisabled;
    if (m_selected)
        state |= UIControlStateSelected;
    return state;
}

bool UIControl::beginTrackingWithTouch(UITouch&, UIEvent*)
{
    return true;
}

bool UIControl::continueTrackingWithTouch(UITouch&, UIEvent*)
{
    return true;
}

void UIControl::endTrackingWithTouch(UITouch&, UIEvent*)
{
}

void UIControl::cancelTrackingWithEvent(UIEvent*)
{
}

bool UIControl::isWithinTrackingArea(UITouch& touch) const
{
    return CGRectContainsPoint(CGRectInset(bounds(), -trackingSlop, -trackingSlop), touch.locationInView(this));
}

UITouch* UIControl::trackedTouchIn(const UITouchSet& touches) const
{
    for (const Ref<UITouch>& touch : touches) {
        if (touch.ptr() == m_trackedTouch.get())
            return touch.ptr();
    }
    return nullptr;
}

void UIControl::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (m_trackedTouch || touches.empty() || !m_enabled)
        return;
    Ref<UIControl> protect(*this);
    Ref<UITouch> touch = touches.front();
    m_trackedTouch = touch;
    m_touchInside = true;
    m_tracking = beginTrackingWithTouch(touch, event);
    setHighlighted(true);
    if (!m_tracking)
        return;
    uint64_t events = UIControlEventTouchDown;
    if (touch->tapCount() > 1)
        events |= UIControlEventTouchDownRepeat;
    sendActionsForControlEvents(events, event);
}

void UIControl::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    UITouch* touch = trackedTouchIn(touches);
    if (!touch)
        return;
    Ref<UIControl> protect(*this);
    const bool wasInside = m_touchInside;
    m_touchInside = isWithinTrackingArea(*touch);
    setHighlighted(m_touchInside);
    if (!m_tracking)
        return;
    m_tracking = continueTrackingWithTouch(*touch, event);
    if (!m_tracking)
        return;
    uint64_t events = m_touchInside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (!wasInside && m_touchInside)
        events |= UIControlEventTouchDragEnter;
    else if (wasInside && !m_touchInside)
        events |= UIControlEventTouchDragExit;
    sendActionsForControlEvents(events, event);
}

void UIControl::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    UITouch* touch = trackedTouchIn(touches);
    if (!touch)
        return;
    Ref<UIControl> protect(*this);
    Ref<UITouch> ended(*touch);
    m_trackedTouch = nullptr;
    m_touchInside = isWithinTrackingArea(ended);
    setHighlighted(false);
    const bool wasTracking = m_tracking;
    m_tracking = false;
    if (wasTracking) {
        endTrackingWithTouch(ended, event);
        sendActionsForControlEvents(m_touchInside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside, event);
    }
    m_touchInside = false;
}

void UIControl::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (!trackedTouchIn(touches))
        return;
    Ref<UIControl> protect(*this);
    m_trackedTouch = nullptr;
    setHighlighted(false);
    const bool wasTracking = m_tracking;
    m_tracking = false;
    m_touchInside = false;
    if (wasTracking) {
        cancelTrackingWithEvent(event);
        sendActionsForControlEvents(UIControlEventTouchCancel, event);
    }
}

RefPtr<UIView> UIControl::hitTest(CGPoint point, UIEvent* event)
{
    if (!m_enabled)
        return nullptr;
    return UIView::hitTest(point, event);
}

} // namespace qv
