// The layouts manager in process, on a device root of its own: how it reads
// origins and references, scales into folders, keys the running device and
// brings faded icons back.

#include "extension/QVInitialize.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/core/CoreTesting.h"
#include "extension/QVLayoutManager.h"
#include "extension/QVPreferences.h"
#include "hosts/install/DefaultLayouts.h"
#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/FoundationTesting.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/SpringBoard/SBFolderBackgroundView.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoardTesting.h"
#include "platform/SpringBoard/SpringBoardTypes.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/core/Log.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <stdio.h>
#include <vector>

using namespace qv;

namespace {

// What the tests make SpringBoard answer, through replacements of its
// declared messages.
int64_t shownOrientation = 1;
CGSize shownBackgroundSize = CGSizeZero;
bool replacingBackgroundSize = false;
ObjCSavedImplementation<objc_class, CGSize()> savedBackgroundSize;

void replaceSpringBoardAnswers()
{
    static bool replaced = false;
    if (replaced)
        return;
    replaced = true;
    SBIconControllerMessages::orientation.hook(objc_getClass("SBIconController"), [](SBIconController*) { return shownOrientation; }, nullptr);
    SBFolderBackgroundViewMessages::folderBackgroundSize.hook(objc_getClass("SBFolderBackgroundView"), [](Class self) {
        return replacingBackgroundSize ? shownBackgroundSize : savedBackgroundSize(self);
    }, &savedBackgroundSize);
}

class LayoutManager : public ::testing::Test {
protected:
    VirtualClock clock { 0.0 };
    qv::testing::TemporaryDeviceRoot root;
    RefPtr<QVLayoutManager> manager;

    void SetUp() override
    {
        SBRegisterClasses();
        QVRegisterClasses();
        useDevice("iphone-4");
        ASSERT_TRUE(installDefaultLayouts());
        replaceSpringBoardAnswers();
        shownOrientation = 1;
        replacingBackgroundSize = false;
        manager = QVLayoutManager::sharedInstance();
    }

    void TearDown() override
    {
        clock.advance(10);
        setSharedIconController(nullptr);
    }

    static void useDevice(const std::string& name)
    {
        auto profile = DeviceProfile::named(name);
        ASSERT_TRUE(profile) << name;
        applyDeviceProfile(*profile);
    }

    static void setPreference(const std::string& key, RefPtr<NSObject> value)
    {
        CFPreferencesSetAppValue(key, std::move(value), QVPreferenceDomain);
        CFPreferencesAppSynchronize(QVPreferenceDomain);
    }
    static std::string preferenceText(const std::string& key)
    {
        RefPtr<NSObject> value = CFPreferencesCopyAppValue(key, QVPreferenceDomain);
        return value ? value->description() : "<none>";
    }
};

} // namespace

TEST_F(LayoutManager, OriginEntriesReadAsNumbersAndAnythingElseAsZero)
{
    const double infinity = std::numeric_limits<double>::infinity();
    Ref<NSArray> origins = NSArray::create({
        NSDictionary::create({ { "x", 10 }, { "y", 100 } }),
        NSDictionary::create({ { "x", 10.5 }, { "y", "35" } }),
        "not an entry",
        NSDictionary::create({ { "x", infinity }, { "y", std::nan("") } }),
        NSDictionary::create({ { "x", 1e300 }, { "y", -1e300 } }),
        NSDictionary::create({ { "y", 7 } }),
    });
    struct Case {
        uint64_t index;
        CGPoint origin;
    };
    const Case cases[] = {
        { 0, CGPointMake(10, 80) },
        { 1, CGPointMake(10.5, 15) },
        { 2, CGPointMake(0, -20) },
        { 3, CGPointMake(0, -20) },
        { 4, CGPointMake(0, -20) },
        { 5, CGPointMake(0, -13) },
        { 9, CGPointMake(0, -20) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(manager->originAtIndex(c.index, origins.ptr()), c.origin);
    }
}

TEST_F(LayoutManager, AHomeScreenOriginScalesToTheFolderBackgroundUnlessItHasNoSize)
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    ASSERT_TRUE(controller);
    CGSize background = SBFolderBackgroundView::folderBackgroundSize();
    CGSize screen = controller->contentView()->bounds().size;
    double scaleX = static_cast<float>(background.width / screen.width);
    double scaleY = static_cast<float>(background.height / screen.height);
    EXPECT_EQ(manager->originAfterScalingToFolderSize(CGPointMake(100, 200)), CGPointMake(scaleX * 100 - 5, scaleY * 200));

    replacingBackgroundSize = true;
    for (CGSize size : { CGSizeZero, CGSizeMake(0, 300), CGSizeMake(std::nan(""), 300) }) {
        shownBackgroundSize = size;
        EXPECT_EQ(manager->originAfterScalingToFolderSize(CGPointMake(100, 200)), CGPointMake(100, 200));
    }
}

