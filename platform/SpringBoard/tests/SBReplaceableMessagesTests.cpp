// SpringBoard sends every message an extension may replace through the
// runtime, at the moments the extension relies on, so that a replacement
// takes effect wherever SpringBoard would call the method.

#include "SpringBoardTestSupport.h"

#include "platform/SpringBoard/SBApplicationIcon.h"
#include "platform/SpringBoard/SBIconAnimator.h"
#include "platform/SpringBoard/SBLockScreenViewController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

using namespace qv;
using namespace qv::sbtest;

namespace {

// "selector ReceiverClass" for each recorded call, while a test listens.
std::vector<std::string>* listening = nullptr;

std::map<std::string, IMP>& savedImplementations()
{
    static std::map<std::string, IMP> saved;
    return saved;
}

// Replaces the method with one that notes the call and passes it on
// unchanged.
template<typename R, typename... A>
void record(Class cls, const char* selector)
{
    IMP* saved = &savedImplementations()[std::string(class_getName(cls)) + (class_isMetaClass(cls) ? " +" : " -") + selector];
    MSHookMessageEx(cls, sel_registerName(selector), imp_implementationWithBlock([saved, selector](id self, A... arguments) -> R {
        if (listening)
            listening->push_back(std::string(selector) + " " + object_getClassName(self));
        return saved->call<R>(self, sel_registerName(selector), arguments...);
    }), saved);
}

void recordEveryReplaceableMessage()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Class list = objc_getClass("SBIconListView");
        Class listMeta = object_getClass(list);
        record<uint64_t>(listMeta, "maxIcons");
        record<uint64_t, int64_t>(listMeta, "iconRowsForInterfaceOrientation:");
        record<uint64_t, int64_t>(listMeta, "maxVisibleIconRowsInterfaceOrientation:");
        record<CGPoint, SBIconCoordinate>(list, "centerForIconCoordinate:");
        record<CGPoint, Object*>(list, "centerForIcon:");
        record<void, int64_t>(list, "prepareToRotateToInterfaceOrientation:");
        record<uint64_t, CGPoint>(list, "rowAtPoint:");
        record<uint64_t, CGPoint>(list, "columnAtPoint:");
        record<CGPoint, Object*>(list, "originForIcon:");
        record<CGPoint, SBIconCoordinate>(list, "originForIconAtCoordinate:");
        record<CGPoint, uint64_t>(list, "originForIconAtIndex:");
        record<void, bool>(list, "setEditing:");
        record<void, bool>(list, "compactIcons:");
        record<bool, Object*, int32_t>(objc_getClass("SBApplication"), "icon:launchFromLocation:");
        record<void, Object*>(objc_getClass("SBIconController"), "iconHandleLongPress:");
        record<void, Object*, bool>(objc_getClass("SBIconController"), "icon:touchEnded:");
        record<uint64_t>(object_getClass(objc_getClass("SBFolderIcon")), "_maxIconsInGridImage");
        record<void, int32_t>(objc_getClass("SBLockScreenViewController"), "finishUIUnlockFromSource:");
        record<void, Object*, bool, Object*>(objc_getClass("SBFolderController"), "pushFolder:animated:completion:");
        record<void, Object*>(objc_getClass("SpringBoard"), "applicationDidFinishLaunching:");
        record<void>(objc_getClass("SBIconAnimator"), "_cleanupAnimation");
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
IMP savedOrigin;
IMP savedMaxIcons;

void replaceOriginAndCapacity()
{
    static std::once_flag once;
    std::call_once(once, [] {
        MSHookMessageEx(objc_getClass("SBIconListView"), sel_registerName("originForIconAtIndex:"),
            imp_implementationWithBlock([](id self, uint64_t index) {
                CGPoint origin = savedOrigin.call<CGPoint>(self, sel_registerName("originForIconAtIndex:"), index);
                return shifting ? CGPointMake(origin.x + 7, origin.y + 11) : origin;
            }),
            &savedOrigin);
        MSHookMessageEx(object_getClass(objc_getClass("SBIconListView")), sel_registerName("maxIcons"), imp_implementationWithBlock([](Class self) {
            uint64_t stock = savedMaxIcons.call<uint64_t>(self, sel_registerName("maxIcons"));
            return shifting ? stock + 3 : stock;
        }),
            &savedMaxIcons);
    });
}

// An extension's overflow, as the placement replacement starts it from
// inside a layout: asked for a slot past the third on the first page, it
// moves that icon and every one after it to the next page.
bool overflowing = false;
IMP savedOverflowOrigin;

void replaceOriginWithOverflow()
{
    static std::once_flag once;
    std::call_once(once, [] {
        SEL selector = sel_registerName("originForIconAtIndex:");
        MSHookMessageEx(objc_getClass("SBIconListView"), selector, imp_implementationWithBlock([selector](SBIconListView* self, uint64_t index) {
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
            return savedOverflowOrigin.call<CGPoint>(self, selector, index);
        }),
            &savedOverflowOrigin);
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
