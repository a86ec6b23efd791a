#pragma once

// What the library's screen tests share: a simulated device (a device root
// with the default layouts, a device profile and a virtual clock), a window
// whose root is a tab bar with a stand-in for the editor at index 0, the
// application delegate, and a count of the settings notifications this
// process received.

#include "editor/AppDelegate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/UIKit/UIWindow.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::librarytest {

// Makes a built-in profile the running device's for the life of the object.
class ScopedDevice {
public:
    explicit ScopedDevice(const std::string& name);
    ~ScopedDevice();
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;
};

// The editor's place in the tab bar: counts its appearances.
class EditorStandIn : public UIViewController {
public:
    int appearances = 0;
    void viewWillAppear(bool animated) override
    {
        UIViewController::viewWillAppear(animated);
        ++appearances;
    }
};

class LibraryScreen {
public:
    // A device of the profile; `screen` is its portrait size in points.
    LibraryScreen(const std::string& profile, CGSize screen);
    ~LibraryScreen();

    // Shows the controller as the tab at index 1 and selects it.
    void showTab(const Ref<UIViewController>& controller);
    // Lets the run loop's timers, performs and notifications run.
    void advance(double seconds = 0.01) { clock.advance(seconds); }
    // SETTINGS_CHANGED deliveries since the last call.
    int takeSettingsNotifications();

    // The shared preference as this process sees it, written as text
    // ("<none>" when missing), and the domain's file as plistlib reads it.
    static std::string preference(const std::string& key);
    std::string storedJSON(const std::string& key) const;
    static void setPreference(const std::string& key, RefPtr<NSObject> value);

    // Writes a layout file made by the application into the user folder.
    void writeUserLayout(const std::string& fileName, bool folderLayout = false, int icons = 3) const;

    qv::testing::TemporaryDeviceRoot root;
    ScopedDevice device;
    VirtualClock clock { 1000.0 };
    Ref<UIWindow> window;
    Ref<AppDelegate> appDelegate;
    Ref<UITabBarController> tabs;
    Ref<EditorStandIn> editor;

private:
    int m_settingsNotifications = 0;
};

} // namespace qv::librarytest