TEST_F(LayoutManager, OriginsKeysFollowTheDeviceAndSpringBoardsOrientation)
{
    SBIconController::sharedInstance();
    struct Case {
        const char* device;
        int64_t orientation;
        const char* key;
    };
    const Case cases[] = {
        { "iphone-3.5", 1, "Origins-3_5Inch" },
        { "iphone-4", 2, "Origins-4Inch" },
        { "iphone-4.7", 3, "Origins-4_7Inch-Landscape" },
        { "iphone-5.5", 4, "Origins-5_5Inch-Landscape" },
        { "ipad", 1, "Origins-iPad" },
        { "ipad", 0, "Origins-iPad-Landscape" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device + std::string(" ") + std::to_string(c.orientation));
        useDevice(c.device);
        shownOrientation = c.orientation;
        EXPECT_EQ(manager->currentOriginsKey(), c.key);
        EXPECT_EQ(manager->oldLayoutOriginsKey(), c.orientation == 1 || c.orientation == 2 ? "Origins-3_5Inch" : "Origins-3_5Inch-Landscape");
        EXPECT_EQ(manager->iPad(), std::string(c.device) == "ipad");
    }
}

TEST_F(LayoutManager, ReferencesChooseTheirFolderAndNamesLeavingTheFoldersReadAsTheDefault)
{
    root.writeFile("/var/mobile/Library/Quiltvane/Layouts/Mine.plist",
        "<plist version=\"1.0\"><dict><key>Origins-4Inch</key><array><dict><key>x</key><integer>7</integer><key>y</key><integer>27</integer></dict></array></dict></plist>");
    root.writeFile("/var/mobile/Library/Layout.plist",
        "<plist version=\"1.0\"><dict><key>Origins-4Inch</key><array><dict><key>x</key><integer>99</integer><key>y</key><integer>99</integer></dict></array></dict></plist>");
    setPreference(QVCurrentLayoutKey, NSString::create("Mine.plist//SOMEWHERE"));
    setPreference("Page0Layout", NSString::create("../../Layout.plist//USER"));
    setPreference("Page1Layout", NSString::create("Default.plist//DEFAULT"));
    setPreference("Page2Layout", NSNumber::numberWithInt(3));
    LogCapture log;
    manager->configureLayouts(false);

    auto firstOrigin = [&](const char* key) {
        RefPtr<NSDictionary> layout = manager->layouts()->objectForKey<NSDictionary>(key);
        return manager->originAtIndex(0, manager->currentOrigins(layout.get()).get());
    };
    EXPECT_EQ(firstOrigin(QVCurrentLayoutKey), CGPointMake(7, 7)) << "any word but DEFAULT is the user folder";
    EXPECT_EQ(preferenceText(QVCurrentLayoutKey), "Mine.plist//SOMEWHERE") << "a reference is kept as it is";
    CGPoint stock = firstOrigin("Page1Layout");
    EXPECT_EQ(firstOrigin("Page0Layout"), stock) << "a name that leaves the layouts folders is no reference";
    EXPECT_EQ(preferenceText("Page0Layout"), "Default.plist//DEFAULT");
    EXPECT_EQ(firstOrigin("Page2Layout"), stock) << "a value of another kind is no reference";
    EXPECT_EQ(preferenceText("Page2Layout"), "Default.plist//DEFAULT");
    EXPECT_TRUE(log.contains("CURRENT_LAYOUT: Mine.plist//SOMEWHERE"));
    EXPECT_TRUE(log.contains("PAGE_LAYOUT 10: Default.plist//DEFAULT"));

    // Per page: above page 10 the layout of page 10.
    setPreference("Page10Layout", NSString::create("Mine.plist//USER"));
    manager->configureLayouts(false);
    setPreference(QVEnablePerPageLayoutsKey, NSNumber::numberWithBool(true));
    EXPECT_EQ(manager->currentLayoutAtIndex(12), manager->currentLayoutAtIndex(10));
    EXPECT_NE(manager->currentLayoutAtIndex(9), manager->currentLayoutAtIndex(10));
    setPreference(QVEnablePerPageLayoutsKey, nullptr);
    EXPECT_EQ(manager->currentLayoutAtIndex(12), manager->layouts()->objectForKey<NSDictionary>(QVCurrentLayoutKey));
}

TEST_F(LayoutManager, EveryFadedViewComesBackAtTheNextShow)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    ASSERT_TRUE(preferences);
    preferences->setEnabled(true);
    preferences->setHiddenIconsEnabled(true);
    Ref<UIView> first = makeRef<UIView>();
    Ref<UIView> second = makeRef<UIView>();
    Ref<UIView> third = makeRef<UIView>();

    // A second hide before a show: both batches come back.
    manager->hideIconViews(NSArray::arrayWithObjects({ first, second }), 0.3);
    manager->hideIconViews(NSArray::arrayWithObjects({ second, third }), 0.0);
    clock.advance(1);
    EXPECT_EQ(first->alpha(), 0.0);
    EXPECT_EQ(manager->hiddenIconViews()->count(), 3u);
    manager->showIconViews();
    clock.advance(1);
    EXPECT_EQ(first->alpha(), 1.0);
    EXPECT_EQ(third->alpha(), 1.0);
    EXPECT_FALSE(manager->hiddenIconViews());

    // A switch turned off in between does not strand them.
    manager->hideIconViews(NSArray::arrayWithObjects({ first }), 0.3);
    preferences->setHiddenIconsEnabled(false);
    manager->showIconViewsAfterDelay(0.5);
    clock.advance(0.4);
    EXPECT_EQ(first->alpha(), 0.0);
    clock.advance(1);
    EXPECT_EQ(first->alpha(), 1.0);

    // Switched off, nothing fades.
    manager->hideIconViews(NSArray::arrayWithObjects({ second }), 0.0);
    clock.advance(1);
    EXPECT_EQ(second->alpha(), 1.0);
    preferences->setEnabled(false);
}

