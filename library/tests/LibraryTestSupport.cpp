#include "LibraryTestSupport.h"

#include "hosts/install/DefaultLayouts.h"
#include "model/QVDeviceType.h"
#include "model/QVLayoutKeys.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSArray.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UITouchDriver.h"
#include "testing/Process.h"

#include <filesystem>

namespace qv::librarytest {

ScopedDevice::ScopedDevice(const std::string& name)
{
    auto profile = DeviceProfile::named(name);
    EXPECT_TRUE(profile) << name;
    applyDeviceProfile(profile.value_or(DeviceProfile::fromEnvironment()));
}

ScopedDevice::~ScopedDevice()
{
    applyDeviceProfile(DeviceProfile::fromEnvironment());
}

LibraryScreen::LibraryScreen(const std::string& profile, CGSize screen)
    : device(profile)
    , window(makeRef<UIWindow>(CGRectMake(0, 0, screen.width, screen.height)))
    , appDelegate(makeRef<AppDelegate>())
    , tabs(makeRef<UITabBarController>())
    , editor(makeRef<EditorStandIn>())
{
    EXPECT_TRUE(installDefaultLayouts());
    std::filesystem::create_directories(root.hostPath(QVUserLayoutsFolder));
    appDelegate->setWindow(window);
    UIApplication::sharedApplication()->setDelegate(appDelegate);
    UIApplication::sharedApplication()->setStatusBarOrientation(UIInterfaceOrientationPortrait);
    tabs->setViewControllers({ editor });
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), this,
        [this](CFNotificationCenterRef, void*, const std::string&, const void*, const void*) { ++m_settingsNotifications; },
        QVSettingsChangedNotification, nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    advance();
}

LibraryScreen::~LibraryScreen()
{
    CFNotificationCenterRemoveObserver(CFNotificationCenterGetDarwinNotifyCenter(), this, QVSettingsChangedNotification, nullptr);
    UITouchDriver::shared().cancelAllTouches();
    for (const Ref<UIModalView>& modal : UIModalView::visibleModalViews())
        modal->dismissWithClickedButtonIndex(0, false);
    tabs->dismissViewControllerAnimated(false);
    // Whatever is still pending ends before the clock goes.
    clock.advance(5);
    UIApplication::sharedApplication()->setDelegate(nullptr);
    window->setRootViewController(nullptr);
    window->setHidden(true);
}

void LibraryScreen::showTab(const Ref<UIViewController>& controller)
{
    tabs->setViewControllers({ editor, controller });
    tabs->setSelectedIndex(1);
    advance();
}

int LibraryScreen::takeSettingsNotifications()
{
    advance();
    return std::exchange(m_settingsNotifications, 0);
}

std::string LibraryScreen::preference(const std::string& key)
{
    RefPtr<NSObject> value = QVSharedPreferences::copyValue(key);
    return value ? value->description() : std::string("<none>");
}

std::string LibraryScreen::storedJSON(const std::string& key) const
{
    const std::string path = root.hostPath(std::string("/var/mobile/Library/Preferences/") + QVPreferenceDomain + ".plist").string();
    qv::testing::ProcessResult result = qv::testing::runPython(
        "import json, plistlib, sys\ntry:\n    d = plistlib.load(open(sys.argv[1], 'rb'))\nexcept FileNotFoundError:\n    d = {}\n"
        "print(json.dumps(d.get(sys.argv[2])))",
        { path, key });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    std::string text = result.output;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void LibraryScreen::setPreference(const std::string& key, RefPtr<NSObject> value)
{
    QVSharedPreferences::setValue(key, std::move(value));
}

void LibraryScreen::writeUserLayout(const std::string& fileName, bool folderLayout, int icons) const
{
    auto list = NSArray::create();
    for (int i = 0; i < icons; ++i)
        list->addObject(NSDictionary::create({ { "x", 10 + 70 * i }, { "y", 40 }, { "LockedIndex", -1 } }));
    auto layout = NSDictionary::create({ { QVMadeByApplicationKey, true }, { QVFolderLayoutKey, folderLayout } });
    layout->setObject(list, currentDeviceKey(QVOriginsStem, false));
    layout->setObject(list->mutableCopy(), currentDeviceKey(QVOriginsStem, true));
    EXPECT_TRUE(layout->writeToFile(std::string(QVUserLayoutsFolder) + "/" + fileName, true));
}

} // namespace qv::librarytest
