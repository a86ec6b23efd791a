#include "UIControllerTestSupport.h"

#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/UIKit/UIToolbar.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::uikittest::ControllerTest;
using qv::uikittest::LoggingController;
using Log = std::vector<std::string>;

namespace {

class Target : public NSObject {
public:
    void save() { calls.push_back("save"); }
    void clicked(UIBarButtonItem* sender) { calls.push_back("clicked " + (sender ? sender->title() : std::string("none"))); }
    std::vector<std::string> calls;
};

class TabDelegate : public UITabBarControllerDelegate {
public:
    bool tabBarControllerShouldSelectViewController(UITabBarController*, UIViewController* controller) override
    {
        calls.push_back("should " + controller->title());
        return allow;
    }
    void tabBarControllerDidSelectViewController(UITabBarController*, UIViewController* controller) override
    {
        calls.push_back("did " + controller->title());
    }
    bool allow = true;
    std::vector<std::string> calls;
};

} // namespace

TEST_F(ControllerTest, PushAndPopSendTheAppearanceCallsAndFollowTheStack)
{
    Ref<LoggingController> root = controller("Root");
    Ref<LoggingController> detail = controller("Detail");
    root->setTitle("Themes");
    detail->setTitle("Theme");
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(root);
    window->setRootViewController(navigation);
    EXPECT_EQ(takeLog(), (Log { "Root loadView", "Root viewDidLoad", "Root viewWillAppear", "Root viewDidAppear" }));

    navigation->pushViewController(detail, true);
    EXPECT_EQ(takeLog(), (Log { "Root viewWillDisappear", "Detail loadView", "Detail viewDidLoad", "Detail viewWillAppear animated" }));
    clock.advance(UIViewController::transitionDuration);
    EXPECT_EQ(takeLog(), (Log { "Root viewDidDisappear", "Detail viewDidAppear" }));
    EXPECT_EQ(navigation->topViewController().get(), detail.ptr());
    EXPECT_EQ(navigation->viewControllers().size(), 2u);
    EXPECT_EQ(detail->navigationController().get(), navigation.ptr());
    EXPECT_EQ(navigation->navigationBar()->topItem()->title(), "Theme");
    EXPECT_EQ(navigation->navigationBar()->backButtonTitle(), "Themes");
    EXPECT_EQ(detail->view()->superview().get(), navigation->view().ptr());
    EXPECT_FALSE(root->view()->superview());

    // The back button pops.
    EXPECT_TRUE(navigation->navigationBar()->tapBackButton());
    clock.advance(UIViewController::transitionDuration);
    EXPECT_EQ(takeLog(), (Log { "Detail viewWillDisappear", "Root viewWillAppear animated", "Detail viewDidDisappear", "Root viewDidAppear" }));
    EXPECT_EQ(navigation->topViewController().get(), root.ptr());
    EXPECT_FALSE(detail->parentViewController());
    EXPECT_FALSE(navigation->navigationBar()->backButtonTitle());

    EXPECT_FALSE(navigation->popViewControllerAnimated(false)) << "the root stays";
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(ControllerTest, PushingWhatCannotBePushedIsRefused)
{
    Ref<LoggingController> root = controller("Root");
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(root);
    Ref<UINavigationController> other = makeRef<UINavigationController>(controller("Other"));
    LogCapture capture;
    navigation->pushViewController(root, false);
    navigation->pushViewController(other->topViewController(), false);
    navigation->pushViewController(nullptr, false);
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_TRUE(capture.contains("in the stack already"));
}

TEST_F(ControllerTest, ScreensPushedOutOfSightGetNoAppearanceCalls)
{
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(controller("Root"));
    navigation->pushViewController(controller("Detail"), false);
    EXPECT_EQ(takeLog(), Log {}) << "not on screen: no view is made and nothing appears";
    EXPECT_EQ(navigation->popToRootViewControllerAnimated(false).size(), 1u);
}

TEST_F(ControllerTest, NavigationItemsShowOnTheBarInOrder)
{
    Ref<UINavigationBar> bar = makeRef<UINavigationBar>(CGRectMake(0, 20, 320, 44));
    Ref<UINavigationItem> item = makeRef<UINavigationItem>("Layouts");
    Ref<Target> target = makeRef<Target>();
    Ref<UIBarButtonItem> save = makeRef<UIBarButtonItem>(UIBarButtonSystemItemSave, target.ptr(), &Target::save);
    Ref<UIBarButtonItem> cancel = makeRef<UIBarButtonItem>(UIBarButtonSystemItemCancel, target.ptr(), &Target::clicked);
    Ref<UISegmentedControl> segments = makeRef<UISegmentedControl>(std::vector<std::string> { "All", "Per-Page" });
    Ref<UIBarButtonItem> custom = makeRef<UIBarButtonItem>(segments);
    item->setRightBarButtonItems({ save, cancel });
    item->setLeftBarButtonItem(custom);
    bar->pushNavigationItem(item, false);

    EXPECT_EQ(bar->topItem().get(), item.ptr());
    EXPECT_EQ(item->rightBarButtonItem().get(), save.ptr()) << "the first right item is the outermost";
    std::vector<Ref<UIBarButtonItem>> shown = bar->barButtonItems();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].ptr(), custom.ptr());
    EXPECT_EQ(shown[1]->title(), "Save");
    EXPECT_EQ(shown[2]->title(), "Cancel");
    EXPECT_EQ(segments->superview().get(), bar.ptr()) << "a custom view is the bar's subview";
    EXPECT_EQ(segments->frame().origin.x, 8);

    // A change shows at once; an item taken away takes its view along.
    item->setLeftBarButtonItem(nullptr);
    EXPECT_FALSE(segments->superview());
    item->setTitle("Apply Default.plist");
    EXPECT_EQ(bar->topItem()->title(), "Apply Default.plist");

    LogCapture capture;
    Ref<UINavigationBar> otherBar = makeRef<UINavigationBar>();
    otherBar->pushNavigationItem(item, false);
    EXPECT_TRUE(otherBar->items().empty()) << "an item is on one bar at a time";

    bar->setFrame(CGRectMake(0, 0, 320, 10));
    item->setPrompt(std::string("Login to this secure server."));
    bar->sizeToFit();
    EXPECT_EQ(bar->frame().size.height, 74);
    item->setPrompt(std::nullopt);
    bar->sizeToFit();
    EXPECT_EQ(bar->frame().size.height, 44);
}

