// Every message the extension relies on, sent through the runtime as the
// extension sends it, with the meaning of each answer checked.

#include "SpringBoardTestSupport.h"

#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSSet.h"
#include "platform/Foundation/NSString.h"
#include "platform/SpringBoard/SBApplication.h"
#include "platform/SpringBoard/SBCompletionBlock.h"
#include "platform/SpringBoard/SBIconAnimator.h"
#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/SpringBoard/SBIconListModel.h"
#include "platform/SpringBoard/SBLockScreenViewController.h"
#include "platform/SpringBoard/SBRootFolderController.h"
#include "platform/UIKit/UIWindow.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sbtest;

namespace {

class Conformance : public SpringBoardTest {
protected:
    void SetUp() override
    {
        SpringBoardTest::SetUp();
        launch();
    }

    id shared() { return msgSend<RefPtr<objc_object>>(objc_getClass("SBIconController"), "sharedInstance").get(); }
    RefPtr<objc_object> send(id receiver, const char* selector) { return msgSend<RefPtr<objc_object>>(receiver, selector); }
    std::string displayName(id object)
    {
        RefPtr<NSString> name = msgSend<RefPtr<NSString>>(object, "displayName");
        return name ? name->string() : "<nil>";
    }
    bool isKind(id object, const char* className) { return msgSend<bool>(object, "isKindOfClass:", objc_getClass(className)); }

    // A home-screen slot of the 4-inch phone's stock grid.
    static CGPoint stockOrigin(uint64_t index, int64_t orientation = 1)
    {
        return SBCurrentGridMetrics().homePage(SBGridOrientationFor(orientation)).originForIconAtIndex(index);
    }
};

} // namespace

TEST_F(Conformance, TheIconControllerAnswersForTheHomeScreen)
{
    id iconController = shared();
    ASSERT_EQ(iconController, controller.get()) << "one shared instance";
    EXPECT_TRUE(isKind(iconController, "SBIconController"));

    RefPtr<UIView> contentView = msgSend<RefPtr<UIView>>(iconController, "contentView");
    ASSERT_TRUE(contentView);
    EXPECT_EQ(msgSend<CGRect>(contentView, "frame"), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(msgSend<CGRect>(contentView, "bounds"), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(contentView->superview().get(), springBoard->window().get()) << "the content view is the window's";

    EXPECT_EQ(msgSend<int64_t>(iconController, "orientation"), 1);
    EXPECT_FALSE(msgSend<bool>(iconController, "isEditing"));
    RefPtr<objc_object> rootFolder = send(iconController, "rootFolder");
    EXPECT_TRUE(isKind(rootFolder.get(), "SBRootFolder"));
    EXPECT_EQ(msgSend<uint64_t>(iconController, "currentIconListIndex"), 0u);

    struct Case {
        uint64_t index;
        bool valid;
    };
    for (Case c : { Case { 0, true }, Case { 1, true }, Case { 2, false }, Case { NSNotFound, false } }) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(msgSend<bool>(iconController, "_iconListIndexIsValid:", c.index), c.valid);
        RefPtr<objc_object> page = msgSend<RefPtr<objc_object>>(iconController, "rootIconListAtIndex:", c.index);
        EXPECT_EQ(static_cast<bool>(page), c.valid);
        if (page) {
            EXPECT_TRUE(msgSend<bool>(page, "isMemberOfClass:", objc_getClass("SBRootIconListView")));
            EXPECT_TRUE(msgSend<bool>(page, "isEqual:", page.get()));
            EXPECT_FALSE(msgSend<bool>(page, "isEqual:", static_cast<objc_object*>(dock().ptr())));
            EXPECT_EQ(page.get(), static_cast<objc_object*>(this->page(c.index).ptr()));
        }
    }
    EXPECT_EQ(send(iconController, "currentRootIconList").get(), static_cast<objc_object*>(page(0).ptr()));
    EXPECT_FALSE(send(iconController, "currentFolderIconList")) << "no folder open";
    EXPECT_FALSE(send(iconController, "_openFolderController"));
    EXPECT_FALSE(send(iconController, "grabbedIcon"));

    RefPtr<objc_object> rootController = send(iconController, "_rootFolderController");
    EXPECT_TRUE(isKind(rootController.get(), "SBFolderController"));
    RefPtr<NSArray> controllers = msgSend<RefPtr<NSArray>>(rootController, "folderControllers");
    ASSERT_TRUE(controllers);
    ASSERT_EQ(controllers->count(), 1u) << "only the root with no folder open";
    EXPECT_EQ(controllers->objectAtIndex(0).get(), dynamic_cast<NSObject*>(rootController.get()));
    RefPtr<NSArray> pages = msgSend<RefPtr<NSArray>>(rootController, "iconListViews");
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->count(), 2u) << "the pages, not the dock";
}

