#include "UIKitTestSupport.h"

#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qv;
using qv::uikittest::RecordingView;

namespace {

class TouchTest : public ::testing::Test {
protected:
    UITouchDriver& driver = UITouchDriver::shared();
    VirtualClock clock { 1000.0 };
    std::vector<std::string> log;
    Ref<UIWindow> window = qv::uikittest::makeWindow();
    Ref<RecordingView> left = makeRef<RecordingView>("left", CGRectMake(0, 0, 100, 100), log);
    Ref<RecordingView> right = makeRef<RecordingView>("right", CGRectMake(200, 0, 100, 100), log);

    void SetUp() override
    {
        window->addSubview(left);
        window->addSubview(right);
    }
    void TearDown() override { driver.cancelAllTouches(); }
};

} // namespace

TEST_F(TouchTest, ATouchStaysWithTheViewItBeganIn)
{
    ASSERT_TRUE(driver.touchDown(window, CGPointMake(10, 20)));
    Ref<UITouch> touch = left->lastTouches.front();
    EXPECT_EQ(touch->phase(), UITouchPhaseBegan);
    EXPECT_EQ(touch->view().get(), static_cast<UIView*>(left.ptr()));
    EXPECT_EQ(touch->window().get(), window.ptr());
    EXPECT_EQ(touch->timestamp(), 1000.0);

    clock.advance(0.1);
    ASSERT_TRUE(driver.touchMove(CGPointMake(250, 30))); // over the right view now
    EXPECT_EQ(touch->phase(), UITouchPhaseMoved);
    EXPECT_EQ(touch->locationInView(left.ptr()), CGPointMake(250, 30));
    EXPECT_EQ(touch->locationInView(right.ptr()), CGPointMake(50, 30));
    EXPECT_EQ(touch->previousLocationInView(nullptr), CGPointMake(10, 20));
    EXPECT_DOUBLE_EQ(touch->timestamp(), 1000.1);

    ASSERT_TRUE(driver.touchUp());
    EXPECT_EQ(touch->phase(), UITouchPhaseEnded);
    EXPECT_EQ(log, (std::vector<std::string> { "left began 1", "left moved 1", "left ended 1" }));
    EXPECT_FALSE(driver.hasTouchesInProgress());
}

TEST_F(TouchTest, AViewRemovedDuringATouchStillHearsItsEnd)
{
    driver.touchDown(window, CGPointMake(10, 10));
    left->removeFromSuperview();
    driver.touchUp();
    EXPECT_EQ(log, (std::vector<std::string> { "left began 1", "left ended 1" }));
}

TEST_F(TouchTest, SeveralFingersOneEventInTheOrderTheyWentDown)
{
    left->setMultipleTouchEnabled(true);
    ASSERT_TRUE(driver.fingersDown(window, { { 7, CGPointMake(10, 10) }, { 3, CGPointMake(210, 10) }, { 5, CGPointMake(20, 20) } }));
    EXPECT_EQ(log, (std::vector<std::string> { "left began 2", "right began 1" }));
    RefPtr<UIEvent> event = left->lastEvent;
    ASSERT_TRUE(event);
    UITouchSet all = event->allTouches();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->locationInView(nullptr), CGPointMake(10, 10));
    EXPECT_EQ(all[1]->locationInView(nullptr), CGPointMake(210, 10));
    EXPECT_EQ(all[2]->locationInView(nullptr), CGPointMake(20, 20));
    EXPECT_EQ(event->touchesForView(left.ptr()).size(), 2u);
    EXPECT_EQ(event->touchesForWindow(window.ptr()).size(), 3u);

    // Moving one finger delivers only it; the event still holds all three.
    log.clear();
    ASSERT_TRUE(driver.fingersMove({ { 5, CGPointMake(30, 30) } }));
    EXPECT_EQ(log, (std::vector<std::string> { "left moved 1" }));
    all = left->lastEvent->allTouches();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->phase(), UITouchPhaseStationary);
    EXPECT_EQ(all[2]->phase(), UITouchPhaseMoved);

    // Lifting two: the ending event still counts them; the next does not.
    log.clear();
    ASSERT_TRUE(driver.fingersUp({ 7, 3 }));
    EXPECT_EQ(log, (std::vector<std::string> { "left ended 1", "right ended 1" }));
    EXPECT_EQ(right->lastEvent->allTouches().size(), 3u);
    driver.touchMove(CGPointMake(40, 40), 5);
    EXPECT_EQ(left->lastEvent->allTouches().size(), 1u);
}

// A finger that stood still while another went down takes the time of its
// own move and lift, not the time it was last passed over.
TEST_F(TouchTest, AFingerThatStoodStillTakesTheTimeOfItsOwnMoveAndLift)
{
    left->setMultipleTouchEnabled(true);
    ASSERT_TRUE(driver.touchDown(window, CGPointMake(10, 10), 1));
    Ref<UITouch> first = left->lastTouches.front();
    clock.advance(0.1);
    ASSERT_TRUE(driver.touchDown(window, CGPointMake(50, 50), 2));
    EXPECT_EQ(first->phase(), UITouchPhaseStationary);
    clock.advance(0.4);
    ASSERT_TRUE(driver.touchMove(CGPointMake(20, 20), 1));
    EXPECT_EQ(first->phase(), UITouchPhaseMoved);
    EXPECT_DOUBLE_EQ(first->timestamp(), 1000.5);
    clock.advance(0.2);
    ASSERT_TRUE(driver.touchMove(CGPointMake(60, 60), 2));
    clock.advance(0.2);
    ASSERT_TRUE(driver.touchUp(1));
    EXPECT_EQ(first->phase(), UITouchPhaseEnded);
    EXPECT_DOUBLE_EQ(first->timestamp(), 1000.9);
}

