#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UIViewAnimator.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVLayoutMakerTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    bool pad() const { return std::string(GetParam().profile) == "ipad"; }
    CGSize screenSize() const { return GetParam().screen; }
    CGSize iconSize() const { return pad() ? CGSizeMake(79, 80) : CGSizeMake(59, 60); }
    // A free point of the canvas, away from the icons and buttons.
    CGPoint emptyPoint() const { return CGPointMake(screenSize().width - 40, screenSize().height / 2 + 50); }

    ApplicationScreen app { GetParam() };
    ScopedAnimationTrace animations;
};

struct Geometry {
    CGRect gridFrame;
    CGRect defaultIconFrame;
    CGPoint maxIconPoint;
};

// The editor's geometry for a view of W x H: the grid below the status bar
// and above the dock, the new icon centred at the top, the largest origin.
Geometry geometryFor(CGSize view, CGSize icon)
{
    return {
        CGRectMake(0, 20, view.width, (view.height - 44) - (icon.height - 40)),
        CGRectMake(view.width / 2 - icon.width / 2, 30, icon.width, icon.height),
        CGPointMake(view.width - icon.width, (view.height - 44) - icon.height),
    };
}

} // namespace

// The screen as it loads: its size, the derived geometry, one icon at the
// default frame, the buttons in their places and "Done" invisible; the
// same after turning to landscape and back.
TEST_P(QVLayoutMakerTest, ScreenGeometry)
{
    for (UIInterfaceOrientation orientation : { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeLeft, UIInterfaceOrientationPortrait }) {
        if (orientation != UIInterfaceOrientationPortrait || app.editor->lastOrientation() != UIInterfaceOrientationPortrait) {
            ASSERT_TRUE(app.rotate(orientation));
        }
        const bool portrait = orientation == UIInterfaceOrientationPortrait;
        const CGSize view = portrait ? screenSize() : CGSizeMake(screenSize().height, screenSize().width);
        SCOPED_TRACE(portrait ? "portrait" : "landscape");
        EXPECT_EQ(app.editor->view()->frame(), CGRectMake(0, 0, view.width, view.height));
        const Geometry expected = geometryFor(view, iconSize());
        EXPECT_EQ(app.editor->gridFrame(), expected.gridFrame);
        EXPECT_EQ(app.editor->defaultIconFrame(), expected.defaultIconFrame);
        EXPECT_EQ(app.editor->maxIconPoint(), expected.maxIconPoint);
        EXPECT_EQ(app.editor->gridView()->frame(), CGRectZero) << "the hidden grid takes no room";
        EXPECT_EQ(app.editor->gridView()->gridFrame(), expected.gridFrame);
        ASSERT_EQ(app.icons()->icons().size(), 1u);
        EXPECT_EQ(app.icons()->icons()[0]->frame(), expected.defaultIconFrame);
        EXPECT_EQ(app.editor->doneSelectingButton()->alpha(), 0);
        EXPECT_EQ(app.editor->doneSelectingButton()->frame(), CGRectMake(view.width / 2 - 20, 20, 50, 24));
        EXPECT_EQ(app.editor->optionButton()->frame(), pad() ? CGRectMake(20, 20, 74, 26) : CGRectMake(10, 20, 64, 24));
        EXPECT_EQ(app.editor->addIconButton()->frame(), CGRectMake(view.width - 32, 20, 22, 22));
        EXPECT_EQ(app.editor->saveButton()->frame(), CGRectMake(10, view.height - 84, 50, 24));
        EXPECT_EQ(app.editor->gridButton()->frame(), CGRectMake(view.width / 2 - 20, view.height - 84, 50, 24));
        EXPECT_EQ(app.editor->imageButton()->frame(), CGRectMake(view.width - 70, view.height - 84, 60, 24));
        EXPECT_EQ(app.editor->saveButton()->titleLabel()->font()->pointSize(), pad() ? 18 : 14);
    }
}