// A test program moves from one device root to another: the layouts
// manager and the preferences are those of the root in use, the
// preferences read from it.
TEST_F(LayoutManager, SharedInstancesBelongToTheDeviceRootInUse)
{
    RefPtr<QVPreferences> first = QVPreferences::currentPreferences();
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->enabled());
    first->setEnabled(true);
    {
        qv::testing::TemporaryDeviceRoot other;
        ASSERT_TRUE(installDefaultLayouts());
        RefPtr<QVLayoutManager> otherManager = QVLayoutManager::sharedInstance();
        EXPECT_NE(otherManager.get(), manager.get());
        EXPECT_EQ(QVLayoutManager::sharedInstance().get(), otherManager.get()) << "one for the root";
        EXPECT_FALSE(otherManager->layouts()) << "nothing configured on this root yet";

        setPreference(QVEnableKey, NSNumber::numberWithBool(true));
        setPreference(QVEnablePlaceholdersKey, NSNumber::numberWithBool(true));
        RefPtr<QVPreferences> there = QVPreferences::currentPreferences();
        ASSERT_TRUE(there);
        EXPECT_NE(there.get(), first.get());
        EXPECT_TRUE(there->enabled()) << "read from this root's settings";
        EXPECT_TRUE(there->placeholdersEnabled());
        EXPECT_EQ(QVPreferences::currentPreferences().get(), there.get()) << "one for the root";
    }
    // Back on the first root: afresh, read from it (where nothing is on),
    // not the switch set by hand on the object of before.
    RefPtr<QVPreferences> back = QVPreferences::currentPreferences();
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->enabled());
    EXPECT_FALSE(back->placeholdersEnabled());
}

// A user layout the manager upgrades is saved anew by the user after it was
// read, and renamed between the swap that writes the upgrade and the one
// that puts the newer save back, so that the swap back finds nothing: the
// newer save is still in the layouts folder under its name, and nothing
// the user saved is lost.
TEST_F(LayoutManager, ALayoutSavedAndRenamedWhileItIsWrittenBackKeepsTheNewerSave)
{
    const std::string folder = "/var/mobile/Library/Quiltvane/Layouts";
    const std::string older = "<plist version=\"1.0\"><dict><key>Origins-4Inch</key><array><dict><key>x</key><integer>7</integer>"
                              "<key>y</key><integer>27</integer></dict></array></dict></plist>";
    const std::string newer = "<plist version=\"1.0\"><dict><key>QV</key><true/><key>Origins-4Inch</key><array><dict><key>x</key>"
                              "<integer>42</integer><key>y</key><integer>52</integer></dict></array></dict></plist>";
    root.writeFile(folder + "/Mine.plist", older);
    setPreference(QVCurrentLayoutKey, NSString::create("Mine.plist//USER"));
    const std::filesystem::path mine = root.hostPath(folder + "/Mine.plist");

    int swaps = 0;
    ScopedFileSwap swap([&](const std::string& first, const std::string& second) {
        bool ofMine = std::filesystem::path(second) == mine;
        if (ofMine && ++swaps == 1)
            root.writeFile(folder + "/Mine.plist", newer);
        int result = ::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
        if (ofMine && swaps == 1)
            std::filesystem::rename(mine, mine.parent_path() / "Renamed.plist");
        return result;
    });
    manager->configureLayouts(false);
    EXPECT_GE(swaps, 2);

    // The newer save, upgraded in its turn or not.
    auto firstX = [&](const std::string& name) {
        RefPtr<NSDictionary> layout = NSDictionary::dictionaryWithContentsOfFile(folder + "/" + name);
        RefPtr<NSArray> origins = layout ? layout->objectForKey<NSArray>("Origins-4Inch") : nullptr;
        RefPtr<NSDictionary> first = origins && origins->count() ? dynamicRefCast<NSDictionary>(origins->objectAtIndex(0)) : nullptr;
        RefPtr<NSNumber> x = first ? first->numberForKey("x") : nullptr;
        return x ? x->intValue() : -1;
    };
    EXPECT_EQ(firstX("Mine.plist"), 42);
    EXPECT_EQ(firstX("Renamed.plist"), 7);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mine.parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "Mine.plist", "Renamed.plist" })) << "the upgrade, under the name it was given";
}