TEST_F(Conformance, AnOpenFolderIsTheCurrentFolderListAndOnTheControllerChain)
{
    id iconController = shared();
    Ref<SBFolder> tools = folder("Tools");
    bool completed = false;
    Ref<SBCompletionBlock> completion = SBCompletionBlock::create([&](bool finished) { completed = finished; });
    RefPtr<objc_object> rootController = send(iconController, "_rootFolderController");
    msgSend(rootController, "pushFolder:animated:completion:", tools.ptr(), true, completion.ptr());
    EXPECT_FALSE(completed) << "the folder is still opening";
    clock.advance(1);
    EXPECT_TRUE(completed);

    RefPtr<objc_object> open = send(iconController, "_openFolderController");
    ASSERT_TRUE(open);
    EXPECT_EQ(send(open.get(), "folder").get(), static_cast<objc_object*>(tools.ptr()));
    RefPtr<objc_object> list = send(iconController, "currentFolderIconList");
    ASSERT_TRUE(list);
    EXPECT_TRUE(msgSend<bool>(list, "isMemberOfClass:", objc_getClass("SBFolderIconListView")));
    EXPECT_EQ(namesOf(msgSend<RefPtr<NSArray>>(list, "icons")), (std::vector<std::string> { "T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8", "T9" }));

    RefPtr<NSArray> controllers = msgSend<RefPtr<NSArray>>(rootController, "folderControllers");
    ASSERT_EQ(controllers->count(), 2u);
    EXPECT_EQ(controllers->objectAtIndex(1).get(), dynamic_cast<NSObject*>(open.get()));
    RefPtr<NSArray> folderPages = msgSend<RefPtr<NSArray>>(open, "iconListViews");
    ASSERT_EQ(folderPages->count(), 2u);
    EXPECT_EQ(namesOf(msgSend<RefPtr<NSArray>>(dynamic_cast<objc_object*>(folderPages->objectAtIndex(1).get()), "icons")),
        (std::vector<std::string> { "T10", "T11" }));

    // The folder's background is centred in the content view, with the
    // device's size and corner radius.
    Class background = objc_getClass("SBFolderBackgroundView");
    CGSize size = msgSend<CGSize>(background, "folderBackgroundSize");
    EXPECT_EQ(size, CGSizeMake(272, 272));
    EXPECT_EQ(msgSend<double>(background, "cornerRadiusToInsetContent"), 36.0);
    RefPtr<UIView> listView = dynamicRefCast<UIView>(list);
    ASSERT_TRUE(listView && listView->superview());
    EXPECT_EQ(listView->superview()->frame(), CGRectMake(24, 148, 272, 272));

    controller->closeFolder();
    EXPECT_FALSE(send(iconController, "currentFolderIconList"));
    EXPECT_FALSE(send(iconController, "_openFolderController"));
}

