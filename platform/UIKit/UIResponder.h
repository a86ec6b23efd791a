#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/Ref.h"
#include "platform/core/WeakPtr.h"

#include <vector>

namespace qv {

class UIEvent;
class UITouch;

// The touches of one delivery, in the fixed order of the event: the order in
// which the fingers went down.
using UITouchSet = std::vector<Ref<UITouch>>;

// An object that can take part in the responder chain: it is offered
// touches and can be the first responder (the one object that receives
// typing). Everything here runs on the main thread.
class UIResponder : public NSObject {
public:
    std::string className() const override { return "UIResponder"; }

    // The next object up the chain: a view's superview, or the controller
    // that owns the view. Null at the end of the chain.
    virtual RefPtr<UIResponder> nextResponder() const;

    // By default a responder passes touches on to the next responder, so a
    // touch nobody handles travels up the chain and ends unheard.
    virtual void touchesBegan(const UITouchSet& touches, UIEvent* event);
    virtual void touchesMoved(const UITouchSet& touches, UIEvent* event);
    virtual void touchesEnded(const UITouchSet& touches, UIEvent* event);
    virtual void touchesCancelled(const UITouchSet& touches, UIEvent* event);

    // One first responder at a time, process-wide. Becoming it first asks
    // the current one to resign; either side may refuse.
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    // Whether the keyboard comes up while this is the first responder.
    virtual bool requiresKeyboard() const { return false; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    // The current first responder, or null.
    static RefPtr<UIResponder> firstResponder();

protected:
    UIResponder() = default;
    ~UIResponder() override = default;
};

} // namespace qv
