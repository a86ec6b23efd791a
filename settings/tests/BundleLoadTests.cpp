#include "platform/Preferences/PSListController.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/UIKit/DeviceProfile.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>

using namespace qv;

namespace {

std::string builtBundleLibrary()
{
    return qv::testing::buildDirectory() + "/deliverables/Library/PreferenceBundles/QuiltvanePrefs.bundle/QuiltvanePrefs";
}

// In a fresh process of its own: the Settings app's framework on a system
// of the given version, then the bundle's library loaded as the Settings
// app loads it. Exits with 0 when `check` holds.
template<typename Check>
[[noreturn]] void loadBundleOnSystem(const char* version, Check check)
{
    DeviceProfile profile = *DeviceProfile::named("iphone-4");
    profile.systemVersion = version;
    applyDeviceProfile(profile);
    PSRegisterClasses();
    Class page = objc_getClass("PSViewController");
    SEL initialiser = sel_registerName("initForContentSize:");
    const IMP before = class_getMethodImplementation(page, initialiser);
    const bool loaded = dlopen(builtBundleLibrary().c_str(), RTLD_NOW | RTLD_GLOBAL) != nullptr;
    const bool ok = loaded && objc_getClass("QuiltvanePrefsListController") && check(page, initialiser, before);
    // The runtime's classes live as long as the process: leave without the
    // leak check.
    std::_Exit(ok ? 0 : 1);
}

} // namespace

// Where PSViewController answers initForContentSize: (systems before 8)
// the bundle leaves it alone; where it does not, the bundle adds one that
// ignores the size and answers init, so that every page can initialise
// through it.
TEST(BundleLoad, InitForContentSizeIsAddedOnlyWhereMissing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(loadBundleOnSystem("7.1", [](Class page, SEL initialiser, IMP before) {
        return before && class_getMethodImplementation(page, initialiser) == before;
    }), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(loadBundleOnSystem("8.4", [](Class page, SEL initialiser, IMP before) {
        std::string error;
        RefPtr<PSViewController> made = PSViewController::controllerWithClassName("PSViewController", CGSizeMake(320, 480), error);
        return !before && class_respondsToSelector(page, initialiser) && made && made->contentSize() == CGSizeZero;
    }), ::testing::ExitedWithCode(0), "");
}