TEST_F(Conformance, ListsAnswerTheirIconsViewsAndState)
{
    Ref<SBIconListView> first = page(0);
    id list = first.ptr();
    EXPECT_EQ(namesOf(msgSend<RefPtr<NSArray>>(list, "icons")),
        (std::vector<std::string> { "A1", "A2", "A3", "A4", "A5", "A6", "Tools", "Newsstand", "P" }));
    EXPECT_EQ(msgSend<int64_t>(list, "orientation"), 1);
    EXPECT_EQ(msgSend<CGSize>(list, "defaultIconSize"), CGSizeMake(60, 72));
    EXPECT_EQ(msgSend<CGRect>(list, "bounds"), CGRectMake(0, 0, 320, 452)) << "the screen less the status bar and the dock";
    EXPECT_EQ(msgSend<CGRect>(list, "frame"), CGRectMake(0, 20, 320, 452));

    // Each icon has a view at its slot, fully opaque.
    Ref<SBIcon> a3 = icon("A3");
    RefPtr<objc_object> view = msgSend<RefPtr<objc_object>>(list, "viewForIcon:", a3.ptr());
    ASSERT_TRUE(view);
    EXPECT_EQ(send(view.get(), "icon").get(), static_cast<objc_object*>(a3.ptr()));
    EXPECT_EQ(msgSend<CGRect>(view, "frame"), (CGRect { stockOrigin(2), CGSizeMake(60, 72) }));
    EXPECT_EQ(msgSend<double>(view, "alpha"), 1.0);
    EXPECT_FALSE(msgSend<RefPtr<objc_object>>(list, "viewForIcon:", icon("B1").ptr())) << "B1 is on another page";
    EXPECT_FALSE(msgSend<RefPtr<objc_object>>(list, "viewForIcon:", nullptr));

    struct Coordinate {
        int64_t row, col;
        uint64_t index;
    };
    for (Coordinate c : { Coordinate { 1, 1, 0 }, Coordinate { 2, 3, 6 }, Coordinate { 5, 4, 19 }, Coordinate { 7, 1, 24 },
             Coordinate { 1, 5, NSNotFound }, Coordinate { 0, 1, NSNotFound }, Coordinate { 1, 0, NSNotFound } }) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
        EXPECT_EQ(msgSend<uint64_t>(list, "indexForCoordinate:forOrientation:", SBIconCoordinate { c.row, c.col }, int64_t { 1 }), c.index);
    }
    EXPECT_EQ(msgSend<uint64_t>(list, "indexForCoordinate:forOrientation:", SBIconCoordinate { 2, 1 }, int64_t { 3 }), 5u)
        << "five columns in landscape";

    EXPECT_FALSE(msgSend<bool>(list, "isEditing"));
    msgSend(list, "setEditing:", true);
    EXPECT_TRUE(msgSend<bool>(list, "isEditing"));
    msgSend(list, "setOrientation:", int64_t { 3 });
    EXPECT_EQ(msgSend<int64_t>(list, "orientation"), 3);
    msgSend(list, "setOrientation:", int64_t { 1 });

    // The private model names the list's folder.
    Ivar modelIvar = class_getInstanceVariable(object_getClass(list), "_model");
    ASSERT_TRUE(modelIvar);
    RefPtr<Object> model = object_getIvarAtOffset(list, ivar_getOffset(modelIvar));
    ASSERT_TRUE(model);
    RefPtr<objc_object> modelFolder = send(dynamic_cast<objc_object*>(model.get()), "folder");
    EXPECT_TRUE(isKind(modelFolder.get(), "SBRootFolder"));
    Ref<SBIconListView> toolsPage = folderPage("Tools", 0);
    RefPtr<Object> toolsModel = object_getIvar(toolsPage.ptr(), class_getInstanceVariable(object_getClass(toolsPage.ptr()), "_model"));
    EXPECT_EQ(displayName(send(dynamic_cast<objc_object*>(toolsModel.get()), "folder").get()), "Tools");
}

