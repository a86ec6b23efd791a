#include "UIKitTestSupport.h"

#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace qv;
using qv::uikittest::RecordingView;

namespace {

void expectRect(CGRect actual, CGRect expected)
{
    EXPECT_NEAR(actual.origin.x, expected.origin.x, 1e-6);
    EXPECT_NEAR(actual.origin.y, expected.origin.y, 1e-6);
    EXPECT_NEAR(actual.size.width, expected.size.width, 1e-6);
    EXPECT_NEAR(actual.size.height, expected.size.height, 1e-6);
}

void expectPoint(CGPoint actual, CGPoint expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-6);
    EXPECT_NEAR(actual.y, expected.y, 1e-6);
}

std::vector<const UIView*> subviewsOf(const UIView& view)
{
    std::vector<const UIView*> result;
    for (const Ref<UIView>& subview : view.subviews())
        result.push_back(subview.ptr());
    return result;
}

class CountingRemoval : public UIView {
public:
    using UIView::UIView;
    void removeFromSuperview() override
    {
        ++removals;
        UIView::removeFromSuperview();
    }
    int removals = 0;
};

// A view whose touch area reaches 20 points beyond its bounds.
class GenerousView : public UIView {
public:
    using UIView::UIView;
    bool pointInside(CGPoint point, UIEvent*) override { return CGRectContainsPoint(CGRectInset(bounds(), -20, -20), point); }
};

class RecordingController : public UIResponder {
public:
    void touchesBegan(const UITouchSet&, UIEvent*) override { ++began; }
    int began = 0;
};

} // namespace

// The frame is the bounding box of the bounds, transformed about the centre.
TEST(UIView, FrameFollowsCenterBoundsAndTransform)
{
    const double half = std::numbers::pi / 2;
    const double side45 = 150 / std::numbers::sqrt2;
    struct Case {
        const char* title;
        CGAffineTransform transform;
        CGRect frame;
    };
    const Case cases[] = {
        { "identity", CGAffineTransformIdentity, CGRectMake(10, 20, 100, 50) },
        { "quarter turn", CGAffineTransformMakeRotation(half), CGRectMake(35, -5, 50, 100) },
        { "eighth turn", CGAffineTransformMakeRotation(half / 2), CGRectMake(60 - side45 / 2, 45 - side45 / 2, side45, side45) },
        { "scale", CGAffineTransformMakeScale(2, 0.5), CGRectMake(-40, 32.5, 200, 25) },
        { "translation", CGAffineTransformMakeTranslation(5, -5), CGRectMake(15, 15, 100, 50) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Ref<UIView> view = makeRef<UIView>(CGRectMake(10, 20, 100, 50));
        view->setTransform(c.transform);
        expectRect(view->frame(), c.frame);
        // The transform leaves centre and bounds as they were.
        expectPoint(view->center(), CGPointMake(60, 45));
        expectRect(view->bounds(), CGRectMake(0, 0, 100, 50));
    }
}

TEST(UIView, BoundsOriginStaysUnlessSetAndSizeKeepsTheCenter)
{
    Ref<UIView> view = makeRef<UIView>(CGRectMake(10, 20, 100, 50));
    view->setFrame(CGRectMake(30, 40, 60, 60));
    expectRect(view->bounds(), CGRectMake(0, 0, 60, 60));
    view->setBounds(CGRectMake(5, 5, 100, 20));
    expectPoint(view->center(), CGPointMake(60, 70));
    expectRect(view->frame(), CGRectMake(10, 60, 100, 20));
    view->setFrame(CGRectMake(0, 0, 40, 40));
    expectRect(view->bounds(), CGRectMake(5, 5, 40, 40)); // the frame keeps the bounds' origin
    view->setCenter(CGPointMake(100, 100));
    expectRect(view->frame(), CGRectMake(80, 80, 40, 40));
    // A negative size is read the other way, as on the device.
    view->setFrame(CGRectMake(50, 50, -10, -20));
    expectRect(view->frame(), CGRectMake(40, 30, 10, 20));
}

TEST(UIView, GeometryThatIsNotANumberIsRefused)
{
    LogCapture log;
    Ref<UIView> view = makeRef<UIView>(CGRectMake(1, 2, 3, 4));
    view->setFrame(CGRectMake(NAN, 0, 10, 10));
    view->setCenter(CGPointMake(0, INFINITY));
    view->setBounds(CGRectMake(0, 0, NAN, 1));
    view->setAlpha(NAN);
    view->setTransform(CGAffineTransformMakeScale(INFINITY, 1));
    expectRect(view->frame(), CGRectMake(1, 2, 3, 4));
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_TRUE(CGAffineTransformIsIdentity(view->transform()));
    EXPECT_EQ(log.lines().size(), 5u);
}

TEST(UIView, SubviewOrder)
{
    Ref<UIView> parent = makeRef<UIView>();
    Ref<UIView> a = makeRef<UIView>(), b = makeRef<UIView>(), c = makeRef<UIView>(), d = makeRef<UIView>();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->addSubview(c);
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { a.ptr(), b.ptr(), c.ptr() }));
    parent->addSubview(a); // again: to the front
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { b.ptr(), c.ptr(), a.ptr() }));
    parent->insertSubviewAtIndex(d, 1);
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { b.ptr(), d.ptr(), c.ptr(), a.ptr() }));
    parent->insertSubviewAtIndex(d, 99); // pinned to the end
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { b.ptr(), c.ptr(), a.ptr(), d.ptr() }));
    parent->insertSubviewBelowSubview(d, b.ptr());
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { d.ptr(), b.ptr(), c.ptr(), a.ptr() }));
    parent->insertSubviewAboveSubview(d, c.ptr());
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { b.ptr(), c.ptr(), d.ptr(), a.ptr() }));
    parent->bringSubviewToFront(b.ptr());
    parent->sendSubviewToBack(a.ptr());
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { a.ptr(), c.ptr(), d.ptr(), b.ptr() }));

    // Next to a view that is not a subview: on top, with a log line.
    LogCapture log;
    Ref<UIView> stranger = makeRef<UIView>();
    parent->insertSubviewBelowSubview(c, stranger.ptr());
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { a.ptr(), d.ptr(), b.ptr(), c.ptr() }));
    EXPECT_EQ(log.lines().size(), 1u);

    // Adding to another parent takes the view away from the first.
    Ref<UIView> other = makeRef<UIView>();
    other->addSubview(c);
    EXPECT_EQ(c->superview().get(), other.ptr());
    EXPECT_EQ(subviewsOf(parent), (std::vector<const UIView*> { a.ptr(), d.ptr(), b.ptr() }));
}

