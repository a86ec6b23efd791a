// SpringBoard sends every message an extension may replace through the
// runtime, at the moments the extension relies on, so that a replacement
// takes effect wherever SpringBoard would call the method.

#include "SpringBoardTestSupport.h"

#include "platform/SpringBoard/SBApplicationIcon.h"
#include "platform/SpringBoard/SBFolderIconZoomAnimator.h"
#include "platform/SpringBoard/SBIconAnimator.h"
#include "platform/SpringBoard/SBLockScreenViewController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <mutex>

using namespace qv;
using namespace qv::sbtest;

namespace {

// "selector ReceiverClass" for each recorded call, while a test listens.
std::vector<std::string>* listening = nullptr;

// Replaces the message's method on the class with one that notes the call
// and passes it on unchanged.
template<typename Receiver, typename R, typename... A>
void record(const ObjCMessage<Receiver, R(A...)>& message, Class cls)
{
    // Saved implementations stay where they are for the whole process.
    static std::deque<ObjCSavedImplementation<Receiver, R(A...)>> savedImplementations;
    auto* saved = &savedImplementations.emplace_back();
    message.hook(cls, [saved, &message](Receiver* self, A... arguments) -> R {
        if (listening)
            listening->push_back(std::string(message.name()) + " " + object_getClassName(self));
        return (*saved)(self, arguments...);
    }, saved);
}

void recordEveryReplaceableMessage()
{
    static std::once_flag once;
    std::call_once(once, [] {
        using List = SBIconListViewMessages;
        Class list = objc_getClass("SBIconListView");
        record(List::maxIcons, list);
        record(List::iconRowsForInterfaceOrientation, list);
        record(List::maxVisibleIconRowsInterfaceOrientation, list);
        record(List::centerForIconCoordinate, list);
        record(List::centerForIcon, list);
        record(List::prepareToRotateToInterfaceOrientation, list);
        record(List::rowAtPoint, list);
        record(List::columnAtPoint, list);
        record(List::originForIcon, list);
        record(List::originForIconAtCoordinate, list);
        record(List::originForIconAtIndex, list);
        record(List::setEditing, list);
        record(List::compactIcons, list);
        record(SBApplicationMessages::iconLaunchFromLocation, objc_getClass("SBApplication"));
        record(SBIconControllerMessages::iconHandleLongPress, objc_getClass("SBIconController"));
        record(SBIconControllerMessages::iconTouchEnded, objc_getClass("SBIconController"));
        record(SBFolderIconMessages::_maxIconsInGridImage, objc_getClass("SBFolderIcon"));
        record(SBLockScreenViewControllerMessages::finishUIUnlockFromSource, objc_getClass("SBLockScreenViewController"));
        record(SBFolderControllerMessages::pushFolder, objc_getClass("SBFolderController"));
        record(SpringBoardMessages::applicationDidFinishLaunching, objc_getClass("SpringBoard"));
        record(SBIconAnimatorMessages::_cleanupAnimation, objc_getClass("SBIconAnimator"));
    });
}

class ReplaceableMessages : public SpringBoardTest {
protected:
    std::vector<std::string> calls;

    void SetUp() override
    {
        SpringBoardTest::SetUp();
        recordEveryReplaceableMessage();
        listening = &calls;
    }
    void TearDown() override
    {
        SpringBoardTest::TearDown();
        listening = nullptr;
    }

    bool called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    // Where the first such call came, or past the end.
    size_t position(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) - calls.begin(); }
};

// An extension's replacements, in effect while a test turns them on.
bool shifting = false;
ObjCSavedImplementation<SBIconListView, CGPoint(uint64_t)> savedOrigin;
ObjCSavedImplementation<objc_class, uint64_t()> savedMaxIcons;

CGPoint SBIconListView_originForIconAtIndex_shift(SBIconListView* self, SEL, uint64_t index)
{
    CGPoint origin = savedOrigin(self, index);
    return shifting ? CGPointMake(origin.x + 7, origin.y + 11) : origin;
}

uint64_t SBIconListView_maxIcons_more(Class self, SEL)
{
    uint64_t stock = savedMaxIcons(self);
    return shifting ? stock + 3 : stock;
}

void replaceOriginAndCapacity()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Class list = objc_getClass("SBIconListView");
        MSHookMessageEx(list, SBIconListViewMessages::originForIconAtIndex, &SBIconListView_originForIconAtIndex_shift, &savedOrigin);
        MSHookMessageEx(object_getClass(list), SBIconListViewMessages::maxIcons, &SBIconListView_maxIcons_more, &savedMaxIcons);
    });
}

// An extension's overflow, as the placement replacement starts it from
// inside a layout: asked for a slot past the third on the first page, it
// moves that icon and every one after it to the next page.
bool overflowing = false;
ObjCSavedImplementation<SBIconListView, CGPoint(uint64_t)> savedOverflowOrigin;

