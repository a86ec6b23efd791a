#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "model/QVSettings.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIViewAnimator.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVGridViewTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override
    {
        screen.markGridTutorialSeen();
        screen.showGrid();
        area = screen.grid->frame().size;
    }

    // Touches at points of the grid view's coordinates.
    CGPoint inWindow(CGPoint point) const { return CGPointMake(point.x, point.y + 20); }
    bool down(CGPoint point, int finger = 1) { return touches().touchDown(screen.window, inWindow(point), finger); }
    bool move(CGPoint point, int finger = 1) { return touches().touchMove(inWindow(point), finger); }
    bool up(int finger = 1) { return touches().touchUp(finger); }
    static UITouchDriver& touches() { return UITouchDriver::shared(); }

    void setRect(CGRect rect) { screen.grid->gridBG()->setFrame(rect); }
    CGRect rect() const { return screen.grid->gridBG()->frame(); }

    GridScreen screen { GetParam() };
    CGSize area;
};

} // namespace

// Shown, the grid view takes its frame and the rectangle covers it; the
// slots are worked out with the real frame and dropped icons snap.
TEST_P(QVGridViewTest, ShowAndHide)
{
    ScopedAnimationTrace animations;
    EXPECT_EQ(screen.grid->frame(), screen.editingArea());
    EXPECT_EQ(rect(), CGRectMake(0, 0, area.width, area.height));
    EXPECT_FALSE(screen.grid->gridBG()->hidden());
    EXPECT_EQ(screen.grid->gridBG()->alpha(), 0.6);
    EXPECT_TRUE(QVSettings::currentSettings()->snapToGrid());
    EXPECT_NEAR(screen.grid->gridIconPositions()[0].y, 20 + area.height / 10, 1e-4);

    screen.grid->setShown(false);
    screen.grid->toggleGrid(false, false);
    EXPECT_EQ(screen.grid->gridBG()->alpha(), 0);
    EXPECT_EQ(screen.grid->frame(), screen.editingArea()) << "the view shrinks only when the fade ends";
    screen.advance(0.3);
    EXPECT_EQ(screen.grid->frame(), CGRectZero);
    EXPECT_TRUE(screen.grid->gridBG()->hidden());
    EXPECT_FALSE(QVSettings::currentSettings()->snapToGrid());

    // Shown again without a reset, the rectangle is where it was left.
    setRect(CGRectMake(10, 10, 100, 100));
    screen.grid->setShown(true);
    screen.grid->toggleGrid(true, false);
    screen.advance(0.3);
    EXPECT_EQ(rect(), CGRectMake(10, 10, 100, 100));
    screen.grid->resetGridPosition();
    EXPECT_EQ(rect(), CGRectMake(0, 0, area.width, area.height));
    EXPECT_EQ(animations.entries().back().name, "Reset Grid Position");
}

// One finger drags the rectangle in whole points, kept inside the view on
// every side.
TEST_P(QVGridViewTest, DragWithClamps)
{
    setRect(CGRectMake(50.6, 50, 100, 100));
    ASSERT_TRUE(down(CGPointMake(61, 60)));
    EXPECT_TRUE(screen.grid->dragging());
    struct Case {
        CGPoint finger;
        CGPoint origin;
    } cases[] = {
        { { 100.7, 70.9 }, { 90, 60 } },
        { { 5, 5 }, { 0, 0 } },
        { { area.width + 50, area.height + 50 }, { area.width - 100, area.height - 100 } },
        { { 200, 5 }, { 190, 0 } },
    };
    for (const Case& testCase : cases) {
        ASSERT_TRUE(move(testCase.finger));
        EXPECT_EQ(rect(), CGRectMake(testCase.origin.x, testCase.origin.y, 100, 100)) << testCase.finger.x << "," << testCase.finger.y;
    }
    ASSERT_TRUE(up());
    EXPECT_FALSE(screen.grid->dragging());
    EXPECT_NEAR(screen.grid->gridIconPositions()[0].x, 190 + 10, 1e-4) << "the slots moved with the rectangle";
}

// Two fingers resize by the change of their spread, the rectangle kept
// within the view.
TEST_P(QVGridViewTest, ResizeWithTwoFingers)
{
    setRect(CGRectMake(50, 50, 200, 200));
    ASSERT_TRUE(touches().fingersDown(screen.window, { { 1, inWindow(CGPointMake(60, 60)) }, { 2, inWindow(CGPointMake(120, 100)) } }));
    EXPECT_TRUE(screen.grid->resizing());
    ASSERT_TRUE(move(CGPointMake(150, 100), 2));
    EXPECT_EQ(rect(), CGRectMake(50, 50, 230, 200)) << "30 points further apart, 30 points wider";
    ASSERT_TRUE(move(CGPointMake(150, 130), 2));
    EXPECT_EQ(rect(), CGRectMake(50, 50, 230, 230));
    ASSERT_TRUE(move(CGPointMake(60 + 3 * area.width, 130), 2));
    EXPECT_EQ(rect().size.width, area.width) << "never wider than the view";
    EXPECT_EQ(rect().origin.x, 0);
    ASSERT_TRUE(move(CGPointMake(60, 130), 2));
    EXPECT_EQ(rect().size.width, 0) << "never narrower than nothing";
    ASSERT_TRUE(touches().fingersUp({ 1, 2 }));
    EXPECT_FALSE(screen.grid->resizing());
    EXPECT_FALSE(screen.grid->dragging());
}

