#include "UIControllerTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSValue.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIImagePickerController.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UIKeyboard.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIPopoverController.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::uikittest::ControllerTest;
using qv::uikittest::LoggingController;
using Log = std::vector<std::string>;

namespace {

class PopoverListener : public UIPopoverControllerDelegate {
public:
    bool popoverControllerShouldDismissPopover(UIPopoverController*) override
    {
        calls.push_back("should");
        return allow;
    }
    void popoverControllerDidDismissPopover(UIPopoverController*) override { calls.push_back("did"); }
    bool allow = true;
    Log calls;
};

class PickerListener : public UIImagePickerControllerDelegate {
public:
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker, const UIImagePickerInfo& info) override
    {
        auto image = info.find(UIImagePickerControllerOriginalImage);
        picked = image == info.end() ? nullptr : dynamic_cast<UIImage*>(image->second.ptr());
        picker->dismissViewControllerAnimated(false);
    }
    void imagePickerControllerDidCancel(UIImagePickerController* picker) override
    {
        ++cancels;
        picker->dismissViewControllerAnimated(false);
    }
    RefPtr<UIImage> picked;
    int cancels = 0;
};

class AppListener : public UIApplicationDelegate {
public:
    void applicationDidBecomeActive(UIApplication*) override { calls.push_back("delegate active"); }
    void applicationWillResignActive(UIApplication*) override { calls.push_back("delegate resign"); }
    void applicationDidEnterBackground(UIApplication*) override { calls.push_back("delegate background"); }
    void applicationWillEnterForeground(UIApplication*) override { calls.push_back("delegate foreground"); }
    Log calls;
};

} // namespace

TEST_F(ControllerTest, PopoverShowsOverTheWindowAndATapOutsideAsksTheDelegate)
{
    applyDeviceProfile(*DeviceProfile::named("ipad"));
    Ref<LoggingController> root = controller("Root");
    window->setRootViewController(root);
    Ref<UIView> imageButton = makeRef<UIView>(CGRectMake(250, 484, 60, 24));
    Ref<UIView> passthrough = makeRef<UIView>(CGRectMake(0, 0, 40, 40));
    root->view()->addSubview(imageButton);
    root->view()->addSubview(passthrough);
    Ref<LoggingController> browser = controller("Browser");
    Ref<UIPopoverController> popover = makeRef<UIPopoverController>(browser);
    Ref<PopoverListener> listener = makeRef<PopoverListener>();
    popover->setDelegate(listener);
    popover->setPopoverContentSize(CGSizeMake(300, 400));
    popover->setPassthroughViews({ passthrough });
    takeLog();

    popover->presentPopoverFromRect(imageButton->frame(), root->view().ptr(), UIPopoverArrowDirectionAny, true);
    EXPECT_TRUE(popover->popoverVisible());
    EXPECT_EQ(takeLog(), (Log { "Browser loadView", "Browser viewDidLoad", "Browser viewWillAppear animated", "Browser viewDidAppear" }));
    ASSERT_TRUE(popover->popoverView());
    EXPECT_EQ(popover->popoverView()->frame().size, CGSizeMake(300, 400));
    EXPECT_EQ(popover->popoverView()->window().get(), window.ptr());
    EXPECT_EQ(*popover->presentationRect(), imageButton->frame());
    EXPECT_EQ(UIPopoverController::visiblePopovers().size(), 1u);

    // A touch on a passthrough view reaches it and leaves the popover up.
    EXPECT_EQ(window->hitTest(CGPointMake(10, 10), nullptr).get(), passthrough.ptr());

    // The delegate may keep it; then a tap outside dismisses it and says so.
    listener->allow = false;
    const CGPoint outside = CGPointMake(5, 300);
    EXPECT_TRUE(UITouchDriver::shared().tap(*window, outside));
    EXPECT_TRUE(popover->popoverVisible());
    listener->allow = true;
    EXPECT_TRUE(UITouchDriver::shared().tap(*window, outside));
    EXPECT_FALSE(popover->popoverVisible());
    EXPECT_EQ(listener->calls, (Log { "should", "should", "did" }));
    EXPECT_TRUE(UIPopoverController::visiblePopovers().empty());
    // The panel fades out before it leaves the window.
    EXPECT_EQ(takeLog(), (Log { "Browser viewWillDisappear" }));
    EXPECT_EQ(browser->view()->window().get(), window.ptr());
    clock.advance(UIViewController::transitionDuration);
    EXPECT_EQ(takeLog(), (Log { "Browser viewDidDisappear" }));
    EXPECT_FALSE(browser->view()->window());

    // A dismissal from code tells the delegate nothing.
    popover->presentPopoverFromRect(imageButton->frame(), root->view().ptr(), UIPopoverArrowDirectionAny, false);
    popover->dismissPopoverAnimated(true);
    EXPECT_EQ(listener->calls.size(), 3u);

    LogCapture capture;
    Ref<UIView> loose = makeRef<UIView>(CGRectMake(0, 0, 10, 10));
    popover->presentPopoverFromRect(loose->bounds(), loose.ptr(), UIPopoverArrowDirectionAny, false);
    EXPECT_FALSE(popover->popoverVisible());
    EXPECT_TRUE(capture.contains("does not have a window"));
}

