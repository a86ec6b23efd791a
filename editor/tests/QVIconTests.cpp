#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "model/QVSettings.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIViewAnimator.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVIconTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override { QVSettings::currentSettings()->setSnapToGrid(false); }

    bool pad() const { return std::string(GetParam().profile) == "ipad"; }
    // An icon of the manager at an origin, with the animations of its
    // making ended.
    Ref<QVIcon> iconAt(CGPoint origin)
    {
        Ref<QVIcon> icon = screen.manager->addIcon();
        screen.advance(0.5);
        icon->setFrame(CGRectMake(origin.x, origin.y, icon->frame().size.width, icon->frame().size.height));
        return icon;
    }
    CGPoint inside(const QVIcon& icon, CGPoint offset = CGPointMake(20.6, 30.3)) const
    {
        return CGPointMake(icon.frame().origin.x + offset.x, icon.frame().origin.y + offset.y);
    }
    CGSize size() const { return screen.iconSize(); }

    IconScreen screen { GetParam() };
    ScopedAnimationTrace animations;
};

} // namespace

// The icon's parts, from its size: picture, caption, number, selection
// mark, readout and "X".
TEST_P(QVIconTest, Parts)
{
    screen.manager->addIcons(2);
    Ref<QVIcon> icon = screen.manager->addIcon();
    const CGFloat w = size().width;
    const CGFloat h = size().height;
    EXPECT_EQ(icon->tag(), 3);
    EXPECT_EQ(icon->idLabel()->text(), "3");
    EXPECT_EQ(icon->nameLabel()->text(), "Icon 3");
    EXPECT_EQ(icon->iconImageView()->frame(), CGRectMake(0, 0, w, h));
    EXPECT_EQ(icon->nameLabel()->frame(), CGRectMake(0, h - 5, w, 22));
    EXPECT_EQ(icon->nameLabel()->font()->pointSize(), pad() ? 14 : 10);
    EXPECT_EQ(icon->nameLabel()->shadowOffset(), CGSizeMake(1, 1));
    EXPECT_EQ(icon->nameLabel()->alpha(), 0) << "captions start hidden";
    EXPECT_EQ(icon->idLabel()->frame(), CGRectMake(0, 0, w, h - 4));
    EXPECT_EQ(icon->idLabel()->font()->pointSize(), w / 2);
    EXPECT_EQ(icon->selectedIcon()->frame(), CGRectMake(w - 18, -2, 20, 20));
    EXPECT_TRUE(icon->selectedIcon()->hidden());
    EXPECT_EQ(icon->positionView()->frame(), CGRectMake(0, h, w, 20));
    EXPECT_TRUE(icon->positionView()->hidden());
    EXPECT_EQ(icon->deleteIconButton()->frame(), pad() ? CGRectMake(4, 4, 22, 22) : CGRectMake(3, 3, 16, 16));
    EXPECT_EQ(icon->deleteIconButton()->currentTitle(), "X");
    EXPECT_TRUE(icon->deleteIconButton()->hidden());
    EXPECT_EQ(icon->lockedIndex(), -1);
    std::vector<UIView*> order;
    for (const Ref<UIView>& view : icon->subviews())
        order.push_back(view.ptr());
    EXPECT_EQ(order, (std::vector<UIView*> { icon->iconImageView().ptr(), icon->nameLabel().ptr(), icon->idLabel().ptr(),
                         icon->selectedIcon().ptr(), icon->positionView().ptr(), icon->deleteIconButton().ptr() }));

    // The readout shows the origin truncated.
    icon->positionView()->setCoords(CGPointMake(0.9, 20.7));
    EXPECT_EQ(icon->positionView()->xLabel()->text(), "X: 0");
    EXPECT_EQ(icon->positionView()->yLabel()->text(), "Y: 20");
    EXPECT_EQ(icon->positionView()->xLabel()->frame(), CGRectMake(2, 0, w / 2, 20));
    EXPECT_EQ(icon->positionView()->yLabel()->frame(), CGRectMake(w / 2, 0, w / 2, 20));
}

