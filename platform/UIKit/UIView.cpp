#include "UIView.h"

#include "UIViewAnimator.h"
#include "UIWindow.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

bool isFinite(CGPoint point) { return std::isfinite(point.x) && std::isfinite(point.y); }
bool isFinite(CGRect rect) { return isFinite(rect.origin) && std::isfinite(rect.size.width) && std::isfinite(rect.size.height); }

bool isFinite(CGAffineTransform t)
{
    return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d)
        && std::isfinite(t.tx) && std::isfinite(t.ty);
}

bool refuseUnlessFinite(bool finite, const char* what)
{
    if (!finite)
        logLine(std::string("UIView: refused a ") + what + " that is not a finite number");
    return !finite;
}

// A conversion between two views is affine, so the rectangle's image is the
// bounding box of the rectangle under the affine map that three points give.
CGRect convertedRect(CGRect rect, const std::function<CGPoint(CGPoint)>& convert)
{
    const CGPoint origin = convert(CGPointZero);
    const CGPoint xAxis = convert(CGPointMake(1, 0));
    const CGPoint yAxis = convert(CGPointMake(0, 1));
    const CGAffineTransform map { xAxis.x - origin.x, xAxis.y - origin.y, yAxis.x - origin.x, yAxis.y - origin.y, origin.x, origin.y };
    return CGRectApplyAffineTransform(rect, map);
}

} // namespace

UIView::UIView()
    : UIView(CGRectZero)
{
}

UIView::UIView(CGRect frame)
    : m_layer(makeRef<CALayer>())
{
    if (!isFinite(frame))
        frame = CGRectZero;
    frame = CGRectStandardize(frame);
    m_bounds = CGRectMake(0, 0, frame.size.width, frame.size.height);
    m_center = CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
}

UIView::~UIView()
{
    for (const Ref<UIView>& subview : m_subviews)
        subview->m_superview = nullptr;
}

// Geometry

CGRect UIView::frame() const
{
    const CGRect aboutCenter = CGRectMake(-m_bounds.size.width / 2, -m_bounds.size.height / 2, m_bounds.size.width, m_bounds.size.height);
    CGRect box = CGAffineTransformIsIdentity(m_transform) ? aboutCenter : CGRectApplyAffineTransform(aboutCenter, m_transform);
    return CGRectOffset(box, m_center.x, m_center.y);
}

void UIView::setFrame(CGRect frame)
{
    if (refuseUnlessFinite(isFinite(frame), "frame"))
        return;
    frame = CGRectStandardize(frame);
    const CGPoint center = CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
    if (center != m_center) {
        recordAnimatedChange(UIViewAnimatedPosition);
        m_center = center;
    }
    if (frame.size != m_bounds.size) {
        recordAnimatedChange(UIViewAnimatedBounds);
        m_bounds.size = frame.size;
    }
}

void UIView::setBounds(CGRect bounds)
{
    if (refuseUnlessFinite(isFinite(bounds), "bounds"))
        return;
    bounds = CGRectStandardize(bounds);
    if (bounds == m_bounds)
        return;
    recordAnimatedChange(UIViewAnimatedBounds);
    m_bounds = bounds;
}

void UIView::setCenter(CGPoint center)
{
    if (refuseUnlessFinite(isFinite(center), "center") || center == m_center)
        return;
    recordAnimatedChange(UIViewAnimatedPosition);
    m_center = center;
}

void UIView::setTransform(CGAffineTransform transform)
{
    if (refuseUnlessFinite(isFinite(transform), "transform") || transform == m_transform)
        return;
    recordAnimatedChange(UIViewAnimatedTransform);
    m_transform = transform;
}

void UIView::setAlpha(CGFloat alpha)
{
    if (refuseUnlessFinite(std::isfinite(alpha), "alpha") || alpha == m_alpha)
        return;
    recordAnimatedChange(UIViewAnimatedOpacity);
    m_alpha = alpha;
}

void UIView::setHidden(bool hidden)
{
    m_hidden = hidden;
}

