#pragma once

#include "CALayer.h"
#include "UIColor.h"
#include "UIResponder.h"
#include "UIViewAnimation.h"

#include "platform/core/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class UIViewAnimationState;
class UIWindow;

enum UIViewAutoresizing : uint64_t {
    UIViewAutoresizingNone = 0,
    UIViewAutoresizingFlexibleLeftMargin = 1 << 0,
    UIViewAutoresizingFlexibleWidth = 1 << 1,
    UIViewAutoresizingFlexibleRightMargin = 1 << 2,
    UIViewAutoresizingFlexibleTopMargin = 1 << 3,
    UIViewAutoresizingFlexibleHeight = 1 << 4,
    UIViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

// A rectangle of the screen in a tree of views. Headless: nothing is drawn,
// but the geometry, the tree, hit testing and the animation bookkeeping
// behave as the system expects of the device.
//
// Geometry follows the device: the view keeps its center (in the superview's
// coordinates), its bounds (its own coordinates; origin 0 unless set) and a
// transform applied about the center; the frame is derived from them, the
// bounding box of the transformed bounds. Rectangles and points that are not
// finite are refused with a log line.
//
// A parent retains its subviews; a subview's superview is a weak back
// pointer. Main thread only.
class UIView : public UIResponder {
public:
    std::string className() const override { return "UIView"; }
    UIView();
    explicit UIView(CGRect frame);

    // Geometry. Changes made inside an animation are recorded by it (see
    // UIViewAnimation.h). Subclasses may override the setters, as the system
    // overrides the frame setter to clamp its views.
    CGRect frame() const;
    virtual void setFrame(CGRect frame);
    CGRect bounds() const { return m_bounds; }
    virtual void setBounds(CGRect bounds);
    CGPoint center() const { return m_center; }
    virtual void setCenter(CGPoint center);
    CGAffineTransform transform() const { return m_transform; }
    virtual void setTransform(CGAffineTransform transform);

    CGFloat alpha() const { return m_alpha; }
    virtual void setAlpha(CGFloat alpha);
    bool hidden() const { return m_hidden; }
    virtual void setHidden(bool hidden);
    RefPtr<UIColor> backgroundColor() const { return m_backgroundColor; }
    virtual void setBackgroundColor(RefPtr<UIColor> color);
    int64_t tag() const { return m_tag; }
    void setTag(int64_t tag) { m_tag = tag; }

    bool userInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool multipleTouchEnabled() const { return m_multipleTouchEnabled; }
    void setMultipleTouchEnabled(bool enabled) { m_multipleTouchEnabled = enabled; }

    // Stored for whoever lays the views out; nothing resizes by itself here.
    uint64_t autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(uint64_t mask) { m_autoresizingMask = mask; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool autoresizes) { m_autoresizesSubviews = autoresizes; }

    // The same flag as the layer's masksToBounds.
    bool clipsToBounds() const { return m_layer->masksToBounds(); }
    void setClipsToBounds(bool clips) { m_layer->setMasksToBounds(clips); }
    Ref<CALayer> layer() const { return m_layer; }

    // The tree. Subviews are ordered back to front.
    RefPtr<UIView> superview() const { return m_superview.lock(); }
    std::vector<Ref<UIView>> subviews() const { return m_subviews; }
    // The window at the root of the view's tree, or null.
    RefPtr<UIWindow> window() const;
    bool isDescendantOfView(const UIView* view) const;
    // This view or the first of its descendants, depth first, with the tag.
    RefPtr<UIView> viewWithTag(int64_t tag);

    // Adding a view takes it from its old superview; adding a subview again
    // moves it to the front. A view cannot become its own descendant.
    void addSubview(const RefPtr<UIView>& view);
    // The index is pinned to 0...count.
    void insertSubviewAtIndex(const RefPtr<UIView>& view, int64_t index);
    // A sibling that is not a subview of this view: the view goes on top.
    void insertSubviewAboveSubview(const RefPtr<UIView>& view, const UIView* sibling);
    void insertSubviewBelowSubview(const RefPtr<UIView>& view, const UIView* sibling);
    void bringSubviewToFront(const UIView* view);
    void sendSubviewToBack(const UIView* view);
    // Does nothing when the view has no superview. A first responder inside
    // the view resigns. Subclasses may override it and call this.
    virtual void removeFromSuperview();

    // Layout. Nothing is laid out by itself here: views that arrange their
    // own subviews (tables, bars) do it in layoutSubviews, which
    // layoutIfNeeded runs for this view and then for its subviews, as the
    // device's layout pass before the screen is drawn.
    virtual void layoutSubviews() {}
    void layoutIfNeeded();

