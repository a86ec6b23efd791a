#include "EditorTestSupport.h"

#include "editor/QVGridLineChangeView.h"
#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UINavigationItem.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVGridLineChangeViewTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override
    {
        screen.markGridTutorialSeen();
        screen.showGrid();
    }

    Ref<QVGridLineChangeView> openPanel()
    {
        screen.grid->showGridSizePopover();
        RefPtr<QVGridLineChangeView> panel = screen.grid->gridLineChangeView();
        EXPECT_TRUE(panel);
        return panel.toRef();
    }
    Ref<QVSettings> settings() const { return QVSettings::currentSettings(); }
    size_t slotCount() const { return screen.grid->gridManager()->iconPositions().size(); }

    GridScreen screen { GetParam(), CGSizeMake(5, 7) };
};

} // namespace

// The panel "Grid" of 200 x 195, with "Reset" on the right, the columns
// label and stepper at the top and the rows below, filled from the grid.
TEST_P(QVGridLineChangeViewTest, Controls)
{
    Ref<QVGridLineChangeView> panel = openPanel();
    EXPECT_EQ(panel->contentSize(), CGSizeMake(200, 195));
    EXPECT_EQ(panel->frame(), QVPopover::centredFrame(CGSizeMake(200, 195), screen.mainView));
    EXPECT_EQ(panel->superview().get(), screen.mainView.ptr());
    EXPECT_EQ(panel->navBar()->topItem()->title(), "Grid");
    ASSERT_TRUE(panel->navBar()->topItem()->rightBarButtonItem());
    EXPECT_EQ(panel->navBar()->topItem()->rightBarButtonItem()->title(), "Reset");
    EXPECT_EQ(panel->vertStepperLabel()->frame(), CGRectMake(0, 50, 200, 20));
    EXPECT_EQ(panel->vertStepper()->frame().origin, CGPointMake(52, 80));
    EXPECT_EQ(panel->horStepperLabel()->frame(), CGRectMake(0, 125, 200, 20));
    EXPECT_EQ(panel->horStepper()->frame().origin, CGPointMake(52, 155));
    EXPECT_EQ(panel->vertStepperLabel()->text(), "Columns (5)");
    EXPECT_EQ(panel->horStepperLabel()->text(), "Rows (7)");
    EXPECT_EQ(panel->vertStepper()->value(), 5);
    EXPECT_EQ(panel->horStepper()->value(), 7);
    for (const Ref<UIStepper>& stepper : { panel->vertStepper().toRef(), panel->horStepper().toRef() }) {
        EXPECT_EQ(stepper->minimumValue(), 2);
        EXPECT_EQ(stepper->maximumValue(), 100);
    }
}

// A press on a stepper stores the size, relabels and redraws the grid at
// once; the steppers stop at 2 and 100.
TEST_P(QVGridLineChangeViewTest, SteppersChangeTheGridAtOnce)
{
    Ref<QVGridLineChangeView> panel = openPanel();
    ASSERT_TRUE(panel->vertStepper()->pressPlus());
    EXPECT_EQ(settings()->gridSize(), CGSizeMake(6, 7));
    EXPECT_EQ(panel->vertStepperLabel()->text(), "Columns (6)");
    EXPECT_EQ(screen.lineCount(true), 5u);
    EXPECT_EQ(slotCount(), 42u);
    EXPECT_EQ(screen.owner->reportedSlots.size(), 42u);

    ASSERT_TRUE(panel->horStepper()->pressMinus());
    EXPECT_EQ(settings()->gridSize(), CGSizeMake(6, 6));
    EXPECT_EQ(panel->horStepperLabel()->text(), "Rows (6)");
    EXPECT_EQ(screen.lineCount(false), 5u);

    for (int press = 0; press < 10; ++press)
        panel->horStepper()->pressMinus();
    EXPECT_EQ(settings()->gridSize(), CGSizeMake(6, 2));
    panel->vertStepper()->setValue(99);
    panel->vertStepper()->pressPlus();
    panel->vertStepper()->pressPlus();
    EXPECT_EQ(settings()->gridSize(), CGSizeMake(100, 2));
    EXPECT_EQ(slotCount(), 200u);
}

// "Reset" gives the device's default grid, moves both steppers there,
// relabels them and redraws.
TEST_P(QVGridLineChangeViewTest, Reset)
{
    Ref<QVGridLineChangeView> panel = openPanel();
    panel->vertStepper()->pressPlus();
    ASSERT_TRUE(panel->navBar()->topItem()->rightBarButtonItem()->tap());
    const CGSize defaultGrid = QVDevice::currentDevice()->defaultNumberOfGridLines();
    EXPECT_EQ(settings()->gridSize(), defaultGrid);
    EXPECT_EQ(panel->vertStepper()->value(), defaultGrid.width);
    EXPECT_EQ(panel->horStepper()->value(), defaultGrid.height);
    EXPECT_EQ(panel->vertStepperLabel()->text(), "Columns (" + std::to_string(static_cast<int>(defaultGrid.width)) + ")");
    EXPECT_EQ(panel->horStepperLabel()->text(), "Rows (" + std::to_string(static_cast<int>(defaultGrid.height)) + ")");
    EXPECT_EQ(slotCount(), static_cast<size_t>(defaultGrid.width * defaultGrid.height));
}

// After a rotation the showing panel is centred over the turned view and
// pulls the stored size into its steppers and the grid.
TEST_P(QVGridLineChangeViewTest, UpdateAfterRotation)
{
    Ref<QVGridLineChangeView> panel = openPanel();
    const CGSize screenSize = GetParam().screen;
    screen.mainView->setFrame(CGRectMake(0, 0, screenSize.height, screenSize.width));
    settings()->setGridSize(CGSizeMake(9, 4));
    screen.grid->updateGridLineChangeView();
    EXPECT_EQ(panel->frame(), CGRectMake(screenSize.height / 2 - 100, screenSize.width / 2 - 97.5, 200, 195));
    EXPECT_EQ(panel->vertStepperLabel()->text(), "Columns (9)");
    EXPECT_EQ(panel->horStepperLabel()->text(), "Rows (4)");
    EXPECT_EQ(settings()->gridSize(), CGSizeMake(9, 4));
    EXPECT_EQ(slotCount(), 36u);

    // A closed panel is left alone.
    panel->dismiss();
    settings()->setGridSize(CGSizeMake(3, 3));
    screen.grid->updateGridLineChangeView();
    EXPECT_EQ(panel->vertStepperLabel()->text(), "Columns (9)");
}

// Opening the panel while one still shows closes that one first.
TEST_P(QVGridLineChangeViewTest, OnePanelAtATime)
{
    Ref<QVGridLineChangeView> first = openPanel();
    Ref<QVGridLineChangeView> second = openPanel();
    EXPECT_NE(first.ptr(), second.ptr());
    EXPECT_FALSE(first->isShowing());
    EXPECT_TRUE(second->isShowing());
    screen.advance(1);
    EXPECT_FALSE(first->superview());
    EXPECT_EQ(second->superview().get(), screen.mainView.ptr());
}

INSTANTIATE_TEST_SUITE_P(Devices, QVGridLineChangeViewTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
