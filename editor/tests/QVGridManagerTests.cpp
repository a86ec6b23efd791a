#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "editor/QVGridManager.h"
#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UIViewAnimator.h"

#include <cmath>
#include <limits>

using namespace qv;
using namespace qv::editortest;

namespace {

class QVGridManagerTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override { screen.markGridTutorialSeen(); }

    Ref<QVGridManager> manager() const { return screen.grid->gridManager(); }
    Ref<QVSettings> settings() const { return QVSettings::currentSettings(); }

    GridScreen screen { GetParam() };
};

void expectPoint(CGPoint actual, CGPoint expected, const std::string& what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4) << what;
}

// Lines are drawn at the counts 1, 2, ... below the number of cells (a
// fractional count of cells gets a line at each whole count).
size_t innerBorders(CGFloat cells)
{
    size_t lines = 0;
    for (int count = 1; count <= cells; ++count)
        lines += count < cells ? 1 : 0;
    return lines;
}

} // namespace

// Slot centres in row-major order, in the editor view's coordinates (the
// grid view's origin added), and one line per inner cell border.
TEST_P(QVGridManagerTest, SlotsAndLines)
{
    const CGRect area = screen.editingArea();
    struct Case {
        CGSize grid;
        CGRect rect;
    } cases[] = {
        { { 5, 5 }, { { 0, 0 }, area.size } },
        { { 8, 8 }, { { 0, 0 }, area.size } },
        { { 4, 6 }, { { 30, 40 }, { 200, 300 } } },
        { { 1, 1 }, { { 10, 10 }, { 100, 50 } } },
        { { 5.5, 3 }, { { 0, 0 }, { 110, 90 } } },
    };
    screen.showGrid();
    for (const Case& testCase : cases) {
        screen.grid->gridBG()->setFrame(testCase.rect);
        manager()->setNumberOfGridLines(testCase.grid);
        const int columns = static_cast<int>(testCase.grid.width);
        const int rows = static_cast<int>(testCase.grid.height);
        const std::vector<CGPoint>& slots = manager()->iconPositions();
        ASSERT_EQ(slots.size(), static_cast<size_t>(columns * rows));
        const CGFloat cellWidth = testCase.rect.size.width / testCase.grid.width;
        const CGFloat cellHeight = testCase.rect.size.height / testCase.grid.height;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const CGPoint expected = CGPointMake(testCase.rect.origin.x + cellWidth * (column + 0.5),
                    testCase.rect.origin.y + cellHeight * (row + 0.5) + area.origin.y);
                expectPoint(slots[row * columns + column], expected, "slot " + std::to_string(row * columns + column));
            }
        }
        EXPECT_EQ(screen.lineCount(true), innerBorders(testCase.grid.width));
        EXPECT_EQ(screen.lineCount(false), innerBorders(testCase.grid.height));
        EXPECT_EQ(screen.grid->gridIconPositions().size(), slots.size()) << "the grid view keeps the slots";
        EXPECT_EQ(screen.owner->reportedSlots.size(), slots.size()) << "and passes them on";
    }
}

// The phone's numbers: 5 x 5 over (0, 0, 320, 548) below the status bar
// gives cells of 64 x 109.6 and the lines at the inner borders.
TEST(QVGridManagerPhoneTest, FiveByFiveOnTheFourInchPhone)
{
    GridScreen screen(deviceCases[0]);
    screen.markGridTutorialSeen();
    screen.showGrid();
    const std::vector<CGPoint>& slots = screen.grid->gridManager()->iconPositions();
    ASSERT_EQ(slots.size(), 25u);
    expectPoint(slots[0], CGPointMake(32, 74.8), "slot 0");
    expectPoint(slots[6], CGPointMake(96, 184.4), "slot 6");
    expectPoint(slots[24], CGPointMake(288, 513.2), "slot 24");
    std::vector<CGFloat> horizontal;
    for (const Ref<UIView>& line : screen.grid->gridBG()->subviews()) {
        if (line->frame().size.height == 1)
            horizontal.push_back(line->frame().origin.y);
    }
    ASSERT_EQ(horizontal.size(), 4u);
    EXPECT_NEAR(horizontal[0], 109.6, 1e-4);
    EXPECT_NEAR(horizontal[3], 438.4, 1e-4);
}

// A slots-only update keeps the lines and rebuilds the slots.
TEST_P(QVGridManagerTest, MovingKeepsTheLines)
{
    screen.showGrid();
    std::vector<UIView*> before;
    for (const Ref<UIView>& line : screen.grid->gridBG()->subviews())
        before.push_back(line.ptr());
    CGRect rect = screen.grid->gridBG()->frame();
    rect.origin.x += 7;
    screen.grid->gridBG()->setFrame(rect);
    const CGPoint firstBefore = manager()->iconPositions()[0];
    manager()->gridMoved();
    std::vector<UIView*> after;
    for (const Ref<UIView>& line : screen.grid->gridBG()->subviews())
        after.push_back(line.ptr());
    EXPECT_EQ(before, after);
    expectPoint(manager()->iconPositions()[0], CGPointMake(firstBefore.x + 7, firstBefore.y), "slot 0");
}

