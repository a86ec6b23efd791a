#include "UIControllerTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/UIKit/UITabBarItem.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::uikittest::ControllerTest;
using qv::uikittest::LoggingController;
using Log = std::vector<std::string>;

TEST_F(ControllerTest, ViewIsMadeOnFirstUseThenLoaded)
{
    Ref<LoggingController> screen = controller("A");
    EXPECT_FALSE(screen->isViewLoaded());
    EXPECT_TRUE(takeLog().empty());

    Ref<UIView> view = screen->view();
    EXPECT_EQ(takeLog(), (Log { "A loadView", "A viewDidLoad" }));
    EXPECT_TRUE(screen->isViewLoaded());
    EXPECT_EQ(view->frame(), UIScreen::mainScreen().bounds());
    EXPECT_EQ(screen->view().ptr(), view.ptr());
    EXPECT_TRUE(takeLog().empty()) << "a second use loads nothing";

    // The controller answers for its view in the responder chain, before
    // the superview.
    window->addSubview(view);
    EXPECT_EQ(view->nextResponder().get(), screen.ptr());
    EXPECT_EQ(screen->nextResponder().get(), window.ptr());
}

TEST_F(ControllerTest, TitleNamesTheNavigationAndTabBarItems)
{
    Ref<LoggingController> screen = controller("A");
    screen->setTitle("Saved");
    EXPECT_EQ(screen->navigationItem()->title(), "Saved");
    EXPECT_EQ(screen->tabBarItem()->title(), "Saved");
    EXPECT_EQ(screen->navigationItem().ptr(), screen->navigationItem().ptr());
}

TEST_F(ControllerTest, RootOfAVisibleWindowAppearsAndTheOldOneDisappears)
{
    Ref<LoggingController> first = controller("A");
    Ref<LoggingController> second = controller("B");
    window->setRootViewController(first);
    EXPECT_EQ(takeLog(), (Log { "A loadView", "A viewDidLoad", "A viewWillAppear", "A viewDidAppear" }));
    EXPECT_EQ(first->view()->superview().get(), window.ptr());
    EXPECT_EQ(first->view()->frame(), window->bounds());

    window->setRootViewController(second);
    EXPECT_EQ(takeLog(), (Log { "A viewWillDisappear", "A viewDidDisappear", "B loadView", "B viewDidLoad", "B viewWillAppear", "B viewDidAppear" }));
    EXPECT_FALSE(first->view()->superview());

    window->setHidden(true);
    window->setHidden(false);
    EXPECT_EQ(takeLog(), (Log { "B viewWillDisappear", "B viewDidDisappear", "B viewWillAppear", "B viewDidAppear" }));
}

TEST_F(ControllerTest, AppearanceCallsAreNotRepeatedButOwnersMayCallThemDirectly)
{
    Ref<LoggingController> screen = controller("A");
    window->setRootViewController(screen);
    takeLog();
    screen->beginAppearanceTransition(true, false);
    screen->endAppearanceTransition();
    EXPECT_TRUE(takeLog().empty()) << "a controller that appeared does not appear again";
    screen->viewWillAppear(true);
    EXPECT_EQ(takeLog(), (Log { "A viewWillAppear animated" }));
}

TEST_F(ControllerTest, PresentingCoversTheScreenAndFinishesAfterTheTransition)
{
    Ref<LoggingController> root = controller("Root");
    Ref<LoggingController> sheet = controller("Sheet");
    window->setRootViewController(root);
    takeLog();
    bool completed = false;
    root->presentViewController(sheet, true, [&] { completed = true; });
    EXPECT_EQ(takeLog(), (Log { "Sheet loadView", "Sheet viewDidLoad", "Sheet viewWillAppear animated", "Root viewWillDisappear" }));
    EXPECT_FALSE(completed);
    EXPECT_EQ(root->presentedViewController().get(), sheet.ptr());
    EXPECT_EQ(sheet->presentingViewController().get(), root.ptr());
    EXPECT_EQ(sheet->view()->superview().get(), window.ptr());
    EXPECT_EQ(sheet->view()->frame(), window->bounds());

    clock.advance(UIViewController::transitionDuration);
    EXPECT_EQ(takeLog(), (Log { "Sheet viewDidAppear", "Root viewDidDisappear" }));
    EXPECT_TRUE(completed);

    // The presented controller dismisses itself through its presenter.
    completed = false;
    sheet->dismissViewControllerAnimated(false, [&] {
        completed = true;
        EXPECT_FALSE(root->presentedViewController()) << "in the completion the presentation is over";
    });
    EXPECT_EQ(takeLog(), (Log { "Sheet viewWillDisappear", "Root viewWillAppear", "Sheet viewDidDisappear", "Root viewDidAppear" }));
    EXPECT_TRUE(completed);
    EXPECT_FALSE(sheet->presentingViewController());
    EXPECT_FALSE(sheet->view()->superview());

    // Dismissing with nothing presented does nothing, the completion included.
    completed = false;
    root->dismissViewControllerAnimated(false, [&] { completed = true; });
    EXPECT_FALSE(completed);
}