TEST_F(Conformance, RemovingAnIconTakesItsViewAndTheRestCloseUpAtTheNextLayout)
{
    Ref<SBIconListView> first = page(0);
    Ref<SBIcon> a2 = icon("A2");
    RefPtr<SBIconView> a2View = first->iconViewForIcon(a2.ptr());
    EXPECT_EQ(msgSend<uint64_t>(first.ptr(), "firstFreeSlotIndex"), 9u);
    msgSend(first.ptr(), "removeIcon:", a2.ptr());
    EXPECT_EQ(namesOf(first->icons()), (std::vector<std::string> { "A1", "A3", "A4", "A5", "A6", "Tools", "Newsstand", "P" }));
    EXPECT_FALSE(a2View->superview()) << "the view left the list";
    EXPECT_EQ(msgSend<uint64_t>(first.ptr(), "firstFreeSlotIndex"), 8u);
    clock.advance(0.01);
    EXPECT_EQ(viewOf(first, "A3")->frame().origin, stockOrigin(1)) << "laid out again on the next pass";
    msgSend(first.ptr(), "removeIcon:", nullptr);
    msgSend(first.ptr(), "removeIcon:", a2.ptr());
    EXPECT_EQ(first->icons()->count(), 8u) << "an icon that is not there changes nothing";

    // A full list has no free slot.
    Ref<SBIconListView> dockList = dock();
    EXPECT_EQ(msgSend<uint64_t>(dockList.ptr(), "firstFreeSlotIndex"), 3u);
    dockList->listModel()->addIcon(a2);
    EXPECT_EQ(msgSend<uint64_t>(dockList.ptr(), "firstFreeSlotIndex"), NSNotFound);
}

