#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/UIKit/UIView.h"
#include "platform/UIKit/UIViewAnimator.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qv;

namespace {

// Records every did-stop it hears, by any of the ways a delegate can be
// called.
class StopListener : public virtual Object {
public:
    void animationDidStop(const std::string& animationID, bool finished, void* context)
    {
        stops.push_back(animationID + (finished ? " finished" : " interrupted"));
        contexts.push_back(context);
        times.push_back(VirtualClock::now());
    }
    void stopped() { stops.push_back("stopped"); }

    std::vector<std::string> stops;
    std::vector<void*> contexts;
    std::vector<double> times;
};

class AnimationTest : public ::testing::Test {
protected:
    VirtualClock clock { 0.0 };
    Ref<UIView> view = makeRef<UIView>(CGRectMake(0, 0, 10, 10));
    Ref<UIView> other = makeRef<UIView>(CGRectMake(0, 0, 10, 10));
    Ref<StopListener> listener = makeRef<StopListener>();
    ScopedAnimationTrace traced;

    void TearDown() override { clock.advance(100); }

    // A named begin/commit animation of the given duration that reports to
    // the listener and changes what the lambda changes.
    void animate(const std::string& name, double duration, const std::function<void()>& changes)
    {
        UIView::beginAnimations(name, nullptr);
        UIView::setAnimationDuration(duration);
        UIView::setAnimationDelegate(listener);
        UIView::setAnimationDidStopSelector(&StopListener::animationDidStop);
        changes();
        UIView::commitAnimations();
    }
};

} // namespace

TEST_F(AnimationTest, ValuesApplyAtOnceAndTheStopComesAfterDelayAndDuration)
{
    int context = 0;
    UIView::beginAnimations("Show", &context);
    UIView::setAnimationDelay(0.1);
    UIView::setAnimationDelegate(listener);
    UIView::setAnimationDidStopSelector(&StopListener::animationDidStop);
    view->setAlpha(0.5);
    view->setFrame(CGRectMake(5, 5, 20, 20));
    UIView::commitAnimations();

    EXPECT_EQ(view->alpha(), 0.5);
    EXPECT_EQ(view->frame(), CGRectMake(5, 5, 20, 20));
    clock.advance(0.29);
    EXPECT_TRUE(listener->stops.empty());
    clock.advance(0.02);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "Show finished" }));
    EXPECT_EQ(listener->contexts.front(), &context);
    EXPECT_DOUBLE_EQ(listener->times.front(), 0.3); // 0.1 delay + the default 0.2

    std::vector<UIViewAnimationTraceEntry> trace = traced.entries();
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].name, "Show");
    EXPECT_EQ(trace[0].duration, 0.2);
    EXPECT_EQ(trace[0].delay, 0.1);
    EXPECT_EQ(UIViewAnimator::runningCount(), 0u);
}

TEST_F(AnimationTest, AnAnimationWithNoDurationStillEndsOnTheRunLoop)
{
    animate("Instant", 0, [] {});
    EXPECT_TRUE(listener->stops.empty()); // never before the commit returns
    clock.advance(0);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "Instant finished" }));
}

TEST_F(AnimationTest, TheStopReachesTheDelegateOrACallback)
{
    // A method taking nothing.
    UIView::beginAnimations("A", nullptr);
    UIView::setAnimationDelegate(listener);
    UIView::setAnimationDidStopSelector(&StopListener::stopped);
    UIView::commitAnimations();
    // A method, but no delegate: a message to nobody.
    UIView::beginAnimations("B", nullptr);
    UIView::setAnimationDidStopSelector(&StopListener::animationDidStop);
    UIView::commitAnimations();
    // A callback needs no delegate.
    std::vector<std::string> heard;
    UIView::beginAnimations("C", nullptr);
    UIView::setAnimationDidStopSelector(UIViewAnimationDidStop([&](const std::string& id, bool finished, void*) {
        heard.push_back(id + (finished ? " yes" : " no"));
    }));
    UIView::commitAnimations();
    clock.advance(1);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "stopped" }));
    EXPECT_EQ(heard, (std::vector<std::string> { "C yes" }));
}

TEST_F(AnimationTest, TheDelegateIsKeptUntilTheStop)
{
    WeakPtr<StopListener> weak = listener;
    animate("Kept", 0.5, [] {});
    listener = makeRef<StopListener>();
    EXPECT_TRUE(weak.lock());
    clock.advance(1);
    EXPECT_FALSE(weak.lock());
}

