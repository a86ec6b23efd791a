#pragma once

// What the SpringBoard stand-in's tests share: a small home screen, and a
// fixture that launches SpringBoard on it on a chosen device under the
// virtual clock.

#include "platform/Foundation/NSArray.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/SpringBoard/SBFolder.h"
#include "platform/SpringBoard/SBFolderController.h"
#include "platform/SpringBoard/SBFolderIcon.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/SpringBoard/SBIcon.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoardTesting.h"
#include "platform/SpringBoard/SBIconListView.h"
#include "platform/SpringBoard/SBIconView.h"
#include "platform/SpringBoard/SBRootFolder.h"
#include "platform/SpringBoard/SpringBoard.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIApplication.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::sbtest {

// Page 0: A1 to A6, the folder "Tools" (T1 to T9 on its first page, T10 and
// T11 on its second), the newsstand "Newsstand" (N1) and a placeholder "P";
// page 1: B1 and B2; the dock: D1 to D3.
inline Ref<NSDictionary> smallHomeScreen()
{
    Ref<NSArray> firstPage = NSArray::create({ "A1", "A2", "A3", "A4", "A5", "A6" });
    firstPage->addObject(NSDictionary::create({ { "kind", "folder" }, { "name", "Tools" },
        { "pages", NSArray::create({ NSArray::create({ "T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8", "T9" }), NSArray::create({ "T10", "T11" }) }) } }));
    firstPage->addObject(NSDictionary::create({ { "kind", "newsstand" }, { "name", "Newsstand" }, { "pages", NSArray::create({ NSArray::create({ "N1" }) }) } }));
    firstPage->addObject(NSDictionary::create({ { "kind", "placeholder" }, { "name", "P" } }));
    return NSDictionary::create({
        { "pages", NSArray::create({ firstPage, NSArray::create({ "B1", "B2" }) }) },
        { "dock", NSArray::create({ "D1", "D2", "D3" }) },
    });
}

inline std::string nameOf(const RefPtr<Object>& icon)
{
    auto* sbIcon = dynamic_cast<SBIcon*>(icon.get());
    return sbIcon ? sbIcon->name() : std::string("<not an icon>");
}

// The names of the icons of an array of icons.
inline std::vector<std::string> namesOf(const RefPtr<NSArray>& icons)
{
    std::vector<std::string> names;
    if (icons) {
        for (const Ref<NSObject>& icon : icons->objects())
            names.push_back(nameOf(RefPtr<Object>(icon)));
    }
    return names;
}

class SpringBoardTest : public ::testing::Test {
protected:
    VirtualClock clock { 0.0 };
    qv::testing::TemporaryDeviceRoot root;
    RefPtr<SBIconController> controller;
    RefPtr<SpringBoard> springBoard;

    void SetUp() override
    {
        SBRegisterClasses();
        useDevice("iphone-4");
        UIApplication::sharedApplication()->setStatusBarOrientation(UIInterfaceOrientationPortrait);
    }

    void TearDown() override
    {
        // Animations end and their completions let go of what they hold.
        clock.advance(10);
        setSharedIconController(nullptr);
    }

    static void useDevice(const std::string& name)
    {
        auto profile = DeviceProfile::named(name);
        ASSERT_TRUE(profile) << name;
        applyDeviceProfile(*profile);
    }

    // SpringBoard on the home screen of the description, launched.
    void launch(const NSDictionary& description)
    {
        std::string error;
        RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(description, &error);
        ASSERT_TRUE(rootFolder) << error;
        SBHomeScreenDescription::spreadOverfullPages(*rootFolder);
        controller = SBIconController::create(*rootFolder);
        setSharedIconController(controller);
        springBoard = SpringBoard::create();
        springBoard->applicationDidFinishLaunching(springBoard.get());
    }
    void launch() { launch(smallHomeScreen()); }

    Ref<SBIcon> icon(const std::string& name)
    {
        RefPtr<SBIcon> found = controller->iconNamed(name);
        EXPECT_TRUE(found) << name;
        return found ? found.toRef() : Ref<SBIcon>(*controller->iconNamed("A1"));
    }
    Ref<SBIconListView> page(uint64_t index) { return *controller->rootFolderControllerObject()->listViews().at(index); }
    Ref<SBIconListView> dock() { return *controller->rootFolderControllerObject()->dockListView(); }
    Ref<SBFolder> folder(const std::string& name)
    {
        auto* folderIcon = dynamic_cast<SBFolderIcon*>(icon(name).ptr());
        EXPECT_TRUE(folderIcon) << name;
        return folderIcon->folderObject();
    }
    Ref<SBIconListView> folderPage(const std::string& name, uint64_t index)
    {
        return *controller->folderControllerForFolder(folder(name).ptr())->listViews().at(index);
    }
    Ref<SBIconView> viewOf(SBIconListView& list, const std::string& name)
    {
        return *list.iconViewForIcon(icon(name).ptr());
    }
};

} // namespace qv::sbtest