TEST_F(ControllerTest, BarButtonItemsHaveTheSystemTitlesAndSendTheirActions)
{
    struct Case {
        UIBarButtonSystemItem item;
        const char* title;
        const char* name;
    };
    const Case cases[] = {
        { UIBarButtonSystemItemSave, "Save", "Save" },
        { UIBarButtonSystemItemCancel, "Cancel", "Cancel" },
        { UIBarButtonSystemItemDone, "Done", "Done" },
        { UIBarButtonSystemItemEdit, "Edit", "Edit" },
        { UIBarButtonSystemItemCamera, "", "Camera" },
        { UIBarButtonSystemItemAdd, "", "Add" },
        { UIBarButtonSystemItemFlexibleSpace, "", "FlexibleSpace" },
    };
    Ref<Target> target = makeRef<Target>();
    for (const Case& c : cases) {
        Ref<UIBarButtonItem> item = makeRef<UIBarButtonItem>(c.item, target.ptr(), &Target::clicked);
        EXPECT_EQ(item->title(), c.title);
        EXPECT_EQ(item->systemItemName(), c.name);
        EXPECT_TRUE(item->matches(c.name));
    }

    Ref<UIBarButtonItem> login = makeRef<UIBarButtonItem>("Login", UIBarButtonItemStyleDone, target.ptr(), &Target::clicked);
    EXPECT_TRUE(login->tap());
    EXPECT_EQ(target->calls, (std::vector<std::string> { "clicked Login" }));

    LogCapture capture;
    login->setEnabled(false);
    EXPECT_FALSE(login->tap());
    EXPECT_FALSE(makeRef<UIBarButtonItem>(UIBarButtonSystemItemFlexibleSpace, nullptr, UIBarButtonItem::Action())->tap());
    EXPECT_EQ(target->calls.size(), 1u);

    // A target that is gone is not called.
    int called = 0;
    RefPtr<Target> going = makeRef<Target>();
    Ref<UIBarButtonItem> orphan = makeRef<UIBarButtonItem>("Reset", UIBarButtonItemStylePlain, going.get(), [&](UIBarButtonItem&) { ++called; });
    going = nullptr;
    EXPECT_TRUE(orphan->tap());
    EXPECT_EQ(called, 0);
}