TEST_F(Conformance, ClassMethodsAnswerForTheClassThatIsAsked)
{
    Class subclass = objc_allocateClassPair(objc_getClass("SBRootIconListView"), "ConformanceRootSubclass");
    objc_registerClassPair(subclass);
    struct Case {
        const char* className;
        uint64_t maxIcons;
        uint64_t portraitColumns, portraitRows;
        uint64_t landscapeColumns, landscapeRows;
    };
    const Case cases[] = {
        { "SBIconListView", 20, 4, 5, 5, 4 },
        { "SBRootIconListView", 20, 4, 5, 5, 4 },
        { "ConformanceRootSubclass", 20, 4, 5, 5, 4 },
        { "SBFolderIconListView", 9, 3, 3, 3, 3 },
        { "SBNewsstandIconListView", 9, 3, 3, 3, 3 },
        { "SBDockIconListView", 4, 4, 1, 1, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        Class cls = objc_getClass(c.className);
        ASSERT_TRUE(cls);
        EXPECT_EQ(msgSend<uint64_t>(cls, "maxIcons"), c.maxIcons);
        EXPECT_EQ(msgSend<uint64_t>(cls, "iconColumnsForInterfaceOrientation:", int64_t { 1 }), c.portraitColumns);
        EXPECT_EQ(msgSend<uint64_t>(cls, "iconRowsForInterfaceOrientation:", int64_t { 1 }), c.portraitRows);
        EXPECT_EQ(msgSend<uint64_t>(cls, "maxVisibleIconRowsInterfaceOrientation:", int64_t { 1 }), c.portraitRows);
        EXPECT_EQ(msgSend<uint64_t>(cls, "iconColumnsForInterfaceOrientation:", int64_t { 4 }), c.landscapeColumns);
        EXPECT_EQ(msgSend<uint64_t>(cls, "iconRowsForInterfaceOrientation:", int64_t { 4 }), c.landscapeRows);
    }
    EXPECT_EQ(msgSend<double>(objc_getClass("SBDockIconListView"), "defaultHeight"), 96.0);
    EXPECT_EQ(msgSend<uint64_t>(objc_getClass("SBFolderIcon"), "_maxIconsInGridImage"), 9u);
    EXPECT_EQ(msgSend<uint64_t>(objc_getClass("SBNewsstandIcon"), "_maxIconsInGridImage"), 9u);
}

TEST_F(Conformance, PlacementQuestionsFollowTheStockGrid)
{
    id list = page(0).ptr();
    for (uint64_t index : { 0u, 3u, 4u, 19u, 23u }) {
        SCOPED_TRACE(index);
        EXPECT_EQ(msgSend<CGPoint>(list, "originForIconAtIndex:", index), stockOrigin(index));
    }
    EXPECT_EQ(msgSend<CGPoint>(list, "originForIconAtIndex:", NSNotFound), CGPointZero);

    Ref<SBIcon> a6 = icon("A6");
    CGPoint origin = stockOrigin(5);
    CGPoint center = CGPointMake(origin.x + 30, origin.y + 36);
    EXPECT_EQ(msgSend<CGPoint>(list, "originForIcon:", a6.ptr()), origin);
    EXPECT_EQ(msgSend<CGPoint>(list, "centerForIcon:", a6.ptr()), center);
    EXPECT_EQ(msgSend<CGPoint>(list, "originForIconAtCoordinate:", SBIconCoordinate { 2, 2 }), origin);
    EXPECT_EQ(msgSend<CGPoint>(list, "centerForIconCoordinate:", SBIconCoordinate { 2, 2 }), center);
    EXPECT_EQ(msgSend<CGPoint>(list, "originForIcon:", icon("B1").ptr()), CGPointZero) << "an icon of another page has no slot here";

    // Hit testing: the row and column of the cell under a point.
    EXPECT_EQ(msgSend<uint64_t>(list, "rowAtPoint:", center), 1u);
    EXPECT_EQ(msgSend<uint64_t>(list, "columnAtPoint:", center), 1u);
    CGPoint last = stockOrigin(19);
    EXPECT_EQ(msgSend<uint64_t>(list, "rowAtPoint:", CGPointMake(last.x + 30, last.y + 36)), 4u);
    EXPECT_EQ(msgSend<uint64_t>(list, "columnAtPoint:", CGPointMake(last.x + 30, last.y + 36)), 3u);
    EXPECT_EQ(msgSend<uint64_t>(list, "rowAtPoint:", CGPointMake(-50, -50)), 0u) << "beyond the grid counts for its edge";
    EXPECT_EQ(msgSend<uint64_t>(list, "columnAtPoint:", CGPointMake(1000, 1000)), 3u);
    EXPECT_EQ(msgSend<uint64_t>(list, "rowAtPoint:", CGPointMake(1000, 1000)), 4u);

    // Laying out puts every view at its slot.
    viewOf(page(0), "A1")->setFrame(CGRectMake(1, 1, 1, 1));
    msgSend(list, "layoutIconsNow");
    EXPECT_EQ(viewOf(page(0), "A1")->frame(), (CGRect { stockOrigin(0), CGSizeMake(60, 72) }));
}

TEST_F(Conformance, FoldersAnswerTheirNamesIconsPagesAndPaths)
{
    id rootFolder = controller->rootFolder().get();
    RefPtr<NSSet> folderIcons = msgSend<RefPtr<NSSet>>(rootFolder, "folderIcons");
    ASSERT_TRUE(folderIcons);
    EXPECT_EQ(namesOf(folderIcons->allObjects()), (std::vector<std::string> { "Tools", "Newsstand" }));
    EXPECT_EQ(msgSend<uint64_t>(rootFolder, "listCount"), 2u);

    Ref<SBIcon> toolsIcon = icon("Tools");
    RefPtr<objc_object> tools = send(toolsIcon.ptr(), "folder");
    ASSERT_TRUE(tools);
    EXPECT_EQ(displayName(tools.get()), "Tools");
    EXPECT_EQ(send(tools.get(), "icon").get(), static_cast<objc_object*>(toolsIcon.ptr()));
    EXPECT_EQ(msgSend<uint64_t>(tools, "listCount"), 2u);
    EXPECT_EQ(msgSend<RefPtr<NSSet>>(tools, "folderIcons")->count(), 0u);
    EXPECT_FALSE(send(rootFolder, "icon")) << "the home screen has no icon";

    struct Case {
        id folder;
        const char* icon;
        uint64_t page, index;
    };
    for (Case c : { Case { rootFolder, "B2", 1, 1 }, Case { rootFolder, "Tools", 0, 6 }, Case { tools.get(), "T11", 1, 1 }, Case { tools.get(), "T1", 0, 0 } }) {
        SCOPED_TRACE(c.icon);
        RefPtr<NSIndexPath> path = msgSend<RefPtr<NSIndexPath>>(c.folder, "indexPathForIcon:", icon(c.icon).ptr());
        ASSERT_TRUE(path);
        EXPECT_EQ(path->section(), static_cast<NSInteger>(c.page));
        EXPECT_EQ(path->row(), static_cast<NSInteger>(c.index));
    }
    EXPECT_FALSE(msgSend<RefPtr<NSIndexPath>>(rootFolder, "indexPathForIcon:", icon("D1").ptr())) << "the dock is no page";
    EXPECT_FALSE(msgSend<RefPtr<NSIndexPath>>(tools, "indexPathForIcon:", icon("A1").ptr()));
}

TEST_F(Conformance, IconsHaveDisplayNamesAndKinds)
{
    struct Case {
        const char* name;
        const char* className;
    };
    const Case cases[] = {
        { "A1", "SBApplicationIcon" },
        { "Tools", "SBFolderIcon" },
        { "Newsstand", "SBNewsstandIcon" },
        { "P", "SBPlaceholderIcon" },
    };
    const char* kinds[] = { "SBFolderIcon", "SBNewsstandIcon", "SBPlaceholderIcon", "SBGridLockPlaceholderIcon" };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        id object = icon(c.name).ptr();
        EXPECT_EQ(displayName(object), c.name);
        EXPECT_TRUE(isKind(object, "SBIcon"));
        for (const char* kind : kinds) {
            bool expected = std::string(kind) == c.className || (std::string(c.className) == "SBNewsstandIcon" && std::string(kind) == "SBFolderIcon");
            EXPECT_EQ(isKind(object, kind), expected) << kind;
        }
    }
    RefPtr<objc_object> application = send(icon("A1").ptr(), "application");
    ASSERT_TRUE(application);
    EXPECT_EQ(displayName(application.get()), "A1");
    EXPECT_EQ(msgSend<RefPtr<NSString>>(application, "bundleIdentifier")->string(), "com.apple.a1");
}

