#include "platform/Foundation/NSArray.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/core/CoreTesting.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/Preferences/PSListController.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UISwitch.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIWindow.h"
#include "platform/core/Log.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

const std::string bundlePath = "/Library/PreferenceBundles/Test.bundle";

// A page whose rows come from the list "Rows" of its bundle, with a switch
// value of its own, a getter of the wrong types and a count of how often
// its rows were built.
class TestListPage : public PSListController {
    QV_MAKE_REF_FRIEND;

public:
    std::string className() const override { return "TestListPage"; }

    RefPtr<NSArray> specifiers() override
    {
        if (!m_specifiers) {
            ++builds;
            m_specifiers = loadSpecifiersFromPlistName("Rows", this);
        }
        return m_specifiers;
    }

    RefPtr<NSObject> flag;
    std::vector<RefPtr<NSObject>> setValues;
    int builds = 0;

private:
    TestListPage() = default;
};

// A page a link row opens.
class TestDetailPage : public PSListController {
    QV_MAKE_REF_FRIEND;

public:
    std::string className() const override { return "TestDetailPage"; }

private:
    TestDetailPage() = default;
};

void registerTestClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        applyDeviceProfile(*DeviceProfile::named("iphone-4"));
        PSRegisterClasses();
        Class list = objc_allocateClassPair<TestListPage>(objc_getClass("PSListController"), "TestListPage");
        class_addMethod(list, sel_registerName("flag"), imp_implementationWithBlock([](TestListPage* self) { return self->flag; }));
        class_addMethod(list, sel_registerName("setFlag:"), imp_implementationWithBlock([](TestListPage* self, NSObject* value) {
            self->flag = RefPtr<NSObject>(value);
            self->setValues.push_back(RefPtr<NSObject>(value));
        }));
        class_addMethod(list, sel_registerName("wrongTypes"), imp_implementationWithBlock([](TestListPage*) { return true; }));
        objc_registerClassPair(list);
        objc_registerClassPair(objc_allocateClassPair<TestDetailPage>(objc_getClass("PSListController"), "TestDetailPage"));
    });
}

const char* const rowsList = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>title</key><string>Test Page</string>
<key>items</key><array>
  <dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Before Any Group</string></dict>
  <dict><key>cell</key><string>PSGroupCell</string><key>label</key><string>Switches</string><key>footerText</key><string>Below.</string></dict>
  <dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Flag</string><key>get</key><string>flag</string><key>set</key><string>setFlag:</string></dict>
  <dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Unanswered</string><key>get</key><string>noSuchGetter</string><key>set</key><string>noSuchSetter:</string></dict>
  <dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Wrong</string><key>get</key><string>wrongTypes</string></dict>
  <dict><key>cell</key><string>PSSliderCell</string><key>label</key><string>Unknown Kind</string></dict>
  <string>not an item</string>
  <dict><key>cell</key><string>PSGroupCell</string></dict>
  <dict><key>cell</key><string>PSLinkCell</string><key>label</key><string>More</string><key>detail</key><string>TestDetailPage</string></dict>
  <dict><key>cell</key><string>PSLinkCell</string><key>label</key><string>Nowhere</string><key>detail</key><string>NoSuchPage</string></dict>
  <dict><key>cell</key><string>PSLinkCell</string><key>label</key><string>Not A Page</string><key>detail</key><string>NSObject</string></dict>
</array></dict></plist>
)";

class PreferencesFrameworkTest : public ::testing::Test {
protected:
    PreferencesFrameworkTest()
    {
        registerTestClasses();
        root.writeFile(bundlePath + "/Rows.plist", rowsList);
        std::string error;
        page = dynamicRefCast<TestListPage>(PSViewController::controllerWithClassName("TestListPage", CGSizeMake(320, 568), error));
        EXPECT_TRUE(page) << error;
        page->setBundlePath(bundlePath);
        navigation = makeRef<UINavigationController>(page);
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
    }
    ~PreferencesFrameworkTest() override
    {
        window->setRootViewController(nullptr);
        window->setHidden(true);
        clock.advance(1);
    }

    std::vector<std::string> shownRows()
    {
        std::vector<std::string> rows;
        for (const Ref<PSSpecifier>& specifier : page->shownSpecifiers())
            rows.push_back(std::to_string(specifier->cellType()) + " " + specifier->name());
        return rows;
    }

    VirtualClock clock;
    qv::testing::TemporaryDeviceRoot root;
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    RefPtr<TestListPage> page;
    RefPtr<UINavigationController> navigation;
};

} // namespace

// The list gives the rows in order, groups beginning the sections; items
// of no known kind are left out with a log line; the list titles the page.
TEST_F(PreferencesFrameworkTest, RowsComeFromTheBundlesList)
{
    LogCapture log;
    page->view()->layoutIfNeeded();
    EXPECT_EQ(shownRows(), (std::vector<std::string> { "6 Before Any Group", "0 Switches", "6 Flag", "6 Unanswered", "6 Wrong", "0 ",
                               "1 More", "1 Nowhere", "1 Not A Page" }));
    EXPECT_TRUE(log.contains("has an item of no known cell kind"));
    EXPECT_TRUE(log.contains("names the page class NoSuchPage, which does not exist"));
    EXPECT_EQ(page->title(), "Test Page");
    RefPtr<UITableView> table = page->table();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 1);
    EXPECT_EQ(table->numberOfRowsInSection(1), 3);
    EXPECT_EQ(page->tableViewTitleForHeaderInSection(table.get(), 1), "Switches");
    EXPECT_EQ(page->tableViewTitleForFooterInSection(table.get(), 1), "Below.");
    EXPECT_EQ(page->tableViewTitleForHeaderInSection(table.get(), 2), std::nullopt);
}