TEST_F(ControllerTest, ToolbarLaysItsCustomViewsOutAroundFlexibleSpaces)
{
    Ref<UIToolbar> toolbar = makeRef<UIToolbar>(CGRectMake(0, 524, 320, 44));
    Ref<UISegmentedControl> segments = makeRef<UISegmentedControl>(std::vector<std::string> { "Default", "Per-Page" });
    Ref<UIBarButtonItem> space = makeRef<UIBarButtonItem>(UIBarButtonSystemItemFlexibleSpace, nullptr, UIBarButtonItem::Action());
    toolbar->setItems({ space, makeRef<UIBarButtonItem>(segments), space });
    EXPECT_EQ(segments->superview().get(), toolbar.ptr());
    EXPECT_EQ(segments->frame(), CGRectMake(100, 7.5, 120, 29)) << "centred between two flexible spaces";
    toolbar->setItems({});
    EXPECT_FALSE(segments->superview());
}

TEST_F(ControllerTest, SelectingATabMakesItsViewOnFirstUseAndSendsTheAppearanceCalls)
{
    Ref<LoggingController> editor = controller("Editor");
    Ref<LoggingController> saved = controller("Saved");
    editor->setTitle("Editor");
    saved->setTitle("Saved");
    Ref<UITabBarController> tabs = makeRef<UITabBarController>();
    tabs->setViewControllers({ editor, saved });
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_TRUE(takeLog().empty()) << "nothing is made before the tab bar controller's view";

    window->setRootViewController(tabs);
    EXPECT_EQ(takeLog(), (Log { "Editor loadView", "Editor viewDidLoad", "Editor viewWillAppear", "Editor viewDidAppear" }));
    EXPECT_FALSE(saved->isViewLoaded());
    EXPECT_EQ(editor->tabBarController().get(), tabs.ptr());

    tabs->setSelectedIndex(1);
    EXPECT_EQ(takeLog(), (Log { "Editor viewWillDisappear", "Saved loadView", "Saved viewDidLoad", "Saved viewWillAppear", "Editor viewDidDisappear", "Saved viewDidAppear" }));
    EXPECT_EQ(tabs->selectedViewController().get(), saved.ptr());
    EXPECT_EQ(saved->view()->superview().get(), tabs->view().ptr());
    EXPECT_FALSE(editor->view()->superview());
    EXPECT_EQ(tabs->tabBar()->selectedItem().get(), saved->tabBarItem().ptr());

    tabs->setSelectedIndex(1);
    EXPECT_TRUE(takeLog().empty()) << "selecting the selected tab again does nothing";

    // Selecting back and forth at once (as the editor's start-up does).
    tabs->setSelectedIndex(0);
    EXPECT_EQ(takeLog(), (Log { "Saved viewWillDisappear", "Editor viewWillAppear", "Saved viewDidDisappear", "Editor viewDidAppear" }));

    LogCapture capture;
    tabs->setSelectedIndex(5);
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_TRUE(capture.contains("no tab 5"));
}

TEST_F(ControllerTest, TappingATabAsksAndTellsTheDelegate)
{
    Ref<LoggingController> first = controller("First");
    Ref<LoggingController> second = controller("Second");
    first->setTitle("Editor");
    second->setTitle("Uploaded");
    Ref<UITabBarController> tabs = makeRef<UITabBarController>();
    tabs->setViewControllers({ first, second });
    window->setRootViewController(tabs);
    Ref<TabDelegate> delegate = makeRef<TabDelegate>();
    tabs->setDelegate(delegate);

    delegate->allow = false;
    EXPECT_TRUE(tabs->tapTabAtIndex(1));
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    delegate->allow = true;
    // A touch on the right half of the tab bar is a tap on the second tab.
    const CGRect bar = tabs->tabBar()->frame();
    EXPECT_TRUE(UITouchDriver::shared().tap(*window, CGPointMake(CGRectGetMaxX(bar) - 10, CGRectGetMidY(bar))));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(delegate->calls, (std::vector<std::string> { "should Uploaded", "should Uploaded", "did Uploaded" }));
}
