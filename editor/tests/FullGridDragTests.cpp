#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "editor/QVGridManager.h"
#include "platform/UIKit/UIViewAnimator.h"

#include <algorithm>
#include <sstream>

using namespace qv;
using namespace qv::editortest;

namespace {

// Where the grid manager puts an icon locked to a slot: centred on it, its
// origin kept within x 0...max width and y 20...max height.
CGPoint lockedOrigin(CGPoint slot, CGSize iconSize, CGSize maxBoundaries)
{
    CGPoint origin = CGPointMake(slot.x - iconSize.width / 2, slot.y - iconSize.height / 2);
    origin.x = std::clamp<CGFloat>(origin.x, 0, maxBoundaries.width);
    origin.y = std::min<CGFloat>(std::max<CGFloat>(origin.y, QVGridManager::minimumLockedIconY), maxBoundaries.height);
    return origin;
}

// The icons not where their slot puts them, by number.
std::string strayIcons(const std::vector<Ref<QVIcon>>& icons, const std::vector<CGPoint>& slots, CGSize maxBoundaries)
{
    std::ostringstream stray;
    for (const Ref<QVIcon>& icon : icons) {
        const int32_t slot = icon->lockedIndex();
        if (slot < 0)
            continue;
        const CGPoint expected = lockedOrigin(slots.at(static_cast<size_t>(slot)), icon->frame().size, maxBoundaries);
        const CGPoint origin = icon->frame().origin;
        if (std::abs(origin.x - expected.x) > 1e-3 || std::abs(origin.y - expected.y) > 1e-3)
            stray << " " << icon->tag() << " (slot " << slot << ")";
    }
    return stray.str();
}

size_t animationsNamed(const ScopedAnimationTrace& trace, const std::string& name)
{
    const std::vector<UIViewAnimationTraceEntry> entries = trace.entries();
    return static_cast<size_t>(std::count_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.name == name; }));
}

class FullGridDragTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    ApplicationScreen app { GetParam() };
    ScopedAnimationTrace animations;
};

} // namespace

// A full grid over part of the screen (Fill Grid, keeping the one icon
// there was), with the icons' touches ignored, dragged by one finger: at
// every move each filled icon sits on its own slot, the icon that was there
// before stays put, and one animation moves them all, ending once.
TEST_P(FullGridDragTest, EveryLockedIconFollowsEachMove)
{
    ASSERT_TRUE(app.tapButton("Grid"));
    ASSERT_TRUE(app.tapSheetButton("Show Grid"));
    app.advance(0.5);
    Ref<QVGridView> grid = app.grid();
    const CGRect area = grid->frame();
    grid->gridBG()->setFrame(CGRectMake(0, 0, area.size.width / 2, area.size.height / 2));
    grid->gridManager()->setNumberOfGridLines(CGSizeMake(16, 12));
    ASSERT_TRUE(app.tapButton("Grid"));
    ASSERT_TRUE(app.tapSheetButton("Fill Grid"));
    ASSERT_TRUE(app.tapSheetButton("Keep Existing Icons"));
    ASSERT_TRUE(app.tapButton("Grid"));
    ASSERT_TRUE(app.tapSheetButton("Ignore Icon Touches"));
    app.advance(0.5);

    const std::vector<Ref<QVIcon>> icons = app.icons()->icons();
    ASSERT_EQ(icons.size(), 1u + 16 * 12);
    Ref<QVIcon> unlocked = icons[0];
    ASSERT_EQ(unlocked->lockedIndex(), -1);
    const CGRect unlockedFrame = unlocked->frame();
    const CGSize maxBoundaries = grid->gridManager()->maxBoundaries();
    const size_t runningBefore = UIViewAnimator::runningCount();

    // The finger goes down in the middle of the rectangle (the grid view
    // lies below the status bar) and moves right and down, then back.
    const CGRect rect = grid->gridBG()->frame();
    const CGPoint start = CGPointMake(area.origin.x + CGRectGetMidX(rect), area.origin.y + CGRectGetMidY(rect));
    ASSERT_TRUE(app.down(start));
    const CGPoint steps[] = { { 7, 9 }, { 40, 31 }, { 13, 2 }, { -5, -8 } };
    for (const CGPoint& step : steps) {
        SCOPED_TRACE("move by " + std::to_string(step.x) + ", " + std::to_string(step.y));
        animations.clear();
        const CGPoint slot0Before = grid->gridIconPositions().at(0);
        ASSERT_TRUE(app.move(CGPointMake(start.x + step.x, start.y + step.y)));
        EXPECT_NE(grid->gridIconPositions().at(0), slot0Before) << "the grid moved";
        EXPECT_EQ(strayIcons(icons, grid->gridIconPositions(), maxBoundaries), "");
        EXPECT_EQ(unlocked->frame(), unlockedFrame);
        EXPECT_EQ(animationsNamed(animations, QVGridManager::lockedIconAnimationName), 1u);
    }
    ASSERT_TRUE(app.up());
    EXPECT_EQ(UIViewAnimator::runningCount(), runningBefore + std::size(steps));
    app.advance(0.5);
    EXPECT_EQ(UIViewAnimator::runningCount(), runningBefore);
}

INSTANTIATE_TEST_SUITE_P(Devices, FullGridDragTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