TEST_F(ControllerTest, AChildPresentsThroughItsContainerAndDismissesThroughIt)
{
    Ref<LoggingController> browser = controller("Browser");
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(browser);
    Ref<LoggingController> editor = controller("Editor");
    window->setRootViewController(editor);
    editor->presentViewController(navigation, false);
    Ref<LoggingController> picker = controller("Picker");
    browser->presentViewController(picker, false);
    EXPECT_EQ(navigation->presentedViewController().get(), picker.ptr());
    EXPECT_EQ(browser->presentedViewController().get(), picker.ptr());
    EXPECT_EQ(picker->presentingViewController().get(), navigation.ptr());
    EXPECT_EQ(browser->presentingViewController().get(), editor.ptr()) << "the presenter of the nearest presented ancestor";

    browser->dismissViewControllerAnimated(false);
    EXPECT_FALSE(navigation->presentedViewController());
    EXPECT_EQ(editor->presentedViewController().get(), navigation.ptr());
}

TEST_F(ControllerTest, FormSheetIsCentredOnThePadAndCoversThePhone)
{
    struct Case {
        const char* device;
        CGRect frame;
        bool presenterDisappears;
    };
    const Case cases[] = {
        { "ipad", CGRectMake(114, 202, 540, 620), false },
        { "iphone-4", CGRectMake(0, 0, 320, 568), true },
    };
    for (const Case& c : cases) {
        applyDeviceProfile(*DeviceProfile::named(c.device));
        const CGRect screen = UIScreen::mainScreen().bounds();
        Ref<UIWindow> deviceWindow = makeRef<UIWindow>(screen);
        deviceWindow->makeKeyAndVisible();
        Ref<LoggingController> root = controller("Root");
        deviceWindow->setRootViewController(root);
        Ref<LoggingController> sheet = controller("Apply");
        sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
        takeLog();
        root->presentViewController(sheet, false);
        EXPECT_EQ(sheet->view()->frame(), c.frame) << c.device;
        const Log calls = takeLog();
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "Root viewWillDisappear") != calls.end(), c.presenterDisappears) << c.device;
        root->dismissViewControllerAnimated(false);
        deviceWindow->setRootViewController(nullptr);
        deviceWindow->setHidden(true);
    }
}

TEST_F(ControllerTest, PresentationsThatCannotBeAreRefused)
{
    Ref<LoggingController> root = controller("Root");
    Ref<LoggingController> offScreen = controller("OffScreen");
    Ref<LoggingController> first = controller("First");
    Ref<LoggingController> second = controller("Second");
    window->setRootViewController(root);
    LogCapture capture;

    offScreen->presentViewController(first, false);
    EXPECT_FALSE(offScreen->presentedViewController()) << "a presenter whose view is in no window";
    EXPECT_TRUE(capture.contains("not in the window hierarchy"));

    root->presentViewController(first, false);
    root->presentViewController(second, false);
    EXPECT_EQ(root->presentedViewController().get(), first.ptr()) << "one presentation at a time";
    EXPECT_TRUE(capture.contains("already presenting"));

    first->presentViewController(nullptr, false);
    EXPECT_FALSE(first->presentedViewController()) << "an absent controller presents nothing";
    root->dismissViewControllerAnimated(false);
}

TEST_F(ControllerTest, RotationAsksTheRootThenTellsItAroundTheChange)
{
    Ref<LoggingController> root = controller("Root");
    window->setRootViewController(root);
    takeLog();
    UIDevice::currentDevice().beginGeneratingDeviceOrientationNotifications();

    EXPECT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft, 0.3));
    // The old orientation and screen are current in willRotate, the new
    // ones from willAnimate on.
    EXPECT_EQ(takeLog(), (Log { "Root willRotate 4 from 1 screen 320", "Root willAnimate 4 now 4 screen 568", "Root didRotate from 1" }));
    EXPECT_EQ(UIApplication::sharedApplication()->statusBarOrientation(), UIInterfaceOrientationLandscapeLeft);
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 568, 320));
    EXPECT_EQ(UIDevice::currentDevice().orientation(), UIDeviceOrientationLandscapeRight);
    EXPECT_EQ(window->bounds(), CGRectMake(0, 0, 568, 320)) << "the window covering the screen turns with it";
    EXPECT_EQ(root->view()->frame(), CGRectMake(0, 0, 568, 320)) << "the root's view fills the window";

    EXPECT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight));
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 568, 320)) << "landscape to landscape keeps the shape";
    EXPECT_FALSE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight)) << "no change";
    takeLog();

    struct Refusal {
        bool autorotates;
        uint64_t supported;
    };
    for (const Refusal& refusal : { Refusal { false, UIInterfaceOrientationMaskAll }, Refusal { true, UIInterfaceOrientationMaskLandscape } }) {
        root->autorotates = refusal.autorotates;
        root->supported = refusal.supported;
        EXPECT_FALSE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
        EXPECT_TRUE(takeLog().empty());
        EXPECT_EQ(UIApplication::sharedApplication()->statusBarOrientation(), UIInterfaceOrientationLandscapeRight);
        EXPECT_EQ(UIDevice::currentDevice().orientation(), UIDeviceOrientationPortrait) << "the device turned all the same";
    }
    UIDevice::currentDevice().endGeneratingDeviceOrientationNotifications();
}