    // A short text naming the view for whoever reads the screen aloud (or
    // dumps it); empty unless set.
    const std::string& accessibilityLabel() const { return m_accessibilityLabel; }
    void setAccessibilityLabel(std::string label) { m_accessibilityLabel = std::move(label); }

    // Conversion between the coordinates of two views, through every
    // transform on the way. A null view stands for the coordinates of the
    // root of this view's tree (the window, when there is one). Views of
    // different trees meet in the space their roots' frames are given in.
    CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    // The bounding box of the converted corners.
    CGRect convertRectToView(CGRect rect, const UIView* view) const;
    CGRect convertRectFromView(CGRect rect, const UIView* view) const;

    // The deepest view under the point (in this view's coordinates) that
    // takes touches: hidden views, views nearly transparent (alpha below
    // 0.01) and views without user interaction take nothing, nor do their
    // subviews; the point must lie inside the view (pointInside); subviews
    // are asked front to back.
    virtual RefPtr<UIView> hitTest(CGPoint point, UIEvent* event);
    // Within the bounds, by default.
    virtual bool pointInside(CGPoint point, UIEvent* event);

    // The view controller whose view this is: it comes next in the
    // responder chain, before the superview. Weak.
    RefPtr<UIResponder> viewDelegate() const { return m_viewDelegate.lock(); }
    void setViewDelegate(const WeakPtr<UIResponder>& controller) { m_viewDelegate = controller; }
    RefPtr<UIResponder> nextResponder() const override;

    // Animations (see UIViewAnimation.h for the rules).
    static void beginAnimations(const std::string& animationID, void* context = nullptr);
    static void commitAnimations();
    static void setAnimationDuration(double duration);
    static void setAnimationDelay(double delay);
    static void setAnimationCurve(UIViewAnimationCurve curve);
    static void setAnimationBeginsFromCurrentState(bool fromCurrentState);
    static void setAnimationDelegate(RefPtr<Object> delegate);
    // The did-stop call: a callback, or a method of the animation delegate
    // taking (animationID, finished, context) or nothing.
    static void setAnimationDidStopSelector(UIViewAnimationDidStop callback);
    template<typename T>
    static void setAnimationDidStopSelector(void (T::*selector)(const std::string&, bool, void*))
    {
        setAnimationDidStopSelector(UIViewAnimationDidStop([selector](Object* delegate, const std::string& animationID, bool finished, void* context) {
            if (T* target = dynamic_cast<T*>(delegate))
                (target->*selector)(animationID, finished, context);
        }, true));
    }
    template<typename T>
    static void setAnimationDidStopSelector(void (T::*selector)())
    {
        setAnimationDidStopSelector(UIViewAnimationDidStop([selector](Object* delegate, const std::string&, bool, void*) {
            if (T* target = dynamic_cast<T*>(delegate))
                (target->*selector)();
        }, true));
    }
    static void animateWithDuration(double duration, std::function<void()> animations);
    static void animateWithDuration(double duration, std::function<void()> animations, std::function<void(bool finished)> completion);
    static void animateWithDuration(double duration, double delay, UIViewAnimationOptions options,
        std::function<void()> animations, std::function<void(bool finished)> completion);

protected:
    ~UIView() override;

private:
    friend class UIViewAnimator;

    void detachFromSuperview();
    void insertChild(const RefPtr<UIView>& view, size_t index);
    void insertNextToSubview(const RefPtr<UIView>& view, const UIView* sibling, size_t offset);
    bool acceptsAsSubview(const UIView* view) const;
    std::optional<size_t> indexOfSubview(const UIView* view) const;
    void recordAnimatedChange(UIViewAnimatedProperty property);

    CGPoint pointToSuperview(CGPoint point) const;
    CGPoint pointFromSuperview(CGPoint point) const;
    const UIView* root(std::vector<const UIView*>* path) const;

    WeakPtr<UIView> m_superview;
    std::vector<Ref<UIView>> m_subviews;
    WeakPtr<UIResponder> m_viewDelegate;
    CGPoint m_center;
    CGRect m_bounds;
    CGAffineTransform m_transform;
    CGFloat m_alpha = 1;
    bool m_hidden = false;
    RefPtr<UIColor> m_backgroundColor;
    int64_t m_tag = 0;
    bool m_userInteractionEnabled = true;
    bool m_multipleTouchEnabled = false;
    uint64_t m_autoresizingMask = UIViewAutoresizingNone;
    bool m_autoresizesSubviews = true;
    Ref<CALayer> m_layer;
    std::string m_accessibilityLabel;
    // The animation that last changed each animated property.
    std::array<WeakPtr<UIViewAnimationState>, UIViewAnimatedPropertyCount> m_animations;
};

} // namespace qv
