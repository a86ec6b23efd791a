#include "SettingsHost.h"

#include "SettingsCommands.h"
#include "SettingsRootController.h"
#include "platform/Driver/DrivenApplicationMain.h"
#include "platform/Driver/UIDriver.h"
#include "platform/Preferences/PSListController.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIResponder.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UIWindow.h"

namespace qv {

namespace {

class SettingsAppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    RefPtr<UIWindow> window;
};

} // namespace

int SettingsMain(int argc, char** argv)
{
    auto makeDelegate = [] { return Ref<UIApplicationDelegate>(makeRef<SettingsAppDelegate>()); };
    auto mainInterface = [](UIApplication&, UIApplicationDelegate& delegate) {
        // The framework is there before any bundle loads.
        PSRegisterClasses();
        Ref<SettingsRootController> root = makeRef<SettingsRootController>();
        Ref<UIWindow> window = makeRef<UIWindow>(UIScreen::mainScreen().bounds());
        window->setRootViewController(makeRef<UINavigationController>(root));
        window->makeKeyAndVisible();
        dynamic_cast<SettingsAppDelegate&>(delegate).window = window;

        UIDriver& driver = UIDriver::shared();
        registerSettingsCommands(driver, root);
        WeakPtr<SettingsRootController> weakRoot(root.ptr());
        driver.registerDumpSection("settings", [weakRoot](JSONWriter& writer) {
            if (RefPtr<SettingsRootController> strong = weakRoot.lock())
                writeSettingsState(writer, *strong);
            else
                writer.null();
        });
    };
    return DrivenApplicationMain(argc, argv, makeDelegate, mainInterface);
}

} // namespace qv