// After a turn the editor presents its theme popover again from the
// button's new place; a tap anywhere outside it still closes it.
TEST_F(ControllerTest, APopoverPresentedAgainAfterATurnClosesOnATapAnywhereOutside)
{
    Ref<UIWindow> pad = usePad();
    Ref<LoggingController> editor = controller("Editor");
    pad->setRootViewController(editor);
    Ref<UIPopoverController> popover = makeRef<UIPopoverController>(controller("Browser"));
    popover->setPopoverContentSize(CGSizeMake(320, 568));
    popover->presentPopoverFromRect(CGRectMake(698, 940, 60, 24), editor->view().ptr(), UIPopoverArrowDirectionAny, true);
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    popover->presentPopoverFromRect(CGRectMake(954, 684, 60, 24), editor->view().ptr(), UIPopoverArrowDirectionAny, true);
    EXPECT_TRUE(UITouchDriver::shared().tap(*pad, CGPointMake(1000, 100)));
    EXPECT_FALSE(popover->popoverVisible());
}

// On the iPad the theme browser closes its popover and then, at once,
// presents the camera: the content of a popover that is fading out can
// still present, over the whole screen.
TEST_F(ControllerTest, TheContentOfAFadingPopoverCanStillPresent)
{
    applyDeviceProfile(*DeviceProfile::named("ipad"));
    Ref<LoggingController> editor = controller("Editor");
    window->setRootViewController(editor);
    Ref<LoggingController> browser = controller("Browser");
    Ref<UINavigationController> navigation = makeRef<UINavigationController>(browser);
    Ref<UIPopoverController> popover = makeRef<UIPopoverController>(navigation);
    popover->presentPopoverFromRect(CGRectMake(250, 484, 60, 24), editor->view().ptr(), UIPopoverArrowDirectionAny, true);
    ASSERT_TRUE(popover->popoverVisible());
    takeLog();

    popover->dismissPopoverAnimated(true);
    ASSERT_TRUE(navigation->view()->superview());
    EXPECT_EQ(navigation->view()->superview()->alpha(), 0) << "the panel fades out";
    Ref<LoggingController> camera = controller("Camera");
    browser->presentViewController(camera, true);
    EXPECT_EQ(camera->presentingViewController().get(), navigation.ptr());
    EXPECT_EQ(camera->view()->window().get(), window.ptr());
    clock.advance(1);
    EXPECT_FALSE(navigation->view()->window()) << "the popover is gone";
    EXPECT_EQ(camera->view()->window().get(), window.ptr()) << "the camera stays";
    EXPECT_EQ(camera->view()->frame(), window->bounds());
    EXPECT_EQ(takeLog(), (Log { "Browser viewWillDisappear", "Camera loadView", "Camera viewDidLoad", "Camera viewWillAppear animated",
                             "Browser viewDidDisappear", "Camera viewDidAppear" }));

    // Cancelling the camera leaves the editor without the browser.
    camera->dismissViewControllerAnimated(true);
    clock.advance(1);
    EXPECT_FALSE(camera->view()->window());
    EXPECT_FALSE(navigation->view()->window());
    EXPECT_EQ(editor->view()->window().get(), window.ptr());
    EXPECT_FALSE(popover->popoverVisible());
}

TEST_F(ControllerTest, ImagePickerHandsThePickedImageOrTheCancelToItsDelegate)
{
    Ref<LoggingController> root = controller("Root");
    window->setRootViewController(root);
    for (auto [type, available] : { std::pair { UIImagePickerControllerSourceTypeCamera, false }, std::pair { UIImagePickerControllerSourceTypePhotoLibrary, true } })
        EXPECT_EQ(UIImagePickerController::isSourceTypeAvailable(type), available);
    Ref<UIImagePickerController> picker = makeRef<UIImagePickerController>();
    LogCapture capture;
    picker->setSourceType(UIImagePickerControllerSourceTypeCamera);
    EXPECT_EQ(picker->sourceType(), UIImagePickerControllerSourceTypePhotoLibrary) << "no camera on this device";
    UIImagePickerController::setSourceTypeAvailable(UIImagePickerControllerSourceTypeCamera, true);
    picker->setSourceType(UIImagePickerControllerSourceTypeCamera);
    EXPECT_EQ(picker->sourceType(), UIImagePickerControllerSourceTypeCamera);
    UIImagePickerController::setSourceTypeAvailable(UIImagePickerControllerSourceTypeCamera, false);

    Ref<PickerListener> listener = makeRef<PickerListener>();
    picker->setDelegate(listener);
    Ref<UIImage> image = UIImage::imageWithPixels(PixelBuffer(2, 2)).toRef();
    EXPECT_FALSE(picker->pickImage(image)) << "not on screen";
    root->presentViewController(picker, false);
    EXPECT_TRUE(picker->pickImage(image));
    EXPECT_EQ(listener->picked.get(), image.ptr()) << "the very image, under UIImagePickerControllerOriginalImage";
    EXPECT_FALSE(root->presentedViewController());

    root->presentViewController(picker, false);
    EXPECT_TRUE(picker->cancel());
    EXPECT_EQ(listener->cancels, 1);
    EXPECT_FALSE(root->presentedViewController());
}