void UIView::setBackgroundColor(RefPtr<UIColor> color)
{
    const bool same = color == m_backgroundColor || (color && color->isEqual(m_backgroundColor.get()));
    if (same)
        return;
    recordAnimatedChange(UIViewAnimatedBackgroundColor);
    m_backgroundColor = std::move(color);
}

// The tree

RefPtr<UIWindow> UIView::window() const
{
    for (RefPtr<UIView> view = const_cast<UIView*>(this); view; view = view->superview()) {
        if (RefPtr<UIWindow> window = dynamicRefCast<UIWindow>(view))
            return window;
    }
    return nullptr;
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    if (!view)
        return false;
    for (RefPtr<UIView> ancestor = const_cast<UIView*>(this); ancestor; ancestor = ancestor->superview()) {
        if (ancestor.get() == view)
            return true;
    }
    return false;
}

RefPtr<UIView> UIView::viewWithTag(int64_t tag)
{
    if (m_tag == tag)
        return this;
    for (const Ref<UIView>& subview : m_subviews) {
        if (RefPtr<UIView> found = subview->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

std::optional<size_t> UIView::indexOfSubview(const UIView* view) const
{
    for (size_t i = 0; i < m_subviews.size(); ++i) {
        if (m_subviews[i].ptr() == view)
            return i;
    }
    return std::nullopt;
}

bool UIView::acceptsAsSubview(const UIView* view) const
{
    if (!view)
        return false;
    if (isDescendantOfView(view)) {
        logLine("UIView: refused to add a view to itself or to one of its own subviews");
        return false;
    }
    return true;
}

void UIView::detachFromSuperview()
{
    RefPtr<UIView> parent = superview();
    if (!parent)
        return;
    Ref<UIView> protect(*this);
    if (auto index = parent->indexOfSubview(this))
        parent->m_subviews.erase(parent->m_subviews.begin() + static_cast<std::ptrdiff_t>(*index));
    m_superview = nullptr;
}

void UIView::insertChild(const RefPtr<UIView>& view, size_t index)
{
    Ref<UIView> child = view.toRef();
    child->detachFromSuperview();
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), child);
    child->m_superview = WeakPtr<UIView>(this);
}

void UIView::addSubview(const RefPtr<UIView>& view)
{
    if (!acceptsAsSubview(view.get()))
        return;
    insertChild(view, m_subviews.size());
}

void UIView::insertSubviewAtIndex(const RefPtr<UIView>& view, int64_t index)
{
    if (!acceptsAsSubview(view.get()))
        return;
    insertChild(view, index < 0 ? 0 : static_cast<size_t>(index));
}

void UIView::insertSubviewAboveSubview(const RefPtr<UIView>& view, const UIView* sibling)
{
    insertNextToSubview(view, sibling, 1);
}

void UIView::insertSubviewBelowSubview(const RefPtr<UIView>& view, const UIView* sibling)
{
    insertNextToSubview(view, sibling, 0);
}

void UIView::insertNextToSubview(const RefPtr<UIView>& view, const UIView* sibling, size_t offset)
{
    if (!acceptsAsSubview(view.get()) || view.get() == sibling)
        return;
    Ref<UIView> child = view.toRef();
    child->detachFromSuperview();
    auto index = indexOfSubview(sibling);
    if (!index)
        logLine("UIView: the view to insert next to is not a subview; the view goes on top");
    insertChild(child, index ? *index + offset : m_subviews.size());
}

void UIView::bringSubviewToFront(const UIView* view)
{
    if (auto index = indexOfSubview(view)) {
        Ref<UIView> child = m_subviews[*index];
        m_subviews.erase(m_subviews.begin() + static_cast<std::ptrdiff_t>(*index));
        m_subviews.push_back(child);
    }
}

void UIView::sendSubviewToBack(const UIView* view)
{
    if (auto index = indexOfSubview(view)) {
        Ref<UIView> child = m_subviews[*index];
        m_subviews.erase(m_subviews.begin() + static_cast<std::ptrdiff_t>(*index));
        m_subviews.insert(m_subviews.begin(), child);
    }
}

void UIView::removeFromSuperview()
{
    if (!superview())
        return;
    Ref<UIView> protect(*this);
    // The keyboard goes with the view that had it.
    if (RefPtr<UIResponder> responder = UIResponder::firstResponder()) {
        if (auto* view = dynamic_cast<UIView*>(responder.get()); view && view->isDescendantOfView(this))
            view->resignFirstResponder();
    }
    detachFromSuperview();
}

void UIView::layoutIfNeeded()
{
    Ref<UIView> protect(*this);
    layoutSubviews();
    // A copy: laying out may change the tree.
    std::vector<Ref<UIView>> subviews = m_subviews;
    for (const Ref<UIView>& subview : subviews)
        subview->layoutIfNeeded();
}

// Coordinates

CGPoint UIView::pointToSuperview(CGPoint point) const
{
    CGPoint fromCenter = CGPointMake(point.x - (m_bounds.origin.x + m_bounds.size.width / 2),
        point.y - (m_bounds.origin.y + m_bounds.size.height / 2));
    CGPoint moved = CGPointApplyAffineTransform(fromCenter, m_transform);
    return CGPointMake(m_center.x + moved.x, m_center.y + moved.y);
}

CGPoint UIView::pointFromSuperview(CGPoint point) const
{
    CGPoint fromCenter = CGPointApplyAffineTransform(CGPointMake(point.x - m_center.x, point.y - m_center.y),
        CGAffineTransformInvert(m_transform));
    return CGPointMake(fromCenter.x + m_bounds.origin.x + m_bounds.size.width / 2,
        fromCenter.y + m_bounds.origin.y + m_bounds.size.height / 2);
}

const UIView* UIView::root(std::vector<const UIView*>* path) const
{
    // The raw pointers stay valid: nothing runs during the walk that could
    // release a view of the tree.
    const UIView* view = this;
    while (true) {
        if (path)
            path->push_back(view);
        RefPtr<UIView> parent = view->superview();
        if (!parent)
            return view;
        view = parent.get();
    }
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    if (view == this)
        return point;
    std::vector<const UIView*> upFromHere;
    const UIView* myRoot = root(&upFromHere);
    for (const UIView* step : upFromHere) {
        if (step == myRoot)
            break;
        point = step->pointToSuperview(point);
    }
    if (!view)
        return point;
    std::vector<const UIView*> upFromThere;
    const UIView* theirRoot = view->root(&upFromThere);
    if (theirRoot != myRoot)
        point = theirRoot->pointFromSuperview(myRoot->pointToSuperview(point));
    for (auto step = upFromThere.rbegin(); step != upFromThere.rend(); ++step) {
        if (*step != theirRoot)
            point = (*step)->pointFromSuperview(point);
    }
    return point;
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    if (view)
        return view->convertPointToView(point, this);
    // From the root's coordinates down to this view.
    const UIView* myRoot = root(nullptr);
    return myRoot->convertPointToView(point, this);
}

CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const
{
    return convertedRect(rect, [&](CGPoint point) { return convertPointToView(point, view); });
}

CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const
{
    return convertedRect(rect, [&](CGPoint point) { return convertPointFromView(point, view); });
}

// Touches

RefPtr<UIView> UIView::hitTest(CGPoint point, UIEvent* event)
{
    if (m_hidden || !m_userInteractionEnabled || m_alpha < 0.01)
        return nullptr;
    if (!pointInside(point, event))
        return nullptr;
    // A copy: a hit test may change the tree.
    std::vector<Ref<UIView>> subviews = m_subviews;
    for (auto subview = subviews.rbegin(); subview != subviews.rend(); ++subview) {
        if (RefPtr<UIView> hit = (*subview)->hitTest((*subview)->pointFromSuperview(point), event))
            return hit;
    }
    return this;
}

bool UIView::pointInside(CGPoint point, UIEvent*)
{
    return CGRectContainsPoint(m_bounds, point);
}

RefPtr<UIResponder> UIView::nextResponder() const
{
    if (RefPtr<UIResponder> controller = m_viewDelegate.lock())
        return controller;
    return superview();
}

} // namespace qv