void replaceOriginWithOverflow()
{
    static std::once_flag once;
    std::call_once(once, [] {
        SBIconListViewMessages::originForIconAtIndex.hook(objc_getClass("SBIconListView"), [](SBIconListView* self, uint64_t index) {
            RefPtr<SBIconController> controller = SBIconController::sharedInstance();
            if (overflowing && index >= 3 && self == controller->rootIconListAtIndex(0).get()) {
                RefPtr<SBIconListView> next = controller->iconListViewAtIndex(1, controller->rootFolder().get(), true);
                RefPtr<NSArray> icons = self->icons();
                for (uint64_t moved = index; moved < icons->count(); ++moved) {
                    RefPtr<SBIcon> icon = icons->objectAtIndex<SBIcon>(moved);
                    controller->insertIcon(icon.get(), next.get(), next->firstFreeSlotIndex(), true);
                    self->removeIcon(icon.get());
                }
            }
            return savedOverflowOrigin(self, index);
        }, &savedOverflowOrigin);
    });
}

} // namespace

TEST_F(ReplaceableMessages, IconsMovedAwayWhileAListIsLaidOutEndUpLaidOutWhereTheyWent)
{
    replaceOriginWithOverflow();
    launch();
    overflowing = true;
    page(0)->layoutIconsNow();
    overflowing = false;
    EXPECT_EQ(namesOf(page(0)->icons()), (std::vector<std::string> { "A1", "A2", "A3" }));
    EXPECT_EQ(namesOf(page(1)->icons()), (std::vector<std::string> { "B1", "B2", "A4", "A5", "A6", "Tools", "Newsstand", "P" }));
    clock.advance(0.01);
    const SBIconListGeometry home = SBCurrentGridMetrics().homePage(SBGridOrientation::Portrait);
    EXPECT_EQ(viewOf(page(0), "A3")->frame(), home.frameForIconAtIndex(2));
    EXPECT_EQ(viewOf(page(1), "P")->frame(), home.frameForIconAtIndex(7));
    EXPECT_EQ(page(0)->iconViews().size(), 3u) << "the views of the icons that left went with them";
}

TEST_F(ReplaceableMessages, LaunchingLaysOutEveryKindOfListThroughItsClass)
{
    launch();
    // The home screen is sized to the lists' capacity, then laid out when
    // the application finishes launching.
    EXPECT_LT(position("maxIcons SBRootIconListView"), position("applicationDidFinishLaunching: SpringBoard"));
    EXPECT_LT(position("maxIcons SBDockIconListView"), position("applicationDidFinishLaunching: SpringBoard"));
    EXPECT_LT(position("applicationDidFinishLaunching: SpringBoard"), position("originForIconAtIndex: SBRootIconListView"));
    for (const char* kind : { "SBRootIconListView", "SBDockIconListView", "SBFolderIconListView", "SBNewsstandIconListView" }) {
        SCOPED_TRACE(kind);
        EXPECT_TRUE(called(std::string("originForIconAtIndex: ") + kind));
        EXPECT_TRUE(called(std::string("maxVisibleIconRowsInterfaceOrientation: ") + kind)) << "the class is asked, not SBIconListView";
    }
    EXPECT_FALSE(called("originForIconAtIndex: SBIconListView"));
}

TEST_F(ReplaceableMessages, HoldingDraggingAndReleasingAnIcon)
{
    launch();
    calls.clear();
    Ref<SBIcon> a1 = icon("A1");
    controller->iconHandleLongPress(a1.ptr());
    EXPECT_EQ(calls.front(), "iconHandleLongPress: SBIconController");
    EXPECT_TRUE(called("setEditing: SBRootIconListView"));
    EXPECT_TRUE(called("setEditing: SBFolderIconListView"));

    calls.clear();
    CGPoint a4Center = page(0)->convertPointToView(page(0)->centerForIcon(icon("A4").ptr()), controller->contentViewObject().ptr());
    controller->dragGrabbedIconToPoint(a4Center);
    // Hit testing first, then the icons close up around the moved one.
    EXPECT_LT(position("rowAtPoint: SBRootIconListView"), position("compactIcons: SBRootIconListView"));
    EXPECT_LT(position("columnAtPoint: SBRootIconListView"), position("compactIcons: SBRootIconListView"));
    EXPECT_LT(position("compactIcons: SBRootIconListView"), calls.size());

    calls.clear();
    controller->icon(a1.ptr(), true);
    EXPECT_EQ(calls.front(), "icon:touchEnded: SBIconController");
    EXPECT_TRUE(called("originForIconAtIndex: SBRootIconListView")) << "the dropped icon is laid out";

    calls.clear();
    controller->setIsEditing(false);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "setEditing: SBRootIconListView"), 2);
    EXPECT_TRUE(called("setEditing: SBDockIconListView"));
}