// A quick tap on "+" adds one icon; holding it half a second asks for an
// amount, which adds or deletes icons from the end; the field takes 0 to
// 999 only.
TEST_P(QVLayoutMakerTest, AddButtonAndIconAmount)
{
    ASSERT_TRUE(app.tapButton("+"));
    EXPECT_EQ(app.icons()->icons().size(), 2u);
    app.icons()->addIcons(3);

    struct Case {
        const char* amount;
        size_t icons;
    } cases[] = { { "8", 8 }, { "2", 2 }, { "0", 2 }, { "2", 2 }, { "5", 5 } };
    for (const Case& testCase : cases) {
        ASSERT_TRUE(app.down(app.editor->addIconButton()->center()));
        app.advance(0.6);
        // The alert coming up cancels the touch.
        EXPECT_FALSE(app.up());
        RefPtr<UIAlertView> alert = app.editor->lastAlert();
        ASSERT_TRUE(alert && alert->visible());
        EXPECT_EQ(alert->title(), "Set Icon Amount");
        EXPECT_EQ(alert->message(), "How many Icons do you want on the screen?");
        RefPtr<UITextField> field = alert->textFieldAtIndex(0);
        EXPECT_EQ(field->placeholder(), "Icon Amount");
        EXPECT_TRUE(field->typeText(testCase.amount));
        ASSERT_TRUE(app.tapSheetButton("Set"));
        EXPECT_EQ(app.icons()->icons().size(), testCase.icons) << testCase.amount;
    }
    std::vector<int64_t> ids;
    for (const Ref<QVIcon>& icon : app.icons()->icons())
        ids.push_back(icon->tag());
    EXPECT_EQ(ids, (std::vector<int64_t> { 1, 2, 3, 4, 5 }));

    app.editor->showAddIconAmountAlert();
    RefPtr<UITextField> field = app.editor->lastAlert()->textFieldAtIndex(0);
    EXPECT_TRUE(field->typeText("999"));
    EXPECT_FALSE(field->typeText("9"));
    EXPECT_FALSE(field->replaceRange(NSMakeRange(0, 0), "1"));
    EXPECT_TRUE(field->deleteBackward());
    EXPECT_EQ(field->text(), "99");
    EXPECT_FALSE(app.editor->textFieldShouldReturn(field.get()));
    EXPECT_EQ(app.icons()->icons().size(), 5u) << "Return only hides the keyboard";
}

// Half a second on the empty canvas opens the quick actions; moving or
// lifting earlier opens nothing; with a position panel open the first
// touch only closes it.
TEST_P(QVLayoutMakerTest, QuickActions)
{
    ASSERT_TRUE(app.down(emptyPoint()));
    app.advance(0.6);
    EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Delete All Icons", "Hide Buttons", "Start Selecting Icons", "Cancel" }));
    ASSERT_TRUE(app.tapSheetButton("Hide Buttons"));
    EXPECT_TRUE(app.editor->buttonsHidden());
    EXPECT_EQ(app.editor->optionButton()->frame().origin.y, 20 - 52);
    EXPECT_EQ(app.editor->addIconButton()->frame().origin.y, 20 - 52);
    EXPECT_EQ(app.editor->doneSelectingButton()->frame().origin.y, 20 - 52);
    EXPECT_EQ(app.editor->saveButton()->frame().origin.y, screenSize().height - 84) << "the bottom row stays";
    EXPECT_EQ(animations.entries().back().name, "Toggle Buttons Hidden");

    ASSERT_TRUE(app.down(emptyPoint()));
    app.advance(0.3);
    ASSERT_TRUE(app.move(CGPointMake(emptyPoint().x, emptyPoint().y + 1)));
    app.advance(1);
    ASSERT_TRUE(app.up());
    EXPECT_TRUE(UIModalView::visibleModalViews().empty()) << "a move cancels the hold";

    app.editor->touchHeld();
    EXPECT_EQ(app.topModalButtons()[1], "Show Buttons");
    ASSERT_TRUE(app.tapSheetButton("Show Buttons"));
    EXPECT_EQ(app.editor->optionButton()->frame().origin.y, 20);

    // The position panel of an icon closes on the next touch of the canvas.
    Ref<QVIcon> icon = app.icons()->icons()[0];
    icon->showIconPositionPopController();
    EXPECT_EQ(app.editor->positionPopoverIcon().get(), icon.ptr());
    ASSERT_TRUE(app.down(emptyPoint()));
    EXPECT_FALSE(icon->iconPositionController()->isShowing());
    EXPECT_FALSE(app.editor->positionPopoverIcon());
    app.advance(1);
    ASSERT_TRUE(app.up());
    EXPECT_TRUE(UIModalView::visibleModalViews().empty()) << "that touch arms no hold";
}

// Hidden buttons stay hidden through a rotation and come back to their
// places when shown.
TEST_P(QVLayoutMakerTest, HiddenButtonsSurviveARotation)
{
    app.editor->touchHeld();
    ASSERT_TRUE(app.tapSheetButton("Hide Buttons"));
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeRight));
    EXPECT_EQ(app.editor->addIconButton()->frame().origin.y, 20 - 52);
    EXPECT_EQ(app.editor->doneSelectingButton()->frame().origin.y, 20 - 52);
    app.editor->touchHeld();
    ASSERT_TRUE(app.tapSheetButton("Show Buttons"));
    const CGFloat width = screenSize().height;
    EXPECT_EQ(app.editor->addIconButton()->frame(), CGRectMake(width - 32, 20, 22, 22));
    EXPECT_EQ(app.editor->doneSelectingButton()->frame(), CGRectMake(width / 2 - 20, 20, 50, 24));
    EXPECT_EQ(app.editor->optionButton()->frame().origin.y, 20);
}

