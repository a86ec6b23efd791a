#pragma once

#include "UITouch.h"
#include "UIView.h"

#include <functional>
#include <vector>

namespace qv {

enum UIControlEvents : uint64_t {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchDownRepeat = 1 << 1,
    UIControlEventTouchDragInside = 1 << 2,
    UIControlEventTouchDragOutside = 1 << 3,
    UIControlEventTouchDragEnter = 1 << 4,
    UIControlEventTouchDragExit = 1 << 5,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventTouchUpOutside = 1 << 7,
    UIControlEventTouchCancel = 1 << 8,
    UIControlEventValueChanged = 1 << 12,
    UIControlEventEditingDidBegin = 1 << 16,
    UIControlEventEditingChanged = 1 << 17,
    UIControlEventEditingDidEnd = 1 << 18,
    UIControlEventEditingDidEndOnExit = 1 << 19,
    UIControlEventAllTouchEvents = 0x00000FFF,
    UIControlEventAllEditingEvents = 0x000F0000,
    UIControlEventAllEvents = 0xFFFFFFFF,
};

enum UIControlState : uint64_t {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1 << 0,
    UIControlStateDisabled = 1 << 1,
    UIControlStateSelected = 1 << 2,
};

// A view that turns touches into events and sends actions to its targets.
//
// Targets are not retained: an action whose target has gone is skipped. For
// each event the actions run in the order they were added; several targets
// may wait for the same event. An action is a callback or a member function
// of the target taking nothing, the sender, or the sender and the event.
//
// A touch that goes down on the control is tracked until it lifts: touch
// down, drag inside and outside, drag enter and exit, touch up inside and
// outside and cancel follow from it, "inside" meaning within 70 points of
// the bounds, as on the device. A disabled control takes no touches: they
// go to whatever lies below it.
class UIControl : public UIView {
public:
    std::string className() const override { return "UIControl"; }
    using Action = std::function<void(UIControl& sender, UIEvent* event)>;

    UIControl();
    explicit UIControl(CGRect frame);

    // A null target stands for none: the callback always runs.
    void addTarget(Object* target, Action action, uint64_t controlEvents);
    template<typename T, typename C>
    void addTarget(T* target, void (C::*action)(), uint64_t controlEvents)
    {
        C* receiver = target;
        addTarget(target, Action([receiver, action](UIControl&, UIEvent*) { (receiver->*action)(); }), controlEvents);
    }
    // The sender arrives as the type the action asks for, or as null when
    // the control is of another type.
    template<typename T, typename C, typename Sender>
    void addTarget(T* target, void (C::*action)(Sender*), uint64_t controlEvents)
    {
        C* receiver = target;
        addTarget(target, Action([receiver, action](UIControl& sender, UIEvent*) {
            (receiver->*action)(dynamic_cast<Sender*>(&sender));
        }), controlEvents);
    }
    template<typename T, typename C, typename Sender>
    void addTarget(T* target, void (C::*action)(Sender*, UIEvent*), uint64_t controlEvents)
    {
        C* receiver = target;
        addTarget(target, Action([receiver, action](UIControl& sender, UIEvent* event) {
            (receiver->*action)(dynamic_cast<Sender*>(&sender), event);
        }), controlEvents);
    }
    // Takes the events away from the target's actions (from every action
    // for a null target); an action left with no event goes.
    void removeTarget(const Object* target, uint64_t controlEvents);
    std::vector<RefPtr<Object>> allTargets() const;
    uint64_t allControlEvents() const;

    void sendActionsForControlEvents(uint64_t controlEvents);

    bool enabled() const { return m_enabled; }
    virtual void setEnabled(bool enabled);
    bool selected() const { return m_selected; }
    virtual void setSelected(bool selected);
    bool highlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    uint64_t state() const;
    bool tracking() const { return m_tracking; }
    bool touchInside() const { return m_touchInside; }

    // What subclasses add to the tracking of a touch. Answering false from
    // the first two stops the events of the touch until it lifts.
    virtual bool beginTrackingWithTouch(UITouch& touch, UIEvent* event);
    virtual bool continueTrackingWithTouch(UITouch& touch, UIEvent* event);
    virtual void endTrackingWithTouch(UITouch& touch, UIEvent* event);
    virtual void cancelTrackingWithEvent(UIEvent* event);

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;
    RefPtr<UIView> hitTest(CGPoint point, UIEvent* event) override;

protected:
    ~UIControl() override = default;

    void sendActionsForControlEvents(uint64_t controlEvents, UIEvent* event);
    bool isWithinTrackingArea(UITouch& touch) const;

private:
    struct TargetAction {
        WeakPtr<Object> target;
        bool hasTarget;
        Action action;
        uint64_t events;
    };
    // The tracked touch among the delivered ones, or null.
    UITouch* trackedTouchIn(const UITouchSet& touches) const;

    std::vector<TargetAction> m_actions;
    bool m_enabled = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_tracking = false;
    bool m_touchInside = false;
    RefPtr<UITouch> m_trackedTouch;
};

} // namespace qv