// A switch shows its getter's truth and, tapped, hands its setter a boolean
// number; a getter or setter the target does not answer, or answers with
// other types, is never sent: it reads as off and is logged.
TEST_F(PreferencesFrameworkTest, SwitchesAreBoundByName)
{
    page->flag = NSNumber::numberWithInteger(2);
    page->view()->layoutIfNeeded();
    LogCapture log;
    std::vector<Ref<PSSpecifier>> rows = page->shownSpecifiers();
    RefPtr<UISwitch> flag = page->switchForSpecifier(rows[2]);
    ASSERT_TRUE(flag);
    EXPECT_TRUE(flag->on()) << "any true number";
    ASSERT_TRUE(UITouchDriver::shared().tapView(*flag));
    EXPECT_FALSE(flag->on());
    ASSERT_EQ(page->setValues.size(), 1u);
    RefPtr<NSNumber> handed = dynamicRefCast<NSNumber>(page->setValues[0]);
    ASSERT_TRUE(handed);
    EXPECT_EQ(handed->kind(), NSNumber::Kind::Boolean);
    EXPECT_FALSE(handed->boolValue());
    ASSERT_TRUE(UITouchDriver::shared().tapView(*flag));
    EXPECT_TRUE(page->flag->boolValue());

    RefPtr<UISwitch> unanswered = page->switchForSpecifier(rows[3]);
    ASSERT_TRUE(unanswered);
    EXPECT_FALSE(unanswered->on());
    EXPECT_TRUE(UITouchDriver::shared().tapView(*unanswered));
    EXPECT_TRUE(log.contains("TestListPage does not answer noSuchSetter: for \"Unanswered\""));
    EXPECT_FALSE(rows[4]->performGetter());
    EXPECT_TRUE(log.contains("TestListPage answers wrongTypes with types B@:, not @@:, for \"Wrong\""));
    EXPECT_EQ(page->setValues.size(), 2u) << "nothing else was set";
}

// A link row opens a page made by class name, in the same bundle; a link to
// a class that is missing or no page opens nothing.
TEST_F(PreferencesFrameworkTest, LinkRowsPushTheirPage)
{
    page->view()->layoutIfNeeded();
    LogCapture log;
    RefPtr<UITableView> table = page->table();
    ASSERT_TRUE(table->tapRowAtIndexPath(NSIndexPath::indexPathForRow(1, 2).ptr()));
    ASSERT_TRUE(table->tapRowAtIndexPath(NSIndexPath::indexPathForRow(2, 2).ptr()));
    EXPECT_TRUE(log.contains("\"Nowhere\" opens no page"));
    EXPECT_TRUE(log.contains("\"Not A Page\" cannot open its page: NSObject is not a PSViewController"));
    EXPECT_EQ(navigation->viewControllers().size(), 1u);

    ASSERT_TRUE(table->tapRowAtIndexPath(NSIndexPath::indexPathForRow(0, 2).ptr()));
    clock.advance(1);
    RefPtr<TestDetailPage> detail = dynamicRefCast<TestDetailPage>(navigation->topViewController());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->bundlePath(), bundlePath);
    EXPECT_EQ(detail->contentSize(), CGSizeMake(320, 568));
}

// reloadSpecifiers drops the cached rows and builds them again; the page
// shows what the list says then. A list that cannot be read gives no rows.
TEST_F(PreferencesFrameworkTest, ReloadSpecifiersBuildsTheRowsAgain)
{
    page->view()->layoutIfNeeded();
    EXPECT_EQ(page->builds, 1);
    page->specifiers();
    EXPECT_EQ(page->builds, 1) << "the cache answers";
    root.writeFile(bundlePath + "/Rows.plist",
        "<plist version=\"1.0\"><dict><key>items</key><array><dict><key>cell</key><string>PSSwitchCell</string>"
        "<key>label</key><string>Only</string></dict></array></dict></plist>");
    page->reloadSpecifiers();
    EXPECT_EQ(page->builds, 2);
    EXPECT_EQ(shownRows(), (std::vector<std::string> { "6 Only" }));
    EXPECT_EQ(page->table()->numberOfSections(), 1);

    LogCapture log;
    root.writeFile(bundlePath + "/Rows.plist", "garbage");
    page->reloadSpecifiers();
    EXPECT_TRUE(shownRows().empty());
    EXPECT_EQ(page->table()->numberOfSections(), 0);
    EXPECT_TRUE(log.contains("cannot read the specifier list /Library/PreferenceBundles/Test.bundle/Rows.plist"));
}

// Pages are made by class name only when the class is a page whose
// initialiser answers one.
TEST_F(PreferencesFrameworkTest, PagesByClassName)
{
    std::string error;
    EXPECT_FALSE(PSViewController::controllerWithClassName("NoSuchPage", CGSizeZero, error));
    EXPECT_EQ(error, "no class named NoSuchPage");
    EXPECT_FALSE(PSViewController::controllerWithClassName("NSObject", CGSizeZero, error));
    EXPECT_EQ(error, "NSObject is not a PSViewController");
    EXPECT_FALSE(PSViewController::controllerWithClassName("PSViewController", CGSizeZero, error))
        << "a system of version 8 has no initForContentSize: on PSViewController";
    EXPECT_EQ(error, "PSViewController does not answer initForContentSize:");
}
