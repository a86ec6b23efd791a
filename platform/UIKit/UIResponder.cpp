#include "UIResponder.h"

#include "UIKeyboard.h"

namespace qv {

namespace {

// The main thread's first responder; weak, so a responder that goes away
// simply leaves the place empty.
WeakPtr<UIResponder>& currentFirstResponder()
{
    static WeakPtr<UIResponder>* responder = new WeakPtr<UIResponder>; // lives as long as the process
    return *responder;
}

} // namespace

RefPtr<UIResponder> UIResponder::nextResponder() const
{
    return nullptr;
}

void UIResponder::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (RefPtr<UIResponder> next = nextResponder())
        next->touchesBegan(touches, event);
}

void UIResponder::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    if (RefPtr<UIResponder> next = nextResponder())
        next->touchesMoved(touches, event);
}

void UIResponder::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    if (RefPtr<UIResponder> next = nextResponder())
        next->touchesEnded(touches, event);
}

void UIResponder::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (RefPtr<UIResponder> next = nextResponder())
        next->touchesCancelled(touches, event);
}

bool UIResponder::isFirstResponder() const
{
    return currentFirstResponder().unsafeGet() == this && currentFirstResponder();
}

RefPtr<UIResponder> UIResponder::firstResponder()
{
    return currentFirstResponder().lock();
}

bool UIResponder::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    // The keyboard is looked at once the place has changed hands.
    UIKeyboard::Deferral deferral;
    if (RefPtr<UIResponder> current = firstResponder()) {
        if (!current->resignFirstResponder())
            return false;
        // Resigning may have handed the place to someone else meanwhile.
        if (firstResponder())
            return false;
    }
    currentFirstResponder() = WeakPtr<UIResponder>(this);
    return true;
}

bool UIResponder::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    if (!canResignFirstResponder())
        return false;
    currentFirstResponder() = nullptr;
    UIKeyboard::firstResponderDidChange();
    return true;
}

} // namespace qv