// A drag moves the icon by whole points, clamped on each axis on its own,
// releases its slot at the first move and shows the clamped origin.
TEST_P(QVIconTest, Drag)
{
    Ref<QVIcon> icon = iconAt(CGPointMake(100, 100));
    icon->setLockedIndex(4);
    const CGPoint maximum = icon->maxPosition();
    ASSERT_TRUE(screen.down(CGPointMake(120.6, 130.3)));
    EXPECT_TRUE(icon->dragging());
    EXPECT_FALSE(icon->positionView()->hidden());
    struct Case {
        CGPoint finger;
        CGPoint origin;
    } cases[] = {
        { { 150.9, 140.2 }, { 130, 110 } },
        { { 5, 500 }, { 0, 470 } },
        { { 150, 10 }, { 130, 20 } },
        { { 5000, 5000 }, { maximum.x, maximum.y } },
    };
    for (const Case& testCase : cases) {
        ASSERT_TRUE(screen.move(testCase.finger));
        EXPECT_EQ(icon->frame().origin, testCase.origin) << testCase.finger.x << "," << testCase.finger.y;
        EXPECT_EQ(icon->positionView()->xLabel()->text(), "X: " + std::to_string(static_cast<int>(testCase.origin.x)));
        EXPECT_EQ(icon->lockedIndex(), -1);
    }
    ASSERT_TRUE(screen.up());
    EXPECT_FALSE(icon->dragging());
    EXPECT_TRUE(icon->positionView()->hidden());
    EXPECT_EQ(icon->lockedIndex(), -1) << "dropped with snapping off, it stays free";
}

// The drop snaps to the nearest slot by whole-number distance, the lower
// slot winning a tie, then the origin is corrected into its bounds; a tap
// snaps too; without slots nothing happens.
TEST_P(QVIconTest, SnapOnDrop)
{
    QVSettings::currentSettings()->setSnapToGrid(true);
    Ref<QVIcon> icon = iconAt(CGPointMake(100, 100));
    struct Case {
        std::vector<CGPoint> slots;
        CGPoint iconCentre;
        int32_t slot;
        CGPoint centre;
    } cases[] = {
        { { { 50, 50 }, { 200, 200 } }, { 190, 170 }, 1, { 200, 200 } },
        { { { 100, 100 }, { 200, 100 } }, { 150, 100 }, 0, { 100, 100 } },
        // 50.2 and 50.9 both count as 50 points away.
        { { { 100.8, 100 }, { 200.9, 100 } }, { 150.5, 100 }, 0, { 100, 100 } },
        { { { 300.7, 300.2 } }, { 100, 100 }, 0, { 300, 300 } },
    };
    for (const Case& testCase : cases) {
        screen.manager->setIconGridPositions(testCase.slots);
        icon->setCenter(testCase.iconCentre);
        const CGPoint finger = icon->center();
        ASSERT_TRUE(screen.down(finger));
        ASSERT_TRUE(screen.up());
        EXPECT_EQ(icon->lockedIndex(), testCase.slot);
        EXPECT_EQ(icon->center(), testCase.centre);
        EXPECT_EQ(animations.entries().back().name, "Snap to grid");
        screen.advance(0.5);
    }

    // A slot near a corner puts the icon past its bounds; the correction at
    // the animation's end brings it back in whole points.
    screen.manager->setIconGridPositions({ CGPointMake(2.5, 2000) });
    ASSERT_TRUE(screen.down(icon->center()));
    ASSERT_TRUE(screen.up());
    screen.advance(0.5);
    EXPECT_EQ(animations.entries().back().name, "Off Screen Correction");
    EXPECT_EQ(icon->frame().origin, CGPointMake(0, icon->maxPosition().y));

    const CGPoint before = icon->frame().origin;
    screen.manager->setIconGridPositions({});
    icon->setLockedIndex(-1);
    ASSERT_TRUE(screen.down(icon->center()));
    ASSERT_TRUE(screen.up());
    EXPECT_EQ(icon->frame().origin, before) << "no slots, no snap";
    EXPECT_EQ(icon->lockedIndex(), -1);
}