// A drag that turned into a resize goes on with the finger left when the
// other lifts, from where it is.
TEST_P(QVGridViewTest, LiftingOneOfTwoFingersContinuesTheDrag)
{
    setRect(CGRectMake(50, 50, 200, 200));
    ASSERT_TRUE(down(CGPointMake(100, 100), 1));
    ASSERT_TRUE(touches().touchDown(screen.window, inWindow(CGPointMake(200, 200)), 2));
    ASSERT_TRUE(move(CGPointMake(220, 200), 2));
    const CGRect resized = rect();
    ASSERT_TRUE(up(2));
    EXPECT_FALSE(screen.grid->resizing());
    EXPECT_TRUE(screen.grid->dragging());
    ASSERT_TRUE(move(CGPointMake(110, 105), 1));
    EXPECT_EQ(rect(), CGRectMake(resized.origin.x + 10, resized.origin.y + 5, resized.size.width, resized.size.height));
    ASSERT_TRUE(up(1));
}

// Two fingers lifting together leave no drag behind, and a new single touch
// outside the rectangle moves nothing.
TEST_P(QVGridViewTest, NoDragFromAStalePoint)
{
    setRect(CGRectMake(50, 50, 200, 200));
    ASSERT_TRUE(down(CGPointMake(100, 100), 1));
    ASSERT_TRUE(touches().touchDown(screen.window, inWindow(CGPointMake(200, 200)), 2));
    ASSERT_TRUE(touches().fingersUp({ 1, 2 }));
    ASSERT_TRUE(down(CGPointMake(300, 400), 3));
    EXPECT_FALSE(screen.grid->dragging());
    ASSERT_TRUE(move(CGPointMake(310, 420), 3));
    EXPECT_EQ(rect(), CGRectMake(50, 50, 200, 200));
    ASSERT_TRUE(up(3));
}

// Half a second of rest reports a hold, also outside the rectangle (which
// neither drags nor resizes); any movement before that cancels it.
TEST_P(QVGridViewTest, Hold)
{
    setRect(CGRectMake(50, 50, 100, 100));
    ASSERT_TRUE(down(CGPointMake(300, 400)));
    EXPECT_FALSE(screen.grid->dragging());
    screen.advance(0.4);
    EXPECT_EQ(screen.owner->heldCount, 0);
    screen.advance(0.2);
    EXPECT_EQ(screen.owner->heldCount, 1);
    ASSERT_TRUE(up());
    EXPECT_EQ(rect(), CGRectMake(50, 50, 100, 100));

    ASSERT_TRUE(down(CGPointMake(60, 60)));
    screen.advance(0.3);
    ASSERT_TRUE(move(CGPointMake(61, 60)));
    screen.advance(1);
    ASSERT_TRUE(up());
    EXPECT_EQ(screen.owner->heldCount, 1);

    ASSERT_TRUE(down(CGPointMake(60, 60)));
    ASSERT_TRUE(up());
    screen.advance(1);
    EXPECT_EQ(screen.owner->heldCount, 1) << "a tap holds nothing";
}

// While the editor selects icons, every touch goes to it and the grid
// neither moves nor holds.
TEST_P(QVGridViewTest, SelectingHandsTouchesOn)
{
    setRect(CGRectMake(50, 50, 100, 100));
    screen.owner->selecting = true;
    ASSERT_TRUE(down(CGPointMake(60, 60)));
    ASSERT_TRUE(move(CGPointMake(90, 90)));
    screen.advance(1);
    ASSERT_TRUE(up());
    EXPECT_EQ(screen.owner->calls, (std::vector<std::string> { "began 1", "moved 1", "ended 1" }));
    EXPECT_EQ(rect(), CGRectMake(50, 50, 100, 100));
    EXPECT_EQ(screen.owner->heldCount, 0);
}

// While the grid size panel shows, the first touch on the grid only closes
// it.
TEST_P(QVGridViewTest, TouchClosesTheGridSizePanel)
{
    setRect(CGRectMake(0, 0, 100, 100));
    screen.grid->showGridSizePopover();
    RefPtr<QVGridLineChangeView> panel = screen.grid->gridLineChangeView();
    ASSERT_TRUE(panel && panel->isShowing());
    ASSERT_TRUE(down(CGPointMake(20, 20)));
    EXPECT_FALSE(panel->isShowing());
    EXPECT_FALSE(screen.grid->dragging());
    ASSERT_TRUE(move(CGPointMake(40, 40)));
    screen.advance(1);
    ASSERT_TRUE(up());
    EXPECT_EQ(rect(), CGRectMake(0, 0, 100, 100));
    EXPECT_EQ(screen.owner->heldCount, 0);
    EXPECT_FALSE(panel->superview());
}

// Unlocking sets every icon free.
TEST_P(QVGridViewTest, UnlockAllIcons)
{
    screen.owner->addIcon(CGPointMake(0, 40), 3, CGPointMake(1000, 1000));
    screen.owner->addIcon(CGPointMake(0, 40), 0, CGPointMake(1000, 1000));
    screen.grid->unlockAllIcons();
    for (const Ref<QVIcon>& icon : screen.owner->icons)
        EXPECT_EQ(icon->lockedIndex(), -1);
}

INSTANTIATE_TEST_SUITE_P(Devices, QVGridViewTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