// While the grid shows, each icon locked to a slot is centred on it, then
// kept at x 0...max width and y 20...max height; unlocked icons and icons
// locked to slots the grid no longer has stay put. While hidden no icon
// moves.
TEST_P(QVGridManagerTest, LockedIconsFollowTheGrid)
{
    ScopedAnimationTrace animations;
    const CGPoint farAway = CGPointMake(100000, 100000);
    Ref<QVIcon> locked = screen.owner->addIcon(CGPointMake(0, 300), 6, farAway);
    Ref<QVIcon> free = screen.owner->addIcon(CGPointMake(100, 300), -1, farAway);
    Ref<QVIcon> beyond = screen.owner->addIcon(CGPointMake(150, 300), 12, farAway);
    Ref<QVIcon> corner = screen.owner->addIcon(CGPointMake(200, 300), 0, farAway);

    screen.grid->gridBG()->setFrame(CGRectMake(0, 0, 300, 300));
    manager()->setNumberOfGridLines(CGSizeMake(3, 3));
    EXPECT_EQ(locked->frame().origin, CGPointMake(0, 300)) << "a hidden grid moves nothing";

    screen.showGrid();
    screen.grid->gridBG()->setFrame(CGRectMake(-40, -80, 300, 300));
    manager()->setMaxBoundaries(CGSizeMake(500, 150));
    manager()->setNumberOfGridLines(CGSizeMake(3, 3));
    // Slot 0 is at (10, -10 + 20) in the editor view: x -19.5 gives 0, y -20 gives 20.
    EXPECT_EQ(corner->frame().origin, CGPointMake(0, 20));
    // Slot 6 (row 3, column 1) is at (10, 190): y 160 is held at 150.
    EXPECT_EQ(locked->frame().origin, CGPointMake(0, 150));
    EXPECT_EQ(free->frame().origin, CGPointMake(100, 300));
    EXPECT_EQ(beyond->frame().origin, CGPointMake(150, 300));
    EXPECT_EQ(beyond->lockedIndex(), 12) << "the lock is kept for a larger grid";
    EXPECT_EQ(animations.entries().back().name, "Move Locked Icon With Grid");

    screen.grid->gridBG()->setFrame(CGRectMake(60, 0, 300, 300));
    manager()->setMaxBoundaries(CGSizeMake(500, 500));
    manager()->gridMoved();
    expectPoint(locked->center(), CGPointMake(110, 270), "locked icon on slot 6");
}

// The grid size goes through the settings: 0 or anything not finite gives
// the device's default, more than 100 is held at 100, 1 x 1 is kept.
TEST_P(QVGridManagerTest, UntrustedGridSizes)
{
    const CGSize defaultGrid = QVDevice::currentDevice()->defaultNumberOfGridLines();
    const CGFloat inf = std::numeric_limits<CGFloat>::infinity();
    const CGFloat nan = std::numeric_limits<CGFloat>::quiet_NaN();
    struct Case {
        CGSize requested;
        CGSize stored;
    } cases[] = {
        { { 0, 6 }, defaultGrid },
        { { inf, 6 }, defaultGrid },
        { { 4, nan }, defaultGrid },
        { { -3, -3 }, defaultGrid },
        { { 1e12, 7 }, { 100, 7 } },
        { { 3, 4e9 }, { 3, 100 } },
        { { 100, 100 }, { 100, 100 } },
        { { 1, 1 }, { 1, 1 } },
    };
    screen.showGrid();
    for (const Case& testCase : cases) {
        manager()->setNumberOfGridLines(testCase.requested);
        EXPECT_EQ(settings()->gridSize(), testCase.stored) << testCase.requested.width << " x " << testCase.requested.height;
        EXPECT_EQ(manager()->iconPositions().size(), static_cast<size_t>(testCase.stored.width * testCase.stored.height));
        EXPECT_EQ(screen.lineCount(true), static_cast<size_t>(testCase.stored.width - 1));
    }
    // A 1 x 1 grid has its one slot in the middle of the rectangle.
    manager()->setNumberOfGridLines(CGSizeMake(1, 1));
    const CGRect rect = screen.grid->gridBG()->frame();
    expectPoint(manager()->iconPositions()[0], CGPointMake(CGRectGetMidX(rect), CGRectGetMidY(rect) + 20), "the one slot");
}

INSTANTIATE_TEST_SUITE_P(Devices, QVGridManagerTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