// Resting half a second opens the sheet; a drop then does not snap, and
// the sheet going away by any means lets the icon snap again.
TEST_P(QVIconTest, HoldOpensTheSheet)
{
    QVSettings::currentSettings()->setSnapToGrid(true);
    screen.manager->setIconGridPositions({ CGPointMake(400, 400) });
    Ref<QVIcon> icon = iconAt(CGPointMake(100, 100));
    ASSERT_TRUE(screen.down(inside(icon)));
    screen.advance(0.6);
    RefPtr<UIActionSheet> sheet = icon->iconOptionsSheet();
    ASSERT_TRUE(sheet && sheet->visible());
    EXPECT_EQ(sheet->title(), "");
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "Delete");
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), "Swap Icon");
    EXPECT_EQ(sheet->buttonTitleAtIndex(2), "Set Icon Position");
    EXPECT_EQ(sheet->buttonTitleAtIndex(3), "Cancel");
    EXPECT_EQ(sheet->presentationRect(), icon->frame());
    EXPECT_FALSE(icon->dragging());
    EXPECT_TRUE(icon->showingPopover());
    // The sheet coming up cancels the touch; the icon does not snap while
    // the sheet is up.
    EXPECT_FALSE(UITouchDriver::shared().hasTouchesInProgress());
    EXPECT_EQ(icon->frame().origin, CGPointMake(100, 100));

    if (pad())
        ASSERT_TRUE(sheet->tapOutside());
    else
        ASSERT_TRUE(sheet->tapButtonWithTitle("Cancel"));
    EXPECT_FALSE(icon->showingPopover());
    sheet->dismissWithClickedButtonIndex(0, false);
    ASSERT_TRUE(screen.down(inside(icon)));
    ASSERT_TRUE(screen.up());
    EXPECT_EQ(icon->center(), CGPointMake(400, 400));

    // Any movement cancels the hold.
    ASSERT_TRUE(screen.down(inside(icon)));
    screen.advance(0.2);
    ASSERT_TRUE(screen.move(inside(icon, CGPointMake(21, 30.3))));
    screen.advance(1);
    EXPECT_FALSE(icon->showingPopover());
    ASSERT_TRUE(screen.up());
}

// Deleting shrinks the icon into its corner and reports it once, however
// often the "X" or the sheet's Delete is pressed.
TEST_P(QVIconTest, DeleteOnce)
{
    screen.manager->addIcons(4);
    screen.manager->showDeleteButtonOnIcons(true);
    screen.advance(0.5);
    Ref<QVIcon> third = screen.manager->icons()[2];
    third->setFrame(CGRectMake(100, 200, size().width, size().height));
    third->touchesHeld();
    ASSERT_TRUE(third->iconOptionsSheet()->tapButtonWithTitle("Delete"));
    EXPECT_EQ(third->frame(), CGRectMake(100, 200, 0, 0));
    EXPECT_EQ(third->idLabel()->frame(), CGRectZero);
    EXPECT_EQ(animations.entries().back().name, "Delete Icon");
    third->deleteIconButton()->sendActionsForControlEvents(UIControlEventTouchUpInside);
    third->deleteIcon();
    EXPECT_EQ(screen.manager->icons().size(), 4u) << "removed only when the shrink ends";
    screen.advance(0.5);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3 }));
    EXPECT_FALSE(third->superview());
    EXPECT_EQ(screen.manager->icons()[2]->nameLabel()->text(), "Icon 3");
}

// The swap question; its field takes only what keeps the number within
// 0...999, judged on the text the edit really leaves.
TEST_P(QVIconTest, SwapQuestionAndItsField)
{
    screen.manager->addIcons(3);
    Ref<QVIcon> first = screen.manager->icons()[0];
    first->swapIcon();
    RefPtr<UIAlertView> alert = first->swapIconAlert();
    ASSERT_TRUE(alert && alert->visible());
    EXPECT_EQ(alert->title(), "Swap Icon");
    EXPECT_EQ(alert->message(), "What Icon would you like to swap with?");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Swap");
    RefPtr<UITextField> field = alert->textFieldAtIndex(0);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->placeholder(), "Icon Number");
    EXPECT_EQ(field->keyboardType(), UIKeyboardTypeNumberPad);

    struct Case {
        const char* start;
        NSRange range;
        const char* replacement;
        const char* result;
    } cases[] = {
        { "99", { 2, 0 }, "9", "999" },
        { "999", { 3, 0 }, "9", "999" },
        { "0001", { 4, 0 }, "", "0001" },
        { "000", { 3, 0 }, "1", "0001" },
        { "19", { 1, 0 }, "99", "19" },
        { "12", { 0, 2 }, "1000", "12" },
        { "12", { 2, 0 }, "a", "12" },
        { "12", { 2, 0 }, "-1", "12" },
        { "123", { 1, 1 }, "", "13" },
        { "5", { 0, 1 }, "", "" },
    };
    for (const Case& testCase : cases) {
        field->setText(testCase.start);
        field->replaceRange(testCase.range, testCase.replacement);
        EXPECT_EQ(field->text(), testCase.result) << testCase.start << " + " << testCase.replacement;
    }
    field->setText("");
    EXPECT_TRUE(field->typeText("999"));
    EXPECT_FALSE(field->typeText("9"));
    EXPECT_EQ(field->text(), "999");
}