TEST_F(Conformance, LongPressHoldsAnIconInEditModeAndTheTouchEndDropsIt)
{
    id iconController = shared();
    Ref<SBIcon> a4 = icon("A4");
    msgSend(iconController, "iconHandleLongPress:", a4.ptr());
    EXPECT_TRUE(msgSend<bool>(iconController, "isEditing"));
    EXPECT_TRUE(msgSend<bool>(page(0).ptr(), "isEditing")) << "every list is in edit mode";
    EXPECT_TRUE(msgSend<bool>(dock().ptr(), "isEditing"));
    EXPECT_EQ(send(iconController, "grabbedIcon").get(), static_cast<objc_object*>(a4.ptr()));
    msgSend(iconController, "icon:touchEnded:", a4.ptr(), true);
    EXPECT_FALSE(send(iconController, "grabbedIcon"));
    EXPECT_TRUE(msgSend<bool>(iconController, "isEditing")) << "edit mode lasts beyond the touch";
    msgSend(iconController, "iconHandleLongPress:", nullptr);
    EXPECT_FALSE(send(iconController, "grabbedIcon"));
}

TEST_F(Conformance, PagesAreMadeOnRequestAndInsertedIconsPassTheSurplusOn)
{
    id iconController = shared();
    id rootFolder = controller->rootFolder().get();
    EXPECT_FALSE(msgSend<RefPtr<objc_object>>(iconController, "iconListViewAtIndex:inFolder:createIfNecessary:", uint64_t { 2 }, rootFolder, false));
    EXPECT_FALSE(msgSend<RefPtr<objc_object>>(iconController, "iconListViewAtIndex:inFolder:createIfNecessary:", uint64_t { 3 }, rootFolder, true))
        << "only the page after the last can be made";
    RefPtr<objc_object> third = msgSend<RefPtr<objc_object>>(iconController, "iconListViewAtIndex:inFolder:createIfNecessary:", uint64_t { 2 }, rootFolder, true);
    ASSERT_TRUE(third);
    EXPECT_TRUE(msgSend<bool>(third, "isMemberOfClass:", objc_getClass("SBRootIconListView")));
    EXPECT_EQ(msgSend<RefPtr<NSArray>>(third, "icons")->count(), 0u) << "a new page starts empty";
    EXPECT_EQ(msgSend<uint64_t>(rootFolder, "listCount"), 3u);
    EXPECT_TRUE(msgSend<bool>(iconController, "_iconListIndexIsValid:", uint64_t { 2 }));
    EXPECT_EQ(msgSend<RefPtr<objc_object>>(iconController, "iconListViewAtIndex:inFolder:createIfNecessary:", uint64_t { 1 }, rootFolder, true).get(),
        static_cast<objc_object*>(page(1).ptr()));

    // Into the new page, laid out at once.
    Ref<SBIcon> b1 = icon("B1");
    msgSend(iconController, "insertIcon:intoListView:iconIndex:moveNow:", b1.ptr(), third.get(), uint64_t { 0 }, true);
    msgSend(page(1).ptr(), "removeIcon:", b1.ptr());
    EXPECT_EQ(namesOf(msgSend<RefPtr<NSArray>>(third, "icons")), std::vector<std::string> { "B1" });
    EXPECT_EQ(namesOf(page(1)->icons()), std::vector<std::string> { "B2" });
    RefPtr<SBIconView> b1View = msgSend<RefPtr<SBIconView>>(third, "viewForIcon:", b1.ptr());
    EXPECT_EQ(b1View->frame().origin, stockOrigin(0));

    // A folder's page made on request is a folder list of that folder.
    Ref<SBFolder> tools = folder("Tools");
    RefPtr<objc_object> toolsThird = msgSend<RefPtr<objc_object>>(iconController, "iconListViewAtIndex:inFolder:createIfNecessary:", uint64_t { 2 }, tools.ptr(), true);
    ASSERT_TRUE(toolsThird);
    EXPECT_TRUE(msgSend<bool>(toolsThird, "isMemberOfClass:", objc_getClass("SBFolderIconListView")));
    EXPECT_EQ(msgSend<uint64_t>(tools.ptr(), "listCount"), 3u);

    // A full folder page passes its last icon on to the next page.
    Ref<SBIcon> a1 = icon("A1");
    msgSend(iconController, "insertIcon:intoListView:iconIndex:moveNow:", a1.ptr(), static_cast<objc_object*>(folderPage("Tools", 0).ptr()), uint64_t { 0 }, true);
    EXPECT_EQ(namesOf(folderPage("Tools", 0)->icons()), (std::vector<std::string> { "A1", "T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8" }));
    EXPECT_EQ(namesOf(folderPage("Tools", 1)->icons()), (std::vector<std::string> { "T9", "T10", "T11" }));
    msgSend(iconController, "insertIcon:intoListView:iconIndex:moveNow:", nullptr, third.get(), uint64_t { 0 }, true);
    EXPECT_EQ(msgSend<RefPtr<NSArray>>(third, "icons")->count(), 1u);
}