TEST(UIView, AViewCannotBecomeItsOwnDescendant)
{
    LogCapture log;
    Ref<UIView> grandparent = makeRef<UIView>(), parent = makeRef<UIView>(), child = makeRef<UIView>();
    grandparent->addSubview(parent);
    parent->addSubview(child);
    child->addSubview(grandparent);
    child->addSubview(child);
    parent->insertSubviewAtIndex(grandparent, 0);
    EXPECT_FALSE(grandparent->superview());
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(log.lines().size(), 3u);
    parent->addSubview(nullptr); // nothing to add
    EXPECT_EQ(parent->subviews().size(), 1u);
}

TEST(UIView, RemovalIsOverridableAndDoesNothingWhenDetached)
{
    Ref<UIView> parent = makeRef<UIView>();
    Ref<CountingRemoval> child = makeRef<CountingRemoval>();
    child->removeFromSuperview();
    EXPECT_EQ(child->removals, 1);
    parent->addSubview(child);
    child->removeFromSuperview();
    EXPECT_EQ(child->removals, 2);
    EXPECT_FALSE(child->superview());
    EXPECT_TRUE(parent->subviews().empty());
    // Moving to another parent is no removal in the system's sense.
    parent->addSubview(child);
    makeRef<UIView>()->addSubview(child);
    EXPECT_EQ(child->removals, 2);
}

