#pragma once

// Pieces the controller tests share: a controller that writes down every
// call it gets, and a fixture with a phone's screen, a portrait interface
// and a visible key window.

#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UIViewController.h"
#include "platform/UIKit/UIWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::uikittest {

// Writes "<name> <call>" to a shared log for the view and appearance
// calls, and the rotation calls with the orientation they see.
class LoggingController : public UIViewController {
public:
    LoggingController(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) { }

    std::string className() const override { return "LoggingController"; }
    void loadView() override
    {
        note("loadView");
        UIViewController::loadView();
    }
    void viewDidLoad() override { note("viewDidLoad"); }
    void viewWillAppear(bool animated) override { note(std::string("viewWillAppear") + (animated ? " animated" : "")); }
    void viewDidAppear(bool) override { note("viewDidAppear"); }
    void viewWillDisappear(bool) override { note("viewWillDisappear"); }
    void viewDidDisappear(bool) override { note("viewDidDisappear"); }
    bool shouldAutorotate() override { return autorotates; }
    uint64_t supportedInterfaceOrientations() override { return supported; }
    void willRotateToInterfaceOrientation(UIInterfaceOrientation to, double) override
    {
        note("willRotate " + std::to_string(to) + " from " + std::to_string(interfaceOrientation()) + " screen "
            + std::to_string(static_cast<int>(UIScreen::mainScreen().bounds().size.width)));
    }
    void willAnimateRotationToInterfaceOrientation(UIInterfaceOrientation to, double) override
    {
        note("willAnimate " + std::to_string(to) + " now " + std::to_string(interfaceOrientation()) + " screen "
            + std::to_string(static_cast<int>(UIScreen::mainScreen().bounds().size.width)));
    }
    void didRotateFromInterfaceOrientation(UIInterfaceOrientation from) override { note("didRotate from " + std::to_string(from)); }

    bool autorotates = true;
    uint64_t supported = UIInterfaceOrientationMaskAll;

private:
    void note(const std::string& call) { m_log.push_back(m_name + " " + call); }

    std::string m_name;
    std::vector<std::string>& m_log;
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest()
    {
        applyDeviceProfile(*DeviceProfile::named("iphone-4"));
        UIApplication::sharedApplication()->setStatusBarOrientation(UIInterfaceOrientationPortrait);
        window->makeKeyAndVisible();
    }
    ~ControllerTest() override
    {
        for (const RefPtr<UIWindow>& shown : { RefPtr<UIWindow>(window), padWindow }) {
            if (!shown)
                continue;
            shown->setRootViewController(nullptr);
            shown->setHidden(true);
        }
        // What is still queued (a transition's end) runs before the
        // objects go, so nothing outlives the test.
        clock.advance(1);
    }

    Ref<LoggingController> controller(const std::string& name) { return makeRef<LoggingController>(name, log); }
    // The iPad, with a visible key window covering its screen.
    Ref<UIWindow> usePad()
    {
        applyDeviceProfile(*DeviceProfile::named("ipad"));
        padWindow = makeRef<UIWindow>(UIScreen::mainScreen().bounds());
        padWindow->makeKeyAndVisible();
        return padWindow.toRef();
    }
    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    VirtualClock clock;
    std::vector<std::string> log;
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    RefPtr<UIWindow> padWindow;
};

} // namespace qv::uikittest