TEST_F(ControllerTest, ApplicationStatesTellTheDelegateThenPost)
{
    Ref<UIApplication> application = UIApplication::sharedApplication();
    Ref<AppListener> listener = makeRef<AppListener>();
    application->setDelegate(listener);
    Ref<NSObject> observer = NSObject::create();
    for (const std::string* name : { &UIApplicationDidBecomeActiveNotification, &UIApplicationWillResignActiveNotification,
             &UIApplicationDidEnterBackgroundNotification, &UIApplicationWillEnterForegroundNotification }) {
        NSNotificationCenter::defaultCenter()->addObserver(observer, [&](NSNotification& note) { listener->calls.push_back("posted " + note.name()); }, *name, nullptr);
    }
    application->becomeActive();
    application->becomeActive();
    application->enterBackground();
    application->enterForeground();
    EXPECT_EQ(listener->calls, (Log {
        "delegate active", "posted UIApplicationDidBecomeActiveNotification",
        "delegate resign", "posted UIApplicationWillResignActiveNotification",
        "delegate background", "posted UIApplicationDidEnterBackgroundNotification",
        "delegate foreground", "posted UIApplicationWillEnterForegroundNotification",
        "delegate active", "posted UIApplicationDidBecomeActiveNotification",
    }));
    EXPECT_EQ(application->applicationState(), UIApplicationStateActive);
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
    application->setDelegate(nullptr);
}

TEST_F(ControllerTest, BackgroundTasksRunUntilEndedAndExpireOnce)
{
    Ref<UIApplication> application = UIApplication::sharedApplication();
    int expired = 0;
    const UIBackgroundTaskIdentifier first = application->beginBackgroundTaskWithExpirationHandler([&] { ++expired; });
    const UIBackgroundTaskIdentifier second = application->beginBackgroundTaskWithExpirationHandler([&] { ++expired; });
    EXPECT_NE(first, UIBackgroundTaskInvalid);
    EXPECT_NE(first, second);
    application->endBackgroundTask(second);
    application->expireBackgroundTasks();
    application->expireBackgroundTasks();
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(application->runningBackgroundTasks(), (std::vector<UIBackgroundTaskIdentifier> { first }));
    application->endBackgroundTask(first);
    LogCapture capture;
    application->endBackgroundTask(first);
    EXPECT_TRUE(capture.contains("not running"));

    application->setNetworkActivityIndicatorVisible(true);
    EXPECT_TRUE(application->networkActivityIndicatorVisible());
}

TEST_F(ControllerTest, KeyboardComesUpWithATextFieldAndStaysBetweenTwo)
{
    Ref<UITextField> user = makeRef<UITextField>(CGRectMake(10, 10, 200, 30));
    Ref<UITextField> password = makeRef<UITextField>(CGRectMake(10, 50, 200, 30));
    window->addSubview(user);
    window->addSubview(password);
    Ref<NSObject> observer = NSObject::create();
    Log posted;
    CGRect endFrame;
    for (const std::string* name : { &UIKeyboardWillShowNotification, &UIKeyboardWillHideNotification }) {
        NSNotificationCenter::defaultCenter()->addObserver(observer, [&](NSNotification& note) {
            posted.push_back(note.name());
            if (RefPtr<NSValue> frame = note.userInfo() ? note.userInfo()->objectForKey<NSValue>(UIKeyboardFrameEndUserInfoKey) : nullptr)
                endFrame = frame->CGRectValue();
        }, *name, nullptr);
    }
    EXPECT_TRUE(user->becomeFirstResponder());
    EXPECT_TRUE(password->becomeFirstResponder());
    EXPECT_TRUE(password->resignFirstResponder());
    EXPECT_EQ(posted, (Log { "UIKeyboardWillShowNotification", "UIKeyboardWillHideNotification" }));
    EXPECT_EQ(endFrame, CGRectMake(0, 568, 320, 216)) << "the hidden keyboard's end frame lies below the screen";
    EXPECT_FALSE(UIKeyboard::isVisible());
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}

TEST_F(ControllerTest, DeviceOrientationNotificationsComeOnlyWhenAskedFor)
{
    UIDevice& device = UIDevice::currentDevice();
    Ref<NSObject> observer = NSObject::create();
    int posted = 0;
    NSNotificationCenter::defaultCenter()->addObserver(observer, [&](NSNotification&) { ++posted; }, UIDeviceOrientationDidChangeNotification, nullptr);
    device.setOrientation(UIDeviceOrientationLandscapeLeft);
    EXPECT_EQ(device.orientation(), UIDeviceOrientationUnknown);
    device.beginGeneratingDeviceOrientationNotifications();
    EXPECT_EQ(device.orientation(), UIDeviceOrientationLandscapeLeft);
    device.setOrientation(UIDeviceOrientationPortrait);
    device.setOrientation(UIDeviceOrientationPortrait);
    device.endGeneratingDeviceOrientationNotifications();
    EXPECT_EQ(posted, 1);
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}