TEST(UIView, ParentRetainsChildrenAndChildPointsBackWeakly)
{
    WeakPtr<UIView> weakChild;
    Ref<UIView> survivor = makeRef<UIView>();
    {
        Ref<UIView> parent = makeRef<UIView>();
        {
            Ref<UIView> child = makeRef<UIView>();
            weakChild = child;
            parent->addSubview(child);
        }
        EXPECT_TRUE(weakChild.lock()); // held by its parent
        parent->addSubview(survivor);
        EXPECT_EQ(survivor->superview().get(), parent.ptr());
    }
    EXPECT_FALSE(weakChild.lock());
    EXPECT_FALSE(survivor->superview());
    EXPECT_FALSE(survivor->window());
}

TEST(UIView, ViewWithTagSearchesItselfThenDepthFirst)
{
    Ref<UIView> root = makeRef<UIView>(), a = makeRef<UIView>(), a1 = makeRef<UIView>(), b = makeRef<UIView>();
    root->addSubview(a);
    a->addSubview(a1);
    root->addSubview(b);
    a1->setTag(7);
    b->setTag(7);
    a->setTag(3);
    EXPECT_EQ(root->viewWithTag(7).get(), a1.ptr());
    EXPECT_EQ(a->viewWithTag(3).get(), a.ptr());
    EXPECT_EQ(b->viewWithTag(7).get(), b.ptr());
    EXPECT_FALSE(root->viewWithTag(99));
    EXPECT_EQ(root->viewWithTag(0).get(), root.ptr()); // every view starts with tag 0
}

TEST(UIView, ConversionGoesThroughBoundsAndTransforms)
{
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    Ref<UIView> parent = makeRef<UIView>(CGRectMake(100, 100, 200, 200));
    Ref<UIView> child = makeRef<UIView>(CGRectMake(10, 20, 50, 50));
    window->addSubview(parent);
    parent->addSubview(child);

    expectPoint(child->convertPointToView(CGPointMake(5, 5), window.ptr()), CGPointMake(115, 125));
    expectPoint(child->convertPointToView(CGPointMake(5, 5), nullptr), CGPointMake(115, 125));
    parent->setBounds(CGRectMake(10, 10, 200, 200)); // scrolled by (10, 10)
    expectPoint(child->convertPointToView(CGPointMake(5, 5), nullptr), CGPointMake(105, 115));
    parent->setTransform(CGAffineTransformMakeRotation(std::numbers::pi / 2));
    const CGPoint inWindow = child->convertPointToView(CGPointMake(5, 5), nullptr);
    expectPoint(inWindow, CGPointMake(285, 105));
    expectPoint(child->convertPointFromView(inWindow, nullptr), CGPointMake(5, 5));
    expectPoint(window->convertPointToView(inWindow, child.ptr()), CGPointMake(5, 5));

    // A rectangle turned a quarter becomes its bounding box.
    expectRect(child->convertRectToView(CGRectMake(0, 0, 10, 20), nullptr), CGRectMake(270, 100, 20, 10));
    expectRect(window->convertRectToView(CGRectMake(270, 100, 20, 10), child.ptr()), CGRectMake(0, 0, 10, 20));

    // Views of two trees meet through their roots' frames.
    Ref<UIView> loose = makeRef<UIView>(CGRectMake(50, 50, 10, 10));
    parent->setTransform(CGAffineTransformIdentity);
    parent->setBounds(CGRectMake(0, 0, 200, 200));
    expectPoint(loose->convertPointToView(CGPointMake(1, 1), child.ptr()), CGPointMake(51 - 110, 51 - 120));
}

namespace {

struct HitScene {
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    Ref<UIView> back = makeRef<UIView>(CGRectMake(0, 0, 300, 300));
    Ref<UIView> front = makeRef<UIView>(CGRectMake(100, 100, 100, 100));
    RefPtr<UIView> inner = makeRef<UIView>(CGRectMake(10, 10, 50, 50));
    Ref<UIView> overhang = makeRef<UIView>(CGRectMake(80, 80, 50, 50));
    Ref<GenerousView> generous = makeRef<GenerousView>(CGRectMake(250, 400, 20, 20));