// Selection: the selected icons move together by whole points, stop at the
// edges one by one and lose their slots.
TEST_P(QVLayoutMakerTest, DragTheSelection)
{
    app.icons()->addIcons(2);
    app.advance(0.5);
    const std::vector<Ref<QVIcon>> icons = app.icons()->icons();
    for (size_t index = 0; index < icons.size(); ++index) {
        icons[index]->setFrame(CGRectMake(20 + 100.0 * index, 200, iconSize().width, iconSize().height));
        icons[index]->setLockedIndex(static_cast<int32_t>(index));
    }
    app.editor->touchHeld();
    ASSERT_TRUE(app.tapSheetButton("Start Selecting Icons"));
    EXPECT_EQ(app.editor->doneSelectingButton()->alpha(), 1);
    ASSERT_TRUE(app.tap(icons[0]->center()));
    ASSERT_TRUE(app.tap(icons[2]->center()));
    ASSERT_EQ(app.icons()->selectedIcons().size(), 2u);

    ASSERT_TRUE(app.down(CGPointMake(100.2, 400)));
    ASSERT_TRUE(app.move(CGPointMake(110.9, 400)));
    EXPECT_EQ(icons[0]->frame().origin, CGPointMake(30, 200));
    EXPECT_EQ(icons[2]->frame().origin, CGPointMake(230, 200));
    EXPECT_EQ(icons[1]->frame().origin, CGPointMake(120, 200)) << "unselected icons stay";
    EXPECT_EQ(icons[0]->lockedIndex(), -1);
    EXPECT_EQ(icons[1]->lockedIndex(), 1);
    ASSERT_TRUE(app.move(CGPointMake(-300, 400)));
    EXPECT_EQ(icons[0]->frame().origin.x, 0);
    EXPECT_EQ(icons[2]->frame().origin.x, 0);
    app.advance(1);
    ASSERT_TRUE(app.up());
    EXPECT_TRUE(UIModalView::visibleModalViews().empty());

    ASSERT_TRUE(app.tapButton("Done"));
    EXPECT_FALSE(app.editor->selectingIcons());
    EXPECT_TRUE(app.icons()->selectedIcons().empty());
}

// Two touches on the grid while selecting: a move cancels every pending
// hold, so no sheet opens after the drag.
TEST_P(QVLayoutMakerTest, NoOrphanHold)
{
    app.grid()->setShown(true);
    app.grid()->toggleGrid(true, true);
    app.advance(0.5);
    app.editor->startSelectingIcons();
    ASSERT_TRUE(app.down(CGPointMake(50, 300), 1));
    ASSERT_TRUE(app.down(CGPointMake(150, 300), 2));
    ASSERT_TRUE(app.move(CGPointMake(60, 310), 1));
    app.advance(1);
    EXPECT_TRUE(UIModalView::visibleModalViews().empty());
    ASSERT_TRUE(app.up(1));
    ASSERT_TRUE(app.up(2));
}

// The "Options" and "Grid" sheets list their commands by state; the grid
// size entry names the size and opens the grid size panel.
TEST_P(QVLayoutMakerTest, OptionsAndGridSheets)
{
    ASSERT_TRUE(app.tapButton("Options"));
    EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Show Delete On Icons", "Show Icon Labels", "View Tutorial", "Enable Folder Mode", "Cancel" }));
    ASSERT_TRUE(app.tapSheetButton("Show Delete On Icons"));
    EXPECT_FALSE(app.icons()->icons()[0]->deleteIconButton()->hidden());
    ASSERT_TRUE(app.tapButton("Options"));
    ASSERT_TRUE(app.tapSheetButton("Show Icon Labels"));
    ASSERT_TRUE(app.tapButton("Options"));
    EXPECT_EQ(app.topModalButtons()[0], "Hide Delete On Icons");
    EXPECT_EQ(app.topModalButtons()[1], "Hide Icon Labels");
    ASSERT_TRUE(app.tapSheetButton("Cancel"));

    ASSERT_TRUE(app.tapButton("Grid"));
    EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Show Grid", "Cancel" }));
    ASSERT_TRUE(app.tapSheetButton("Show Grid"));
    app.advance(0.5);
    EXPECT_TRUE(app.grid()->shown());
    EXPECT_EQ(app.grid()->frame(), app.editor->gridFrame());
    QVSettings::currentSettings()->setGridSize(CGSizeMake(7, 9));
    ASSERT_TRUE(app.tapButton("Grid"));
    EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Hide Grid", "Reset Grid Position", "Change Grid Size (7 x 9)",
                                         "Unlock All Icons", "Fill Grid", "Ignore Icon Touches", "Cancel" }));
    ASSERT_TRUE(app.tapSheetButton("Change Grid Size (7 x 9)"));
    ASSERT_TRUE(app.grid()->gridLineChangeView());
    EXPECT_TRUE(app.grid()->gridLineChangeView()->isShowing());
    EXPECT_EQ(app.grid()->gridLineChangeView()->vertStepperLabel()->text(), "Columns (7)");

    // Ignoring icon touches puts the grid above the icons until it is
    // acknowledged, through hiding and showing the grid.
    ASSERT_TRUE(app.tapButton("Grid"));
    ASSERT_TRUE(app.tapSheetButton("Ignore Icon Touches"));
    std::vector<Ref<UIView>> views = app.editor->view()->subviews();
    auto indexOf = [&](const UIView* view) {
        return std::find_if(views.begin(), views.end(), [&](const Ref<UIView>& v) { return v.ptr() == view; }) - views.begin();
    };
    EXPECT_GT(indexOf(app.grid().ptr()), indexOf(app.icons()->icons()[0].ptr()));
    ASSERT_TRUE(app.tapButton("Grid"));
    EXPECT_EQ(app.topModalButtons()[5], "Acknowledge Icon Touches");
    ASSERT_TRUE(app.tapSheetButton("Acknowledge Icon Touches"));
    views = app.editor->view()->subviews();
    EXPECT_LT(indexOf(app.grid().ptr()), indexOf(app.icons()->icons()[0].ptr()));
    EXPECT_EQ(indexOf(app.grid().ptr()), indexOf(app.editor->background().get()) + 1);
}