// "Swap" hands the number to the manager; 0 or an empty field names no
// icon and changes nothing.
TEST_P(QVIconTest, SwapByNumber)
{
    screen.manager->addIcons(4);
    screen.advance(0.5);
    const std::vector<Ref<QVIcon>> icons = screen.manager->icons();
    for (size_t index = 0; index < icons.size(); ++index)
        icons[index]->setFrame(CGRectMake(50.0 * index, 100, size().width, size().height));
    icons[1]->setLockedIndex(8);
    for (const char* ignored : { "", "0", "000", "2" }) {
        icons[1]->swapIcon();
        icons[1]->swapIconAlert()->textFieldAtIndex(0)->setText(ignored);
        ASSERT_TRUE(icons[1]->swapIconAlert()->tapButtonWithTitle("Swap"));
        EXPECT_EQ(icons[1]->frame().origin, CGPointMake(50, 100)) << '"' << ignored << '"';
        EXPECT_EQ(screen.manager->icons().size(), 4u);
    }
    icons[1]->swapIcon();
    icons[1]->swapIconAlert()->textFieldAtIndex(0)->setText("7");
    ASSERT_TRUE(icons[1]->swapIconAlert()->tapButtonWithTitle("Swap"));
    ASSERT_EQ(screen.manager->icons().size(), 7u);
    Ref<QVIcon> seventh = screen.manager->icons()[6];
    EXPECT_EQ(icons[1]->frame(), CGRectMake(0, 20, size().width, size().height)) << "the new icon's default frame";
    EXPECT_EQ(seventh->frame().origin, CGPointMake(50, 100));
    EXPECT_EQ(seventh->lockedIndex(), 8);
    EXPECT_EQ(icons[1]->lockedIndex(), -1);
    EXPECT_EQ(animations.entries().back().name, "Swap Icon");
    EXPECT_EQ(icons[1]->tag(), 2) << "ids stay";
}