TEST_F(Conformance, CompactionClosesPlaceholderGapsAndLaysOut)
{
    Ref<SBIconListView> first = page(0);
    Ref<NSArray> icons = *first->icons();
    // Put the placeholder in the middle.
    Ref<SBIcon> placeholder = icon("P");
    first->listModel()->removeIcon(placeholder.ptr());
    first->listModel()->insertIcon(placeholder, 1);
    msgSend(first.ptr(), "compactIcons:", false);
    EXPECT_EQ(namesOf(first->icons()), (std::vector<std::string> { "A1", "A2", "A3", "A4", "A5", "A6", "Tools", "Newsstand" }));
    EXPECT_EQ(viewOf(first, "A2")->frame().origin, stockOrigin(1));
    EXPECT_EQ(viewOf(first, "Newsstand")->frame().origin, stockOrigin(7));
}

TEST_F(Conformance, RotationPreparationTurnsAListToTheOrientation)
{
    id list = page(0).ptr();
    msgSend(list, "prepareToRotateToInterfaceOrientation:", int64_t { 3 });
    EXPECT_EQ(msgSend<int64_t>(list, "orientation"), 3);
    EXPECT_EQ(viewOf(page(0), "A2")->frame().origin, stockOrigin(1, 3)) << "laid out in the landscape grid";
}