    HitScene()
    {
        window->makeKeyAndVisible();
        window->addSubview(back);
        window->addSubview(front);
        front->addSubview(inner);
        front->addSubview(overhang);
        window->addSubview(generous);
    }
    void replaceInner(Ref<UIView> view)
    {
        inner->removeFromSuperview();
        view->setFrame(CGRectMake(10, 10, 50, 50));
        front->insertSubviewAtIndex(view, 0);
        inner = view;
    }
    std::string nameOf(const RefPtr<UIView>& view) const
    {
        if (!view)
            return "nothing";
        const std::pair<const UIView*, const char*> names[] = {
            { window.ptr(), "window" }, { back.ptr(), "back" }, { front.ptr(), "front" }, { inner.get(), "inner" },
            { overhang.ptr(), "overhang" }, { generous.ptr(), "generous" },
        };
        for (const auto& [candidate, name] : names) {
            if (candidate == view.get())
                return name;
        }
        return "another view";
    }
};

} // namespace

TEST(UIView, HitTesting)
{
    struct Case {
        const char* title;
        std::function<void(HitScene&)> arrange;
        CGPoint point;
        const char* expected;
    };
    const Case cases[] = {
        { "deepest view under the point", nullptr, CGPointMake(120, 120), "inner" },
        { "the parent around a subview", nullptr, CGPointMake(170, 170), "front" },
        { "a view further back", nullptr, CGPointMake(50, 50), "back" },
        { "the window where no view is", nullptr, CGPointMake(310, 500), "window" },
        { "nothing outside the window", nullptr, CGPointMake(400, 10), "nothing" },
        { "a subview outside its parent's bounds is not reached", nullptr, CGPointMake(215, 215), "back" },
        { "the front sibling wins", [](HitScene& s) { s.back->addSubview(makeRef<UIView>(CGRectMake(110, 110, 10, 10))); s.window->bringSubviewToFront(s.back.ptr()); },
            CGPointMake(115, 115), "another view" },
        { "hidden views take nothing", [](HitScene& s) { s.front->setHidden(true); }, CGPointMake(120, 120), "back" },
        { "alpha below 0.01 takes nothing", [](HitScene& s) { s.front->setAlpha(0.0099); }, CGPointMake(120, 120), "back" },
        { "alpha of 0.01 takes touches", [](HitScene& s) { s.front->setAlpha(0.01); }, CGPointMake(120, 120), "inner" },
        { "no user interaction, no touches for the view and its subviews", [](HitScene& s) { s.front->setUserInteractionEnabled(false); }, CGPointMake(120, 120), "back" },
        { "image views start without interaction", [](HitScene& s) { s.replaceInner(makeRef<UIImageView>()); }, CGPointMake(120, 120), "front" },
        { "labels start without interaction", [](HitScene& s) { s.replaceInner(makeRef<UILabel>()); }, CGPointMake(120, 120), "front" },
        { "a disabled control lets the touch through", [](HitScene& s) {
             Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
             button->setEnabled(false);
             s.replaceInner(button);
         }, CGPointMake(120, 120), "front" },
        { "the point goes through a turned parent", [](HitScene& s) { s.front->setTransform(CGAffineTransformMakeRotation(std::numbers::pi)); }, CGPointMake(180, 180), "inner" },
        { "the turned parent keeps the rest", [](HitScene& s) { s.front->setTransform(CGAffineTransformMakeRotation(std::numbers::pi)); }, CGPointMake(130, 130), "front" },
        { "an overridden pointInside widens the view", nullptr, CGPointMake(245, 395), "generous" },
        { "a hidden window takes nothing", [](HitScene& s) { s.window->setHidden(true); }, CGPointMake(50, 50), "nothing" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        HitScene scene;
        if (c.arrange)
            c.arrange(scene);
        EXPECT_EQ(scene.nameOf(scene.window->hitTest(c.point, nullptr)), c.expected);
    }
}

TEST(UIView, TouchesTravelUpTheResponderChain)
{
    std::vector<std::string> log;
    Ref<UIWindow> window = qv::uikittest::makeWindow();
    Ref<RecordingView> parent = makeRef<RecordingView>("parent", CGRectMake(0, 0, 200, 200), log);
    Ref<UIView> plain = makeRef<UIView>(CGRectMake(0, 0, 100, 100));
    window->addSubview(parent);
    parent->addSubview(plain);
    EXPECT_EQ(plain->nextResponder().get(), static_cast<UIResponder*>(parent.ptr()));

    // The plain view handles nothing, so its parent hears the touch.
    UITouchDriver::shared().tap(window, CGPointMake(50, 50));
    EXPECT_EQ(log, (std::vector<std::string> { "parent began 1", "parent ended 1" }));

    // A view that handles the touch keeps it.
    log.clear();
    Ref<RecordingView> handler = makeRef<RecordingView>("handler", CGRectMake(0, 0, 50, 50), log);
    plain->addSubview(handler);
    UITouchDriver::shared().tap(window, CGPointMake(10, 10));
    EXPECT_EQ(log, (std::vector<std::string> { "handler began 1", "handler ended 1" }));

    // A view that passes the touch on lets everybody above it hear it.
    log.clear();
    Ref<RecordingView> passer = makeRef<RecordingView>("passer", CGRectMake(60, 60, 20, 20), log, true);
    plain->addSubview(passer);
    UITouchDriver::shared().tap(window, CGPointMake(70, 70));
    EXPECT_EQ(log, (std::vector<std::string> { "passer began 1", "parent began 1", "passer ended 1", "parent ended 1" }));

    // The controller of a view comes next, before the superview.
    log.clear();
    Ref<RecordingController> controller = makeRef<RecordingController>();
    plain->setViewDelegate(controller);
    EXPECT_EQ(plain->nextResponder().get(), static_cast<UIResponder*>(controller.ptr()));
    UITouchDriver::shared().tap(window, CGPointMake(90, 20));
    EXPECT_EQ(controller->began, 1);
    EXPECT_TRUE(log.empty());

    // The controller is not retained: once it is gone, the superview is next.
    controller = makeRef<RecordingController>();
    EXPECT_EQ(plain->nextResponder().get(), static_cast<UIResponder*>(parent.ptr()));
    EXPECT_FALSE(window->nextResponder());
}

TEST(UIView, LayerPropertiesAndClipping)
{
    Ref<UIView> folder = makeRef<UIView>(CGRectMake(10, 100, 300, 300));
    Ref<CALayer> layer = folder->layer();
    EXPECT_EQ(layer->cornerRadius(), 0);
    EXPECT_EQ(*layer->borderColor(), *UIColor::blackColor());
    layer->setCornerRadius(50);
    layer->setBorderWidth(0.5);
    layer->setBorderColor(UIColor::colorWithRed(0, 0.487, 1, 1));
    folder->setClipsToBounds(true);
    EXPECT_TRUE(layer->masksToBounds());
    layer->setMasksToBounds(false);
    EXPECT_FALSE(folder->clipsToBounds());
    EXPECT_EQ(folder->layer()->cornerRadius(), 50);
    EXPECT_EQ(folder->layer()->borderWidth(), 0.5);
    // The other stored settings.
    folder->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    EXPECT_EQ(folder->autoresizingMask(), uint64_t(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight));
    EXPECT_TRUE(folder->autoresizesSubviews());
    EXPECT_FALSE(folder->multipleTouchEnabled());
    EXPECT_TRUE(folder->userInteractionEnabled());
}

// Dumps of the view tree name each view's class as the device does.
TEST(UIView, ClassNames)
{
    const std::pair<Ref<NSObject>, const char*> cases[] = {
        { makeRef<UIView>(), "UIView" },
        { makeRef<UIWindow>(), "UIWindow" },
        { makeRef<UILabel>(), "UILabel" },
        { makeRef<UIImageView>(), "UIImageView" },
        { UIButton::buttonWithType(UIButtonTypeContactAdd), "UIButton" },
        { makeRef<UISegmentedControl>(), "UISegmentedControl" },
        { makeRef<UISearchBar>(), "UISearchBar" },
        { makeRef<UIAlertView>(), "UIAlertView" },
        { makeRef<UIActionSheet>(), "UIActionSheet" },
        { UIColor::whiteColor(), "UIColor" },
    };
    for (const auto& [object, name] : cases) {
        EXPECT_EQ(object->className(), name);
        EXPECT_EQ(object->description().rfind(std::string("<") + name + ": 0x", 0), 0u) << object->description();
    }
}