// "Delete All Icons" asks about the other orientation: both leave one
// fresh icon and empty the other orientation's cached icons (not its
// grid); "only" leaves the cache.
TEST_P(QVLayoutMakerTest, DeleteOptions)
{
    for (const char* choice : { "Delete Portrait only", "Delete Portrait & Landscape" }) {
        app.icons()->setLandscapeIconCache({ app.icons()->iconWithFrame(CGRectMake(0, 20, 10, 10), -1) });
        app.icons()->setLandscapeGridSizeCache(CGSizeMake(3, 3));
        app.icons()->addIcons(3);
        app.editor->touchHeld();
        ASSERT_TRUE(app.tapSheetButton("Delete All Icons"));
        RefPtr<UIAlertView> alert = app.editor->lastAlert();
        ASSERT_TRUE(alert && alert->visible());
        EXPECT_EQ(alert->title(), "Delete Options");
        EXPECT_EQ(alert->message(), "Would you like to also delete the Landscape layouts?");
        EXPECT_EQ(app.topModalButtons(), (std::vector<std::string> { "Cancel", "Delete Portrait & Landscape", "Delete Portrait only" }));
        ASSERT_TRUE(app.tapSheetButton(choice));
        ASSERT_EQ(app.icons()->icons().size(), 1u);
        EXPECT_EQ(app.icons()->icons()[0]->tag(), 1);
        const bool both = std::string(choice) == "Delete Portrait & Landscape";
        EXPECT_EQ(app.icons()->landscapeIconCache().size(), both ? 0u : 1u) << choice;
        EXPECT_EQ(app.icons()->landscapeGridSizeCache(), CGSizeMake(3, 3));
    }
}

// An open sheet of a bottom button is closed by a re-layout and opened
// again at the button's new place, running none of its commands.
TEST_P(QVLayoutMakerTest, SheetsFollowTheirButtons)
{
    ASSERT_TRUE(app.tapButton("Grid"));
    RefPtr<UIActionSheet> sheet = app.editor->gridButtonSheet();
    ASSERT_TRUE(sheet && sheet->visible());
    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    app.advance(0.5);
    EXPECT_TRUE(sheet->visible());
    EXPECT_EQ(sheet->presentationRect(), app.editor->gridButton()->frame());
    EXPECT_EQ(app.editor->gridButton()->frame().origin.y, screenSize().width - 84);
    EXPECT_FALSE(app.grid()->shown()) << "no command ran";
}

// Rotation is refused while a tutorial card is up, and allowed again after.
TEST(QVLayoutMakerRotationTest, NoRotationUnderATutorialCard)
{
    ApplicationScreen app(deviceCases[0]);
    QVSettings::currentSettings()->resetTutorial();
    app.grid()->setShown(true);
    app.grid()->toggleGrid(true, true);
    app.advance(0.5);
    ASSERT_TRUE(app.grid()->tutorialShowing());
    EXPECT_FALSE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_FALSE(app.appDelegate->shouldAutoRotate());
    for (int card = 0; card < 6; ++card) {
        ASSERT_TRUE(app.tap(CGPointMake(5, 5)));
        app.advance(1);
    }
    EXPECT_FALSE(app.grid()->tutorialShowing());
    EXPECT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(app.editor->view()->frame().size, CGSizeMake(568, 320));
}

INSTANTIATE_TEST_SUITE_P(Devices, QVLayoutMakerTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