// finished is NO exactly when a later animation changed a property of a
// view this one changed before this one ended.
TEST_F(AnimationTest, ALaterAnimationOfTheSamePropertyInterrupts)
{
    struct Case {
        const char* title;
        std::function<void(UIView&, UIView&)> first;
        std::function<void(UIView&, UIView&)> second;
        double gap;
        const char* expectedFirst;
    };
    auto alpha = [](double value) { return [value](UIView& view, UIView&) { view.setAlpha(value); }; };
    const Case cases[] = {
        { "same view, same property", alpha(0.5), alpha(0.2), 0.1, "first interrupted" },
        { "same property after the first ended", alpha(0.5), alpha(0.2), 0.5, "first finished" },
        { "same view, another property", alpha(0.5), [](UIView& v, UIView&) { v.setCenter(CGPointMake(50, 50)); }, 0.1, "first finished" },
        { "another view, same property", alpha(0.5), [](UIView&, UIView& o) { o.setAlpha(0.2); }, 0.1, "first finished" },
        { "frame and center share the position", [](UIView& v, UIView&) { v.setFrame(CGRectMake(1, 1, 10, 10)); },
            [](UIView& v, UIView&) { v.setCenter(CGPointMake(9, 9)); }, 0.1, "first interrupted" },
        { "a value set to what it is changes nothing", alpha(0.5), alpha(0.5), 0.1, "first finished" },
        { "transform", [](UIView& v, UIView&) { v.setTransform(CGAffineTransformMakeScale(2, 2)); },
            [](UIView& v, UIView&) { v.setTransform(CGAffineTransformMakeRotation(1)); }, 0.1, "first interrupted" },
        { "background colour", [](UIView& v, UIView&) { v.setBackgroundColor(UIColor::redColor()); },
            [](UIView& v, UIView&) { v.setBackgroundColor(UIColor::blueColor()); }, 0.1, "first interrupted" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        listener->stops.clear();
        Ref<UIView> a = makeRef<UIView>(CGRectMake(0, 0, 10, 10));
        Ref<UIView> b = makeRef<UIView>(CGRectMake(0, 0, 10, 10));
        animate("first", 0.3, [&] { c.first(a, b); });
        clock.advance(c.gap);
        animate("second", 0.3, [&] { c.second(a, b); });
        clock.advance(1);
        ASSERT_EQ(listener->stops.size(), 2u);
        EXPECT_EQ(listener->stops[0], c.expectedFirst);
        EXPECT_EQ(listener->stops[1], "second finished");
    }
}

TEST_F(AnimationTest, AChangeWithoutAnimationInterruptsNothing)
{
    animate("first", 0.3, [&] { view->setAlpha(0.5); });
    view->setAlpha(0.1);
    clock.advance(1);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "first finished" }));
}

// Blocks begun inside another belong to it: their changes are its changes
// and only the outer block reports, after its own duration.
TEST_F(AnimationTest, NestedBlocksBelongToTheOutermost)
{
    std::vector<std::string> innerHeard;
    UIView::beginAnimations("Toggle Grid", nullptr);
    UIView::setAnimationDuration(0.4);
    UIView::setAnimationDelegate(listener);
    UIView::setAnimationDidStopSelector(&StopListener::animationDidStop);
    view->setAlpha(0.6);
    UIView::beginAnimations("Reset Grid Position", nullptr);
    UIView::setAnimationDuration(0.1);
    UIView::setAnimationDidStopSelector(UIViewAnimationDidStop([&](const std::string& id, bool, void*) { innerHeard.push_back(id); }));
    other->setFrame(CGRectMake(0, 0, 300, 300));
    UIView::commitAnimations();
    UIView::commitAnimations();

    std::vector<UIViewAnimationTraceEntry> trace = traced.entries();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[0].name, "Toggle Grid");
    EXPECT_EQ(trace[0].duration, 0.4);
    EXPECT_FALSE(trace[0].nested);
    EXPECT_EQ(trace[1].name, "Reset Grid Position");
    EXPECT_EQ(trace[1].duration, 0.1);
    EXPECT_TRUE(trace[1].nested);

    // A later animation of the inner block's change interrupts the outer one.
    clock.advance(0.2);
    animate("Move", 0.1, [&] { other->setFrame(CGRectMake(5, 5, 300, 300)); });
    clock.advance(0.15);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "Move finished" }));
    clock.advance(0.1);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "Move finished", "Toggle Grid interrupted" }));
    EXPECT_DOUBLE_EQ(listener->times.back(), 0.4);
    EXPECT_TRUE(innerHeard.empty());
}