TEST_F(TouchTest, AViewWithoutMultipleTouchGetsOnlyItsFirstFinger)
{
    driver.touchDown(window, CGPointMake(10, 10), 1);
    driver.touchDown(window, CGPointMake(50, 50), 2);
    driver.touchMove(CGPointMake(60, 60), 2);
    driver.touchUp(2);
    driver.touchUp(1);
    EXPECT_EQ(log, (std::vector<std::string> { "left began 1", "left ended 1" }));
    EXPECT_EQ(left->lastEvent->allTouches().size(), 1u);
}

TEST_F(TouchTest, TapCountGrowsForQuickTapsNearEachOther)
{
    struct Step {
        double after;
        CGPoint point;
        uint64_t tapCount;
    };
    const Step steps[] = {
        { 0, CGPointMake(50, 50), 1 },
        { 0.2, CGPointMake(60, 55), 2 },
        { 0.3, CGPointMake(50, 50), 3 },
        { 0.5, CGPointMake(50, 50), 1 },   // too late
        { 0.1, CGPointMake(95, 95), 1 },   // too far
        { 0.1, CGPointMake(95, 95), 2 },
    };
    for (const Step& step : steps) {
        clock.advance(step.after);
        driver.tap(window, step.point);
        EXPECT_EQ(left->lastTouches.front()->tapCount(), step.tapCount);
    }
}

TEST_F(TouchTest, CancellingEndsEveryTouchAsCancelled)
{
    driver.fingersDown(window, { { 1, CGPointMake(10, 10) }, { 2, CGPointMake(210, 10) } });
    log.clear();
    driver.cancelAllTouches();
    EXPECT_EQ(log, (std::vector<std::string> { "left cancelled 1", "right cancelled 1" }));
    EXPECT_EQ(left->lastTouches.front()->phase(), UITouchPhaseCancelled);
    EXPECT_FALSE(driver.hasTouchesInProgress());
    // The fingers are gone: lifting them is refused.
    LogCapture capture;
    EXPECT_FALSE(driver.touchUp(1));
}

TEST_F(TouchTest, BadFingersAreRefusedAndChangeNothing)
{
    LogCapture capture;
    EXPECT_TRUE(driver.touchDown(window, CGPointMake(10, 10), 1));
    EXPECT_FALSE(driver.touchDown(window, CGPointMake(20, 20), 1));          // already down
    EXPECT_FALSE(driver.fingersDown(window, { { 2, CGPointMake(1, 1) }, { 2, CGPointMake(2, 2) } }));
    EXPECT_FALSE(driver.touchMove(CGPointMake(20, 20), 9));                  // not down
    EXPECT_FALSE(driver.touchMove(CGPointMake(NAN, 20), 1));
    EXPECT_FALSE(driver.touchUp(9));
    EXPECT_FALSE(driver.fingersUp({}));
    EXPECT_EQ(capture.lines().size(), 6u);
    EXPECT_EQ(log, (std::vector<std::string> { "left began 1" }));
    EXPECT_EQ(driver.touchesInProgress().size(), 1u);
}

TEST_F(TouchTest, AFingerOnNothingGoesNowhereButCanBeLifted)
{
    window->setUserInteractionEnabled(false);
    EXPECT_TRUE(driver.touchDown(window, CGPointMake(10, 10), 4));
    EXPECT_FALSE(driver.hasTouchesInProgress());
    EXPECT_TRUE(driver.touchMove(CGPointMake(20, 20), 4));
    EXPECT_TRUE(driver.touchUp(4));
    EXPECT_TRUE(log.empty());
}

TEST_F(TouchTest, TapViewGoesThroughTheWindowOrStraightToALooseView)
{
    // Covered by another view, the tap reaches the one on top.
    Ref<RecordingView> cover = makeRef<RecordingView>("cover", CGRectMake(0, 0, 50, 50), log);
    window->addSubview(cover);
    EXPECT_TRUE(driver.tapView(left, CGPointMake(10, 10)));
    EXPECT_TRUE(driver.tapView(left, CGPointMake(80, 80)));
    EXPECT_EQ(log, (std::vector<std::string> { "cover began 1", "cover ended 1", "left began 1", "left ended 1" }));
    EXPECT_EQ(left->lastTouches.front()->locationInView(left.ptr()), CGPointMake(80, 80));

    log.clear();
    Ref<RecordingView> loose = makeRef<RecordingView>("loose", CGRectMake(500, 500, 40, 40), log);
    EXPECT_TRUE(driver.tapView(loose));
    EXPECT_EQ(log, (std::vector<std::string> { "loose began 1", "loose ended 1" }));
    EXPECT_EQ(loose->lastTouches.front()->locationInView(loose.ptr()), CGPointMake(20, 20));
    EXPECT_FALSE(loose->lastTouches.front()->window());
    // A touch retains its view, and so does the event: let them go.
    loose->lastTouches.clear();
    loose->lastEvent = nullptr;
}