TEST_F(ReplaceableMessages, LaunchingOpeningRotatingAndUnlocking)
{
    launch();
    calls.clear();
    ASSERT_TRUE(controller->launchIcon(icon("A2")));
    EXPECT_EQ(calls.front(), "icon:launchFromLocation: SBApplication");
    EXPECT_FALSE(called("_cleanupAnimation SBIconAnimator")) << "not before the animation ends";
    clock.advance(SBIconAnimator::launchDuration + 0.01);
    EXPECT_TRUE(called("_cleanupAnimation SBIconAnimator"));

    calls.clear();
    ASSERT_TRUE(controller->launchIcon(icon("Tools")));
    EXPECT_EQ(calls.front(), "pushFolder:animated:completion: SBRootFolderController");
    EXPECT_TRUE(called("originForIconAtIndex: SBFolderIconListView"));
    EXPECT_FALSE(called("icon:launchFromLocation: SBApplication")) << "a folder opens, it is not launched";
    // The folder zooms open and closed, each an icon animation cleaned up
    // when it ends; the closed folder's background leaves then.
    EXPECT_FALSE(called("_cleanupAnimation SBFolderIconZoomAnimator")) << "not before the folder is open";
    clock.advance(SBFolderIconZoomAnimator::zoomDuration + 0.01);
    EXPECT_TRUE(called("_cleanupAnimation SBFolderIconZoomAnimator"));
    calls.clear();
    RefPtr<UIView> background = folderPage("Tools", 0)->superview();
    controller->closeFolder();
    EXPECT_FALSE(controller->_openFolderController());
    EXPECT_TRUE(background->superview()) << "still fading out";
    EXPECT_FALSE(called("_cleanupAnimation SBFolderIconZoomAnimator"));
    clock.advance(SBFolderIconZoomAnimator::zoomDuration + 0.01);
    EXPECT_TRUE(called("_cleanupAnimation SBFolderIconZoomAnimator"));
    EXPECT_FALSE(background->superview());

    calls.clear();
    springBoard->rotateToInterfaceOrientation(4);
    for (const char* kind : { "SBRootIconListView", "SBDockIconListView", "SBFolderIconListView", "SBNewsstandIconListView" })
        EXPECT_TRUE(called(std::string("prepareToRotateToInterfaceOrientation: ") + kind)) << kind;

    calls.clear();
    springBoard->lockScreenViewController()->lock();
    springBoard->lockScreenViewController()->finishUIUnlockFromSource(0);
    EXPECT_EQ(calls, std::vector<std::string> { "finishUIUnlockFromSource: SBLockScreenViewController" });

    calls.clear();
    auto* tools = dynamic_cast<SBFolderIcon*>(icon("Tools").ptr());
    EXPECT_EQ(tools->iconsInGridImage().size(), 9u);
    EXPECT_EQ(calls, std::vector<std::string> { "_maxIconsInGridImage SBFolderIcon" });
}

TEST_F(ReplaceableMessages, CapacityIsAskedOfTheClassOfTheListThatFillsUp)
{
    launch();
    calls.clear();
    controller->insertIcon(icon("A1").ptr(), folderPage("Tools", 0).ptr(), 0, true);
    EXPECT_TRUE(called("maxIcons SBFolderIconListView"));
    calls.clear();
    EXPECT_EQ(dock()->firstFreeSlotIndex(), 3u);
    EXPECT_EQ(calls.front(), "maxIcons SBDockIconListView");
}

TEST_F(ReplaceableMessages, AReplacementTakesEffectOnEveryListAndCanCallWhatItReplaced)
{
    replaceOriginAndCapacity();
    shifting = true;
    launch();
    shifting = true;
    const SBIconGridMetrics& metrics = SBCurrentGridMetrics();
    struct Case {
        Ref<SBIconListView> list;
        SBIconListGeometry stock;
        const char* icon;
        uint64_t index;
    };
    const Case cases[] = {
        { page(0), metrics.homePage(SBGridOrientation::Portrait), "A3", 2 },
        { dock(), metrics.dock(SBGridOrientation::Portrait), "D2", 1 },
        { folderPage("Tools", 1), metrics.folderPage(SBGridOrientation::Portrait), "T11", 1 },
        { *controller->folderControllerForFolder(folder("Newsstand").ptr())->listViews().front(), metrics.folderPage(SBGridOrientation::Portrait), "N1", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.icon);
        CGPoint stock = c.stock.originForIconAtIndex(c.index);
        EXPECT_EQ(viewOf(c.list, c.icon)->frame().origin, CGPointMake(stock.x + 7, stock.y + 11));
        // Every placement question built on it follows.
        EXPECT_EQ(c.list->originForIcon(icon(c.icon).ptr()), CGPointMake(stock.x + 7, stock.y + 11));
        EXPECT_EQ(c.list->centerForIcon(icon(c.icon).ptr()), CGPointMake(stock.x + 37, stock.y + 47));
    }

    // The capacity: a dock of seven takes more icons before it is full.
    EXPECT_EQ(SBIconListView::maxIcons(objc_getClass("SBDockIconListView")), 7u);
    EXPECT_EQ(SBIconListView::maxIcons(objc_getClass("SBRootIconListView")), 23u);
    EXPECT_EQ(dock()->firstFreeSlotIndex(), 3u);
    for (const char* name : { "A1", "A2", "A3", "A4" })
        controller->insertIcon(icon(name).ptr(), dock().ptr(), 99, true);
    EXPECT_EQ(namesOf(dock()->icons()), (std::vector<std::string> { "D1", "D2", "D3", "A1", "A2", "A3", "A4" }));
    EXPECT_EQ(dock()->firstFreeSlotIndex(), NSNotFound);
    shifting = false;
}
