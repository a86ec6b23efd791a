// SpringBoard lays every list out on its stock grid, on every device and in
// both orientations, and turns with the interface.

#include "SpringBoardTestSupport.h"

#include "platform/SpringBoard/SBDockIconListView.h"
#include "platform/SpringBoard/SBFolderBackgroundView.h"
#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/SpringBoard/SBRootFolderController.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UIWindow.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sbtest;

namespace {

struct DeviceCase {
    const char* profile;
    int64_t deviceClass;
};

const DeviceCase devices[] = { { "iphone-3.5", 0 }, { "iphone-4", 1 }, { "iphone-4.7", 2 }, { "iphone-5.5", 3 }, { "ipad", 4 } };

class StockGrid : public SpringBoardTest {
protected:
    // Every icon of the list sits at its stock frame, and the list at its own.
    void expectStock(SBIconListView& list, const SBIconListGeometry& geometry, const std::string& what)
    {
        SCOPED_TRACE(what);
        EXPECT_EQ(list.frame(), geometry.frame);
        std::vector<Ref<SBIcon>> icons = list.listModel()->iconObjects();
        for (size_t index = 0; index < icons.size(); ++index) {
            RefPtr<SBIconView> view = list.iconViewForIcon(icons[index].ptr());
            ASSERT_TRUE(view);
            EXPECT_EQ(view->frame(), geometry.frameForIconAtIndex(index)) << icons[index]->name();
            EXPECT_EQ(view->alpha(), 1.0);
        }
    }

    void expectEveryListStock(const SBIconGridMetrics& metrics, SBGridOrientation orientation, const std::string& what)
    {
        Ref<SBRootFolderController> rootController = controller->rootFolderControllerObject();
        for (const Ref<SBIconListView>& list : rootController->listViews())
            expectStock(list, metrics.homePage(orientation), what + " page");
        expectStock(*rootController->dockListView(), metrics.dock(orientation), what + " dock");
        for (const Ref<SBFolderController>& folderController : controller->folderControllersOfFolders()) {
            for (const Ref<SBIconListView>& list : folderController->listViews())
                expectStock(list, metrics.folderPage(orientation), what + " " + folderController->folderObject()->name());
        }
    }
};

} // namespace

TEST_F(StockGrid, EveryListFollowsTheDevicesGridInBothOrientations)
{
    for (const DeviceCase& device : devices) {
        SCOPED_TRACE(device.profile);
        useDevice(device.profile);
        launch(SBHomeScreenDescription::defaultDescription());
        const SBIconGridMetrics& metrics = *SBIconGridMetrics::forDeviceClass(device.deviceClass);
        ASSERT_EQ(&SBCurrentGridMetrics(), &metrics);
        expectEveryListStock(metrics, SBGridOrientation::Portrait, "portrait");

        for (int64_t orientation : { int64_t { 3 }, int64_t { 4 }, int64_t { 2 }, int64_t { 1 } }) {
            SCOPED_TRACE(orientation);
            EXPECT_TRUE(springBoard->rotateToInterfaceOrientation(orientation));
            EXPECT_EQ(UIApplication::sharedApplication()->statusBarOrientation(), orientation);
            SBGridOrientation grid = SBGridOrientationFor(orientation);
            CGRect screen { CGPointZero, metrics.screenSize(grid) };
            EXPECT_EQ(controller->orientation(), orientation);
            EXPECT_EQ(UIScreen::mainScreen().bounds(), screen);
            EXPECT_EQ(springBoard->window()->frame(), screen);
            EXPECT_EQ(controller->contentViewObject()->frame(), screen);
            for (const Ref<SBIconListView>& list : controller->allIconLists())
                EXPECT_EQ(list->orientation(), orientation);
            expectEveryListStock(metrics, grid, orientation == 3 || orientation == 4 ? "landscape" : "portrait");
        }
        EXPECT_FALSE(springBoard->rotateToInterfaceOrientation(1)) << "it faces that way already";
        EXPECT_FALSE(springBoard->rotateToInterfaceOrientation(0));
        EXPECT_EQ(controller->orientation(), 1);
        setSharedIconController(nullptr);
    }
}

TEST_F(StockGrid, AnOpenFolderTurnsCentredWithItsPages)
{
    useDevice("ipad");
    launch();
    controller->openFolder(folder("Tools"), false);
    RefPtr<SBFolderBackgroundView> background = controller->folderControllerForFolder(folder("Tools").ptr())->backgroundView();
    ASSERT_TRUE(background && background->superview());
    EXPECT_EQ(background->frame(), CGRectMake(144, 272, 480, 480));
    springBoard->rotateToInterfaceOrientation(3);
    EXPECT_EQ(background->frame(), CGRectMake(272, 144, 480, 480));
    expectStock(folderPage("Tools", 0), SBCurrentGridMetrics().folderPage(SBGridOrientation::Landscape), "Tools in landscape");
    EXPECT_EQ(controller->currentFolderIconList()->orientation(), 3);
}

TEST_F(StockGrid, OnlyThePageOnScreenShows)
{
    launch();
    EXPECT_FALSE(page(0)->hidden());
    EXPECT_TRUE(page(1)->hidden());
    EXPECT_TRUE(controller->scrollToIconListAtIndex(1));
    EXPECT_EQ(controller->currentIconListIndex(), 1u);
    EXPECT_TRUE(page(0)->hidden());
    EXPECT_FALSE(page(1)->hidden());
    EXPECT_FALSE(controller->scrollToIconListAtIndex(2));
    EXPECT_EQ(controller->currentIconListIndex(), 1u);

    // With a folder open, its pages scroll instead.
    controller->openFolder(folder("Tools"), false);
    EXPECT_TRUE(controller->scrollToIconListAtIndex(1));
    EXPECT_EQ(controller->currentFolderIconList().get(), folderPage("Tools", 1).ptr());
    EXPECT_TRUE(folderPage("Tools", 0)->hidden());
    EXPECT_EQ(controller->currentIconListIndex(), 1u);
    controller->closeFolder();
    controller->openFolder(folder("Tools"), false);
    EXPECT_EQ(controller->currentFolderIconList().get(), folderPage("Tools", 0).ptr()) << "a folder opens on its first page";
}