// The exact-position panel: two fields under the title that move the icon
// with each accepted keystroke, never past the icon's largest origin.
TEST_P(QVIconTest, ExactPositionPanel)
{
    Ref<QVIcon> icon = iconAt(CGPointMake(100.8, 200.4));
    icon->setMaxPosition(CGPointMake(255, 300));
    icon->setLockedIndex(3);
    icon->touchesHeld();
    ASSERT_TRUE(icon->iconOptionsSheet()->tapButtonWithTitle("Set Icon Position"));
    RefPtr<QVIconPositionPopController> panel = icon->iconPositionController();
    ASSERT_TRUE(panel && panel->isShowing());
    EXPECT_EQ(screen.owner->iconWithPositionPanel.get(), icon.ptr());
    EXPECT_EQ(panel->contentSize(), CGSizeMake(180, 140));
    EXPECT_EQ(panel->navBar()->topItem()->title(), "Set Position");
    EXPECT_TRUE(panel->navBar()->barButtonItems().empty());
    RefPtr<UITextField> x = panel->xField();
    RefPtr<UITextField> y = panel->yField();
    EXPECT_EQ(x->frame(), CGRectMake(10, 54, 160, 24));
    EXPECT_EQ(y->frame(), CGRectMake(10, 96, 160, 24));
    EXPECT_EQ(x->text(), "100");
    EXPECT_EQ(y->text(), "200");
    EXPECT_EQ(x->placeholder(), "X Coordinate");
    EXPECT_EQ(y->placeholder(), "Y Coordinate");
    EXPECT_TRUE(x->isFirstResponder());

    x->setText("");
    EXPECT_TRUE(x->typeText("2"));
    EXPECT_EQ(icon->frame().origin.x, 2);
    EXPECT_TRUE(x->typeText("5"));
    EXPECT_FALSE(x->typeText("6")) << "256 is past the maximum";
    EXPECT_EQ(icon->frame().origin.x, 25);
    EXPECT_TRUE(x->typeText("5"));
    EXPECT_EQ(icon->frame().origin.x, 255);
    EXPECT_EQ(animations.entries().back().name, "Set Icon X Position");
    EXPECT_FALSE(x->replaceRange(NSMakeRange(0, 0), "9")) << "an edit in the middle is judged by its real result";
    EXPECT_FALSE(x->insertText("1a"));
    EXPECT_TRUE(x->deleteBackward());
    EXPECT_EQ(icon->frame().origin.x, 25);
    EXPECT_EQ(icon->lockedIndex(), 3) << "a coordinate by number keeps the slot";

    EXPECT_TRUE(x->pressReturnKey());
    EXPECT_TRUE(y->isFirstResponder());
    EXPECT_TRUE(y->deleteBackward());
    EXPECT_TRUE(y->deleteBackward());
    EXPECT_TRUE(y->deleteBackward());
    EXPECT_EQ(icon->frame().origin.y, 20) << "0 is raised to the smallest origin";
    EXPECT_EQ(animations.entries().back().name, "Set Icon Y Position");
    EXPECT_TRUE(y->pressReturnKey());
    EXPECT_FALSE(panel->isShowing());

    // A touch on the icon while the panel shows only closes it.
    icon->showIconPositionPopController();
    panel = icon->iconPositionController();
    ASSERT_TRUE(screen.down(inside(icon, CGPointMake(5, 5))));
    EXPECT_FALSE(panel->isShowing());
    EXPECT_FALSE(icon->dragging());
    ASSERT_TRUE(screen.up());
}

// An icon that leaves the view closes its sheet, alert and panel, and its
// hold does not act any more; a delete it was asked for still completes.
TEST_P(QVIconTest, LeavingTheViewStopsPendingWork)
{
    screen.manager->addIcons(2);
    screen.advance(0.5);
    Ref<QVIcon> icon = screen.manager->icons()[1];
    icon->setFrame(CGRectMake(100, 100, size().width, size().height));
    ASSERT_TRUE(screen.down(inside(icon)));
    icon->removeFromSuperview();
    screen.advance(1);
    EXPECT_FALSE(icon->iconOptionsSheet()) << "no sheet after the icon left";
    ASSERT_TRUE(screen.up());

    screen.mainView->addSubview(icon);
    icon->swapIcon();
    icon->showIconPositionPopController();
    RefPtr<QVIconPositionPopController> panel = icon->iconPositionController();
    icon->deleteIcon();
    icon->removeFromSuperview();
    EXPECT_FALSE(icon->swapIconAlert()->visible());
    EXPECT_FALSE(panel->isShowing());
    screen.advance(1);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1 })) << "the delete the user asked for completes, wherever the icon went";
    EXPECT_TRUE(UIModalView::visibleModalViews().empty());
}

// A turn of the device during the shrink puts the icon being deleted into
// the other orientation's cache: the shrink's end takes it out of there,
// so it neither comes back nor is saved. Turning again before the end
// brings it back still shrinking, and the end removes it from the screen.
TEST_P(QVIconTest, DeleteCompletesAcrossATurn)
{
    screen.manager->addIcons(3);
    screen.manager->showDeleteButtonOnIcons(true);
    screen.advance(0.5);
    Ref<QVIcon> second = screen.manager->icons()[1];
    second->deleteIconButton()->sendActionsForControlEvents(UIControlEventTouchUpInside);
    screen.manager->loadLandscapeOrientation();
    ASSERT_EQ(screen.manager->portraitIconCache().size(), 3u) << "cached while it shrinks";
    screen.advance(0.5);
    ASSERT_EQ(screen.manager->portraitIconCache().size(), 2u);
    EXPECT_EQ(screen.manager->portraitIconCache()[1]->frame().size, size()) << "the third icon stays";
    screen.manager->loadPortraitOrientation();
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2 }));
    EXPECT_FALSE(second->superview());
    for (const Ref<QVIcon>& icon : screen.manager->icons())
        EXPECT_NE(icon->frame().size, CGSizeMake(0, 0));

    // There and back within the shrink.
    Ref<QVIcon> first = screen.manager->icons()[0];
    first->deleteIcon();
    screen.manager->loadLandscapeOrientation();
    screen.advance(0.05);
    screen.manager->loadPortraitOrientation();
    ASSERT_EQ(screen.manager->icons().size(), 2u);
    screen.advance(0.5);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1 }));
    EXPECT_FALSE(first->superview());
    EXPECT_EQ(screen.manager->icons()[0]->nameLabel()->text(), "Icon 1");
}