TEST_F(Conformance, LaunchingFromAnIconAnimatesAndCleansUp)
{
    Ref<SBIcon> a5 = icon("A5");
    RefPtr<objc_object> application = send(a5.ptr(), "application");
    EXPECT_TRUE(msgSend<bool>(application, "icon:launchFromLocation:", a5.ptr(), int32_t { 0 }));
    Ref<SBIconView> view = viewOf(page(0), "A5");
    EXPECT_EQ(view->alpha(), 0.0) << "the icon opens into the application";
    EXPECT_EQ(controller->lastLaunchedApplication().get(), dynamic_cast<SBApplication*>(application.get()));
    clock.advance(SBIconAnimator::launchDuration + 0.01);
    EXPECT_EQ(view->alpha(), 1.0) << "cleaned up after the animation";
    EXPECT_FALSE(msgSend<bool>(application, "icon:launchFromLocation:", nullptr, int32_t { 0 }));
}

TEST_F(Conformance, UnlockingTakesTheLockScreenAway)
{
    Ref<SBLockScreenViewController> lockScreen = springBoard->lockScreenViewController();
    lockScreen->lock();
    EXPECT_TRUE(lockScreen->isLocked());
    EXPECT_EQ(lockScreen->view()->superview().get(), springBoard->window().get());
    msgSend(lockScreen.ptr(), "finishUIUnlockFromSource:", int32_t { 1 });
    EXPECT_FALSE(lockScreen->isLocked());
    EXPECT_FALSE(lockScreen->view()->superview());
}

TEST_F(Conformance, FinishingLaunchingLaysEveryListOut)
{
    // A second launch of the same home screen: the views start at zero
    // until the application finishes launching.
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(smallHomeScreen(), nullptr);
    controller = SBIconController::create(*rootFolder);
    setSharedIconController(controller);
    Ref<SBIconView> d2 = viewOf(dock(), "D2");
    EXPECT_EQ(d2->frame(), CGRectZero);
    springBoard = SpringBoard::create();
    msgSend(springBoard.get(), "applicationDidFinishLaunching:", springBoard.get());
    EXPECT_TRUE(springBoard->hasFinishedLaunching());
    EXPECT_EQ(d2->frame(), SBCurrentGridMetrics().dock(SBGridOrientation::Portrait).frameForIconAtIndex(1));
    EXPECT_EQ(viewOf(folderPage("Tools", 1), "T11")->frame(), SBCurrentGridMetrics().folderPage(SBGridOrientation::Portrait).frameForIconAtIndex(1));
}