TEST_F(ControllerTest, RotationCallsReachTheShownChildrenAndThePresentedController)
{
    std::vector<Ref<LoggingController>> tabs { controller("Tab0"), controller("Tab1") };
    Ref<LoggingController> pushed = controller("Pushed");
    Ref<UITabBarController> tabBar = makeRef<UITabBarController>();
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(tabs[1]);
    tabBar->setViewControllers({ tabs[0], navigation });
    navigation->pushViewController(pushed, false);
    window->setRootViewController(tabBar);
    Ref<LoggingController> sheet = controller("Sheet");
    tabBar->presentViewController(sheet, false);

    for (NSUInteger selected : { NSUInteger(0), NSUInteger(1) }) {
        tabBar->setSelectedIndex(selected);
        takeLog();
        const UIInterfaceOrientation to = selected ? UIInterfaceOrientationPortrait : UIInterfaceOrientationLandscapeLeft;
        UIInterfaceRotation::rotateToInterfaceOrientation(to);
        Log whoWasTold;
        for (const std::string& line : takeLog()) {
            if (line.find("didRotate") != std::string::npos)
                whoWasTold.push_back(line.substr(0, line.find(' ')));
        }
        EXPECT_EQ(whoWasTold, selected ? (Log { "Pushed", "Sheet" }) : (Log { "Tab0", "Sheet" }));
    }
    tabBar->dismissViewControllerAnimated(false);
}

// After a turn every place of the screen can be touched: the window, the
// root's view, the containers' bars and shown children and the presented
// views take the new shape, and keep it when a tab is selected again.
TEST_F(ControllerTest, TurningFitsTheWindowTheContainersAndThePresentedViews)
{
    std::vector<Ref<LoggingController>> tabs { controller("Editor"), controller("Saved") };
    Ref<UITabBarController> tabBar = makeRef<UITabBarController>();
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(tabs[1]);
    tabBar->setViewControllers({ tabs[0], navigation });
    window->setRootViewController(tabBar);
    Ref<UIWindow> small = makeRef<UIWindow>(CGRectMake(0, 0, 100, 100));

    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight));
    const CGRect landscape = CGRectMake(0, 0, 568, 320);
    EXPECT_EQ(tabBar->view()->frame(), landscape);
    EXPECT_EQ(tabBar->tabBar()->frame(), CGRectMake(0, 271, 568, 49));
    EXPECT_EQ(tabs[0]->view()->frame(), landscape);
    EXPECT_EQ(window->hitTest(CGPointMake(500, 100), nullptr).get(), tabs[0]->view().ptr());
    EXPECT_EQ(small->frame(), CGRectMake(0, 0, 100, 100)) << "a window that does not cover the screen stays";

    // The editor's start-up and rotation select tab 1 and then tab 0.
    tabBar->setSelectedIndex(1);
    EXPECT_EQ(navigation->view()->frame(), landscape);
    EXPECT_EQ(navigation->navigationBar()->frame().size.width, 568);
    EXPECT_EQ(tabs[1]->view()->frame(), landscape);
    tabBar->setSelectedIndex(0);
    EXPECT_EQ(tabs[0]->view()->frame(), landscape);

    Ref<LoggingController> sheet = controller("Sheet");
    tabBar->presentViewController(sheet, false);
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
    EXPECT_EQ(sheet->view()->frame(), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(tabs[0]->view()->frame(), CGRectMake(0, 0, 320, 568));
    tabBar->dismissViewControllerAnimated(false);
}

TEST_F(ControllerTest, AFormSheetStaysCentredWhenThePadTurns)
{
    Ref<UIWindow> pad = usePad();
    Ref<LoggingController> root = controller("Saved");
    pad->setRootViewController(root);
    Ref<LoggingController> apply = controller("Apply");
    apply->setModalPresentationStyle(UIModalPresentationFormSheet);
    root->presentViewController(apply, false);
    EXPECT_EQ(apply->view()->frame(), CGRectMake(114, 202, 540, 620));
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    EXPECT_EQ(apply->view()->frame(), CGRectMake(242, 74, 540, 620));
    EXPECT_EQ(root->view()->frame(), CGRectMake(0, 0, 1024, 768));
    root->dismissViewControllerAnimated(false);
}
