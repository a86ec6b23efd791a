#include "EditorTestSupport.h"

#include "model/QVSettings.h"
#include "platform/UIKit/UIAlertView.h"

#include <cmath>

using namespace qv;
using namespace qv::editortest;

namespace {

// The editor's part between the grid and the icons: the grid's slots go to
// the icon manager, the grid moves the manager's icons and fills the grid
// through it.
class GridToIcons : public NSObject, public QVGridViewDelegate {
public:
    explicit GridToIcons(Ref<QVIconManager> manager) : m_manager(std::move(manager)) { }

    std::vector<Ref<QVIcon>> currentIconsForGridView(QVGridView*) override { return m_manager->icons(); }
    void gridViewDeleteAllIcons(QVGridView*, bool addOne) override { m_manager->deleteAllIcons(addOne); }
    void gridViewUpdateCurrentIconPositions(QVGridView*, const std::vector<CGPoint>& positions) override { m_manager->setIconGridPositions(positions); }
    void gridViewAddIconAtCenter(QVGridView*, CGPoint center, int32_t lockedIndex) override { m_manager->addIconAtCenter(center, lockedIndex); }
    CGSize defaultIconSizeForGridView(QVGridView*) override { return m_manager->defaultIconFrame().size; }
    bool isSelectingInGridView(QVGridView*) override { return m_manager->selecting(); }
    void gridViewTouchesBegan(QVGridView*, const UITouchSet&, UIEvent*) override { }
    void gridViewTouchesMoved(QVGridView*, const UITouchSet&, UIEvent*) override { }
    void gridViewTouchesEnded(QVGridView*, const UITouchSet&, UIEvent*) override { }
    void gridViewTouchesCancelled(QVGridView*, const UITouchSet&, UIEvent*) override { }
    void gridHeldInGridView(QVGridView*) override { }

private:
    Ref<QVIconManager> m_manager;
};

class GridAndIconsTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override
    {
        screen.markGridTutorialSeen();
        QVSettings::currentSettings()->setGridSize(CGSizeMake(4, 6));
        const CGSize size = GetParam().screen;
        grid = makeRef<QVGridView>(CGRectMake(0, 20, size.width, size.height - 20), screen.manager->iconBoundaries());
        grid->setDelegate(WeakPtr<QVGridViewDelegate>(bridge.ptr()));
        screen.mainView->insertSubviewBelowSubview(grid, screen.controls.ptr());
        grid->setShown(true);
        grid->toggleGrid(true, true);
        screen.advance(0.5);
    }

    IconScreen screen { GetParam() };
    Ref<GridToIcons> bridge = makeRef<GridToIcons>(screen.manager);
    RefPtr<QVGridView> grid;
};

} // namespace

// An icon dragged and dropped over the shown grid snaps to the nearest slot
// and is glued to it: moving the grid takes it along.
TEST_P(GridAndIconsTest, DropSnapsAndTheGridCarriesLockedIcons)
{
    Ref<QVIcon> icon = screen.manager->addIcon();
    screen.advance(0.5);
    const std::vector<CGPoint> slots = grid->gridIconPositions();
    ASSERT_EQ(slots.size(), 24u);
    ASSERT_EQ(screen.manager->iconGridPositions().size(), 24u);
    const CGPoint start = icon->center();
    ASSERT_TRUE(screen.down(start));
    ASSERT_TRUE(screen.move(CGPointMake(slots[9].x + 6, slots[9].y - 4)));
    ASSERT_TRUE(screen.up());
    EXPECT_EQ(icon->lockedIndex(), 9);
    EXPECT_EQ(icon->center(), CGPointMake(std::trunc(slots[9].x), std::trunc(slots[9].y)));
    screen.advance(0.5);

    const CGRect area = grid->frame();
    grid->gridBG()->setFrame(CGRectMake(0, 0, area.size.width / 2, area.size.height / 2));
    grid->updateGridLines();
    EXPECT_EQ(icon->center(), grid->gridIconPositions()[9]);
    EXPECT_EQ(icon->lockedIndex(), 9);

    // Unlocked, it stays where it is when the grid moves again.
    grid->unlockAllIcons();
    const CGPoint unlocked = icon->center();
    grid->resetGridPosition();
    EXPECT_EQ(icon->center(), unlocked);
}

// Fill Grid through the manager: the existing icons go, then one numbered
// icon per slot in slot order.
TEST_P(GridAndIconsTest, FillGridThroughTheManager)
{
    screen.manager->addIcons(3);
    grid->showFillGridOptions();
    ASSERT_TRUE(grid->fillGridAlert()->tapButtonWithTitle("Delete Existing Icons"));
    ASSERT_EQ(screen.manager->icons().size(), 24u);
    for (size_t slot = 0; slot < 24; ++slot) {
        Ref<QVIcon> icon = screen.manager->icons()[slot];
        EXPECT_EQ(icon->tag(), static_cast<int64_t>(slot + 1));
        EXPECT_EQ(icon->lockedIndex(), static_cast<int32_t>(slot));
        EXPECT_LE(std::fabs(icon->center().x - grid->gridIconPositions()[slot].x), 1);
    }
    grid->showFillGridOptions();
    ASSERT_TRUE(grid->fillGridAlert()->tapButtonWithTitle("Keep Existing Icons"));
    EXPECT_EQ(screen.manager->icons().size(), 48u);
    EXPECT_EQ(screen.manager->icons()[24]->lockedIndex(), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, GridAndIconsTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