// The only icon deleted while the device turns: the cache it went into is
// left with one fresh icon where the editor says a new icon of that
// orientation stands (beyond the bounds on the screen now, so not held by
// them), no longer waiting for a folder, as the screen is when the delete
// ends before the turn. A cache the delete leaves icons in gets none.
TEST_P(QVIconTest, EmptiedCacheGetsAFreshIcon)
{
    const CGPoint fresh = CGPointMake(GetParam().screen.width + 40, 7);
    screen.owner->portraitNewIconFrame = CGRectMake(fresh.x, fresh.y, size().width, size().height);
    screen.owner->landscapeNewIconFrame = CGRectMake(1, 2, size().width, size().height);
    screen.manager->showDeleteButtonOnIcons(true);
    Ref<QVIcon> only = iconAt(CGPointMake(50, 200));
    screen.manager->setIconsFolderRelative(true);
    only->deleteIconButton()->sendActionsForControlEvents(UIControlEventTouchUpInside);
    screen.manager->loadLandscapeOrientation();
    ASSERT_EQ(screen.manager->portraitIconCache().size(), 1u);
    EXPECT_TRUE(screen.manager->portraitCacheFolderRelative());
    screen.advance(0.5);
    ASSERT_EQ(screen.manager->portraitIconCache().size(), 1u) << "a fresh icon in the deleted one's place";
    Ref<QVIcon> cached = screen.manager->portraitIconCache()[0];
    EXPECT_NE(cached.ptr(), only.ptr());
    EXPECT_EQ(cached->frame(), screen.owner->portraitNewIconFrame);
    EXPECT_EQ(cached->lockedIndex(), -1);
    EXPECT_FALSE(cached->superview());
    EXPECT_FALSE(screen.manager->portraitCacheFolderRelative()) << "the fresh icon waits for no folder";
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1 })) << "the landscape screen's own fresh icon";

    screen.manager->loadPortraitOrientation();
    ASSERT_EQ(screen.ids(), (std::vector<int64_t> { 1 }));
    EXPECT_EQ(screen.manager->icons()[0].ptr(), cached.ptr());
    EXPECT_EQ(cached->frame().origin, fresh) << "shown where it was made";
    EXPECT_FALSE(screen.manager->iconsFolderRelative());

    // Two icons, one deleted during the turn: the other stays alone.
    Ref<QVIcon> second = iconAt(CGPointMake(60, 300));
    second->deleteIcon();
    screen.manager->loadLandscapeOrientation();
    screen.advance(0.5);
    ASSERT_EQ(screen.manager->portraitIconCache().size(), 1u);
    EXPECT_EQ(screen.manager->portraitIconCache()[0].ptr(), cached.ptr());
}

// The only icon on the screen deleted while it still waits for a folder:
// the fresh icon in its place is a screen position, waiting for nothing.
TEST_P(QVIconTest, FreshIconOfAnEmptiedScreenWaitsForNoFolder)
{
    Ref<QVIcon> only = iconAt(CGPointMake(50, 200));
    screen.manager->setIconsFolderRelative(true);
    only->deleteIcon();
    screen.advance(0.5);
    ASSERT_EQ(screen.manager->icons().size(), 1u);
    EXPECT_NE(screen.manager->icons()[0].ptr(), only.ptr());
    EXPECT_FALSE(screen.manager->iconsFolderRelative());
}

INSTANTIATE_TEST_SUITE_P(Devices, QVIconTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