TEST_F(AnimationTest, TheBlockFormCompletesOnItsOwn)
{
    std::vector<std::string> completions;
    UIView::animateWithDuration(0.3, 0.2, UIViewAnimationOptionBeginFromCurrentState | UIViewAnimationOptionCurveEaseOut,
        [&] { view->setAlpha(0); }, [&](bool finished) { completions.push_back(finished ? "fade yes" : "fade no"); });
    EXPECT_EQ(view->alpha(), 0);
    // A block inside a begin/commit block still has its own completion.
    UIView::beginAnimations("outer", nullptr);
    UIView::animateWithDuration(0.1, [&] { other->setAlpha(0.3); }, [&](bool finished) { completions.push_back(finished ? "inner yes" : "inner no"); });
    UIView::commitAnimations();
    // Interrupts the first.
    clock.advance(0.3);
    UIView::animateWithDuration(0.1, [&] { view->setAlpha(1); });
    clock.advance(0.19);
    EXPECT_EQ(completions, (std::vector<std::string> { "inner yes" }));
    clock.advance(0.02);
    EXPECT_EQ(completions, (std::vector<std::string> { "inner yes", "fade no" }));

    std::vector<UIViewAnimationTraceEntry> trace = traced.entries();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_TRUE(trace[0].blockForm);
    EXPECT_EQ(trace[0].duration, 0.3);
    EXPECT_EQ(trace[0].delay, 0.2);
    EXPECT_TRUE(trace[0].beginsFromCurrentState);
    EXPECT_EQ(trace[0].curve, UIViewAnimationCurveEaseOut);
    EXPECT_EQ(trace[1].name, "outer");
    EXPECT_EQ(trace[2].duration, 0.1);
}

// A stray commit inside the block form's animations closes neither that
// animation nor a begin/commit block around it: each ends once, on time.
TEST_F(AnimationTest, AStrayCommitInsideTheBlockFormClosesNothing)
{
    std::vector<std::string> completions;
    animate("outer", 0.3, [&] {
        UIView::animateWithDuration(0.1, [&] {
            view->setAlpha(0.5);
            UIView::commitAnimations();
        }, [&](bool finished) { completions.push_back(finished ? "fade yes" : "fade no"); });
        other->setAlpha(0.5);
    });
    EXPECT_EQ(UIViewAnimator::runningCount(), 2u);

    clock.advance(0.2);
    EXPECT_EQ(completions, (std::vector<std::string> { "fade yes" }));
    EXPECT_TRUE(listener->stops.empty());
    clock.advance(0.2);
    EXPECT_EQ(listener->stops, (std::vector<std::string> { "outer finished" }));
    EXPECT_EQ(completions.size(), 1u);
    EXPECT_EQ(UIViewAnimator::runningCount(), 0u);
}

// Animations are traced only while a test asks for it, and only the last
// 10,000 are kept.
TEST(AnimationTrace, IsOffUnlessATestTurnsItOn)
{
    VirtualClock clock { 0.0 };
    auto animateOnce = [] {
        UIView::beginAnimations("step", nullptr);
        UIView::commitAnimations();
    };
    animateOnce();
    {
        ScopedAnimationTrace trace;
        EXPECT_TRUE(trace.entries().empty()) << "nothing from before";
        for (int i = 0; i < 10001; ++i)
            animateOnce();
        EXPECT_EQ(trace.entries().size(), 10000u);
    }
    animateOnce();
    ScopedAnimationTrace later;
    EXPECT_TRUE(later.entries().empty());
    clock.advance(100);
}

TEST_F(AnimationTest, SettingsOutsideAnyBlockDoNothing)
{
    UIView::setAnimationDuration(5);
    UIView::setAnimationDelegate(listener);
    UIView::commitAnimations();
    view->setAlpha(0.2);
    EXPECT_TRUE(traced.entries().empty());
    EXPECT_EQ(UIViewAnimator::runningCount(), 0u);
    // Durations that are negative or not numbers count as none.
    UIView::beginAnimations("odd", nullptr);
    UIView::setAnimationDuration(-1);
    UIView::setAnimationDelay(NAN);
    UIView::commitAnimations();
    EXPECT_EQ(traced.entries().front().duration, 0);
    EXPECT_EQ(traced.entries().front().delay, 0);
}
