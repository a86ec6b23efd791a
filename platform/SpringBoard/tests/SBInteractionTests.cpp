// What the home screen does when the user holds, drags and drops icons,
// launches them, opens folders and leaves edit mode.

#include "SpringBoardTestSupport.h"

#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sbtest;

namespace {

class Interaction : public SpringBoardTest {
protected:
    void SetUp() override
    {
        SpringBoardTest::SetUp();
        launch();
    }

    // The middle of a slot of the list, in the content view.
    CGPoint slotCenter(SBIconListView& list, uint64_t index)
    {
        CGPoint origin = list.originForIconAtIndex(index);
        CGSize size = list.defaultIconSize();
        return list.convertPointToView(CGPointMake(origin.x + size.width / 2, origin.y + size.height / 2), controller->contentViewObject().ptr());
    }
    CGRect slotFrame(SBIconListView& list, uint64_t index) { return CGRect { list.originForIconAtIndex(index), list.defaultIconSize() }; }
};

} // namespace

TEST_F(Interaction, ADraggedIconTakesTheSlotUnderTheFingerAndDropsIntoIt)
{
    Ref<SBIconListView> first = page(0);
    Ref<SBIcon> a1 = icon("A1");
    controller->iconHandleLongPress(a1.ptr());
    CGPoint target = slotCenter(first, 3);
    controller->dragGrabbedIconToPoint(target);
    // The others make way at once (the placeholder's gap closes too); the
    // held icon stays under the finger.
    EXPECT_EQ(namesOf(first->icons()), (std::vector<std::string> { "A2", "A3", "A4", "A1", "A5", "A6", "Tools", "Newsstand" }));
    EXPECT_EQ(viewOf(first, "A2")->frame(), slotFrame(first, 0));
    EXPECT_EQ(viewOf(first, "A4")->frame(), slotFrame(first, 2));
    EXPECT_EQ(viewOf(first, "A1")->center(), first->convertPointFromView(target, controller->contentViewObject().ptr()));

    // Off the grid, the icon goes to the last slot that holds an icon.
    controller->dragGrabbedIconToPoint(CGPointMake(310, 450));
    EXPECT_EQ(namesOf(first->icons()).back(), "A1");
    EXPECT_EQ(viewOf(first, "A1")->center(), CGPointMake(310, 430));

    controller->dragGrabbedIconToPoint(slotCenter(first, 1));
    controller->icon(a1.ptr(), true);
    EXPECT_EQ(namesOf(first->icons()), (std::vector<std::string> { "A2", "A1", "A3", "A4", "A5", "A6", "Tools", "Newsstand" }));
    EXPECT_EQ(viewOf(first, "A1")->frame(), slotFrame(first, 1)) << "dropped into its slot";
    EXPECT_FALSE(controller->grabbedIcon());
    EXPECT_TRUE(controller->isEditing());

    // Without a held icon a drag moves nothing.
    controller->dragGrabbedIconToPoint(slotCenter(first, 5));
    EXPECT_EQ(namesOf(first->icons())[1], "A1");
}

TEST_F(Interaction, DraggingClosesTheGapsOfPlaceholders)
{
    Ref<SBIconListView> first = page(0);
    Ref<SBIcon> placeholder = icon("P");
    first->listModel()->removeIcon(placeholder.ptr());
    first->listModel()->insertIcon(placeholder, 0);
    controller->iconHandleLongPress(icon("A6").ptr());
    // The held icon takes the slot under the finger, then the gap before
    // it closes.
    controller->dragGrabbedIconToPoint(slotCenter(first, 2));
    EXPECT_EQ(namesOf(first->icons()), (std::vector<std::string> { "A1", "A6", "A2", "A3", "A4", "A5", "Tools", "Newsstand" }));
    EXPECT_EQ(viewOf(first, "A2")->frame(), slotFrame(first, 2));
}

TEST_F(Interaction, IconsAreHeldInTheDockAndInAnOpenFolderToo)
{
    controller->iconHandleLongPress(icon("D1").ptr());
    controller->dragGrabbedIconToPoint(slotCenter(dock(), 2));
    controller->icon(icon("D1").ptr(), true);
    EXPECT_EQ(namesOf(dock()->icons()), (std::vector<std::string> { "D2", "D3", "D1" }));

    controller->openFolder(folder("Tools"), false);
    Ref<SBIconListView> tools = folderPage("Tools", 0);
    controller->iconHandleLongPress(icon("T9").ptr());
    controller->dragGrabbedIconToPoint(slotCenter(tools, 0));
    EXPECT_EQ(namesOf(tools->icons()).front(), "T9");
    // Closing the folder drops the icon first.
    controller->closeFolder();
    EXPECT_FALSE(controller->grabbedIcon());
    EXPECT_EQ(viewOf(tools, "T9")->frame(), slotFrame(tools, 0));
}

TEST_F(Interaction, LeavingEditModeDropsTheHeldIcon)
{
    controller->iconHandleLongPress(icon("A2").ptr());
    controller->dragGrabbedIconToPoint(CGPointMake(5, 5));
    controller->setIsEditing(false);
    EXPECT_FALSE(controller->grabbedIcon());
    EXPECT_FALSE(controller->isEditing());
    EXPECT_EQ(viewOf(page(0), "A2")->frame(), slotFrame(page(0), 0));
    for (const Ref<SBIconListView>& list : controller->allIconLists())
        EXPECT_FALSE(list->isEditing());
}

TEST_F(Interaction, LaunchesSayWhereTheyCameFrom)
{
    struct Case {
        const char* icon;
        const char* location;
    };
    controller->openFolder(folder("Tools"), false);
    for (Case c : { Case { "A1", "from location 0" }, Case { "D2", "from location 1" }, Case { "T3", "from location 2" } }) {
        SCOPED_TRACE(c.icon);
        LogCapture log;
        EXPECT_TRUE(controller->launchIcon(icon(c.icon)));
        EXPECT_TRUE(log.contains(c.location));
        EXPECT_EQ(controller->lastLaunchedApplication()->name(), c.icon);
    }
    EXPECT_FALSE(controller->launchIcon(icon("P"))) << "a placeholder launches nothing";
    EXPECT_EQ(controller->lastLaunchedApplication()->name(), "T3");
    // An icon that is not on screen launches without an animation.
    EXPECT_TRUE(controller->launchIcon(icon("B1")));
    EXPECT_EQ(viewOf(page(1), "B1")->alpha(), 1.0);
}

TEST_F(Interaction, OpeningAnotherFolderClosesTheFirst)
{
    controller->openFolder(folder("Tools"), true);
    controller->openFolder(folder("Newsstand"), true);
    EXPECT_EQ(controller->_openFolderController()->folderObject().ptr(), folder("Newsstand").ptr());
    EXPECT_FALSE(folderPage("Tools", 0)->superview()->superview()) << "the first folder's background left the content view";
    EXPECT_EQ(controller->_rootFolderController()->folderControllers()->count(), 2u);
}
