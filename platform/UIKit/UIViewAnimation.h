#pragma once

// The vocabulary of view animations. Headless, an animation applies its
// values at once; what remains is the bookkeeping the system relies on:
//
// - The begin/commit form names an animation and sets its duration (0.2 s
//   unless set), delay, curve, delegate and did-stop call between
//   UIView::beginAnimations and UIView::commitAnimations. Blocks begun inside
//   another block are part of the outermost one: their changes count as its
//   changes and the outermost block owns the did-stop call (a delegate or
//   did-stop set inside a nested block is not used).
// - The block form (UIView::animateWithDuration) is always an animation of
//   its own with its completion, also inside an open begin/commit block. A
//   commit inside its animations has no block to close and does nothing;
//   blocks its animations begin and leave open end with it.
// - The did-stop call and the completion run on the main run loop after the
//   animation's delay plus duration. They report finished = false when,
//   before that, a later animation changed a property (frame and center,
//   bounds, transform, alpha or background colour) of a view that this
//   animation had changed.
// - While a test traces animations (UIKitTesting.h), every animation is
//   written to its trace.

#include "platform/core/Object.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

enum UIViewAnimationCurve : int64_t {
    UIViewAnimationCurveEaseInOut = 0,
    UIViewAnimationCurveEaseIn = 1,
    UIViewAnimationCurveEaseOut = 2,
    UIViewAnimationCurveLinear = 3,
};

enum UIViewAnimationOptions : uint64_t {
    UIViewAnimationOptionLayoutSubviews = 1 << 0,
    UIViewAnimationOptionAllowUserInteraction = 1 << 1,
    UIViewAnimationOptionBeginFromCurrentState = 1 << 2,
    UIViewAnimationOptionRepeat = 1 << 3,
    UIViewAnimationOptionAutoreverse = 1 << 4,
    UIViewAnimationOptionOverrideInheritedDuration = 1 << 5,
    UIViewAnimationOptionOverrideInheritedCurve = 1 << 6,
    UIViewAnimationOptionAllowAnimatedContent = 1 << 7,
    UIViewAnimationOptionShowHideTransitionViews = 1 << 8,
    UIViewAnimationOptionOverrideInheritedOptions = 1 << 9,
    UIViewAnimationOptionCurveEaseInOut = 0 << 16,
    UIViewAnimationOptionCurveEaseIn = 1 << 16,
    UIViewAnimationOptionCurveEaseOut = 2 << 16,
    UIViewAnimationOptionCurveLinear = 3 << 16,
};

constexpr UIViewAnimationOptions operator|(UIViewAnimationOptions a, UIViewAnimationOptions b)
{
    return static_cast<UIViewAnimationOptions>(static_cast<uint64_t>(a) | static_cast<uint64_t>(b));
}

// The properties whose changes an animation takes over.
enum UIViewAnimatedProperty : size_t {
    UIViewAnimatedPosition,        // center (and frame)
    UIViewAnimatedBounds,          // bounds (and frame)
    UIViewAnimatedTransform,
    UIViewAnimatedOpacity,         // alpha
    UIViewAnimatedBackgroundColor,
    UIViewAnimatedPropertyCount,
};

// What the end of a begin/commit animation calls: either a plain callback,
// or a method of the animation delegate (nothing happens without one).
class UIViewAnimationDidStop {
public:
    using Callback = std::function<void(const std::string& animationID, bool finished, void* context)>;
    using DelegateMethod = std::function<void(Object* delegate, const std::string& animationID, bool finished, void* context)>;

    UIViewAnimationDidStop() = default;
    UIViewAnimationDidStop(Callback callback);
    UIViewAnimationDidStop(DelegateMethod method, bool onDelegate);

    explicit operator bool() const { return static_cast<bool>(m_method); }
    void operator()(Object* delegate, const std::string& animationID, bool finished, void* context) const;

private:
    DelegateMethod m_method;
    bool m_onDelegate = false;
};

// One animation as the trace shows it.
struct UIViewAnimationTraceEntry {
    std::string name;        // empty for the block form
    double duration = 0;
    double delay = 0;
    UIViewAnimationCurve curve = UIViewAnimationCurveEaseInOut;
    bool beginsFromCurrentState = false;
    uint64_t options = 0;    // the block form's options
    bool blockForm = false;
    bool nested = false;     // a begin/commit block inside another
};

} // namespace qv
