#include "SpringBoardTestSupport.h"

#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/SpringBoard/SBApplicationIcon.h"
#include "platform/SpringBoard/SBIconListModel.h"
#include "platform/core/CoreTesting.h"
#include "testing/PythonPlist.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sbtest;

namespace {

using HomeScreenDescription = SpringBoardTest;

std::vector<std::string> namesOfList(const SBIconListModel& list)
{
    std::vector<std::string> names;
    for (const Ref<SBIcon>& icon : list.iconObjects())
        names.push_back(icon->name());
    return names;
}

std::vector<std::vector<std::string>> pagesOf(const SBFolder& folder)
{
    std::vector<std::vector<std::string>> pages;
    for (const Ref<SBIconListModel>& list : folder.listModels())
        pages.push_back(namesOfList(list));
    return pages;
}

// "a, b" for the names.
std::vector<std::string> names(std::initializer_list<const char*> list) { return std::vector<std::string>(list.begin(), list.end()); }

} // namespace

TEST_F(HomeScreenDescription, ReadsPagesFoldersTheNewsstandPlaceholdersAndTheDock)
{
    RefPtr<NSDictionary> description = NSDictionary::dictionaryWithData(qv::testing::binaryPropertyListFromPython(R"({
        "pages": [
            ["Mail", {"name": "Maps", "bundleIdentifier": "com.apple.Maps"},
             {"kind": "folder", "name": "Work", "pages": [["Notes", {"kind": "gridLockPlaceholder"}], []]},
             {"kind": "newsstand", "name": "Kiosk", "pages": [["Gazette"]]},
             {"kind": "placeholder", "name": "Gap"}],
            []
        ],
        "dock": ["Phone"]
    })"));
    ASSERT_TRUE(description);
    std::string error;
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(*description, &error);
    ASSERT_TRUE(rootFolder) << error;
    EXPECT_EQ(pagesOf(*rootFolder), (std::vector<std::vector<std::string>> { names({ "Mail", "Maps", "Work", "Kiosk", "Gap" }), {} }));
    EXPECT_EQ(namesOfList(rootFolder->dockListModel()), names({ "Phone" }));

    std::vector<Ref<SBIcon>> icons = rootFolder->listModels()[0]->iconObjects();
    std::vector<std::string> kinds;
    for (const Ref<SBIcon>& icon : icons)
        kinds.push_back(icon->kindName());
    EXPECT_EQ(kinds, names({ "application", "application", "folder", "newsstand", "placeholder" }));
    EXPECT_EQ(dynamic_cast<SBApplicationIcon&>(icons[1].get()).application()->bundleIdentifier()->string(), "com.apple.Maps");
    EXPECT_EQ(dynamic_cast<SBApplicationIcon&>(icons[0].get()).application()->bundleIdentifier()->string(), "com.apple.mail");

    Ref<SBFolder> work = dynamic_cast<SBFolderIcon&>(icons[2].get()).folderObject();
    EXPECT_EQ(pagesOf(work), (std::vector<std::vector<std::string>> { names({ "Notes", "Placeholder" }), {} }));
    EXPECT_EQ(work->listModels()[0]->iconObjects()[1]->kindName(), "gridLockPlaceholder");
    EXPECT_EQ(work->icon().get(), icons[2].ptr()) << "a folder knows its icon";
    EXPECT_EQ(work->listModels()[0]->folder().get(), work.ptr()) << "and its lists know their folder";
    Ref<SBFolder> kiosk = dynamic_cast<SBFolderIcon&>(icons[3].get()).folderObject();
    EXPECT_EQ(icons[3]->className(), "SBNewsstandIcon");
    EXPECT_EQ(kiosk->className(), "SBNewsstandFolder");
    EXPECT_EQ(icons[4]->className(), "SBPlaceholderIcon");
    EXPECT_EQ(pagesOf(kiosk), (std::vector<std::vector<std::string>> { names({ "Gazette" }) }));
}

TEST_F(HomeScreenDescription, MalformedDescriptionsAreRefusedWithThePlaceNamed)
{
    struct Case {
        const char* python;
        const char* error;
    };
    const Case cases[] = {
        { R"({})", "pages: an array of pages is needed" },
        { R"({"pages": "Mail"})", "pages: an array of pages is needed" },
        { R"({"pages": [["Mail"], "Maps"]})", "pages[1]: a page is an array of icons" },
        { R"({"pages": [["Mail", 3]]})", "pages[0][1]: an icon is an application's name or a dictionary" },
        { R"({"pages": [[""]]})", "pages[0][0]: an application needs a name" },
        { R"({"pages": [[{"kind": "widget", "name": "W"}]]})", "pages[0][0]: unknown kind \"widget\"" },
        { R"({"pages": [[{"kind": "folder", "pages": [[]]}]]})", "pages[0][0]: a folder needs a name" },
        { R"({"pages": [[{"kind": "folder", "name": "F"}]]})", "pages[0][0].pages: an array of pages is needed" },
        { R"({"pages": [[{"kind": "folder", "name": "F", "pages": [["A", {"kind": "folder", "name": "G", "pages": []}]]}]]})",
            "pages[0][0].pages[0][1]: a folder holds applications and placeholders only" },
        { R"({"pages": [[{"kind": "newsstand", "name": "N", "pages": [[{"kind": "newsstand", "name": "M", "pages": []}]]}]]})",
            "pages[0][0].pages[0][0]: a folder holds applications and placeholders only" },
        { R"({"pages": [], "dock": {"Phone": 1}})", "dock: the dock is an array of icons" },
        { R"({"pages": [], "dock": [["Phone"]]})", "dock[0]: an icon is an application's name or a dictionary" },
        // Nothing is passed over in silence: a kind, name or identifier of
        // the wrong type, and keys that mean nothing where they stand (a
        // folder without its kind would lose its icons as an application).
        { R"({"pages": [[{"kind": 1, "name": "Work", "pages": [["Notes"]]}]]})", "pages[0][0].kind: \"kind\" is a string" },
        { R"({"pages": [[{"kind": ["folder"], "name": "Work", "pages": [["Notes"]]}]]})", "pages[0][0].kind: \"kind\" is a string" },
        { R"({"pages": [[{"kind": "", "name": "Work"}]]})", "pages[0][0]: unknown kind \"\"" },
        { R"({"pages": [[{"name": "Work", "pages": [["Notes"]]}]]})",
            "pages[0][0].pages: unknown key: an application has \"kind\", \"name\", \"bundleIdentifier\"" },
        { R"({"pages": [[{"name": 7}]]})", "pages[0][0].name: \"name\" is a string" },
        { R"({"pages": [[{"name": "Maps", "bundleIdentifier": True}]]})", "pages[0][0].bundleIdentifier: \"bundleIdentifier\" is a string" },
        { R"({"pages": [[{"kind": "placeholder", "bundleIdentifier": "x"}]]})",
            "pages[0][0].bundleIdentifier: unknown key: a placeholder has \"kind\", \"name\"" },
        { R"({"pages": [[{"kind": "folder", "name": "F", "pages": [], "icons": []}]]})",
            "pages[0][0].icons: unknown key: a folder has \"kind\", \"name\", \"pages\"" },
        { R"({"pages": [], "Dock": ["Phone"]})", "Dock: unknown key: a home screen has \"pages\", \"dock\"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.python);
        RefPtr<NSDictionary> description = NSDictionary::dictionaryWithData(qv::testing::binaryPropertyListFromPython(c.python));
        ASSERT_TRUE(description);
        std::string error;
        EXPECT_FALSE(SBHomeScreenDescription::rootFolderFromDescription(*description, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(HomeScreenDescription, TheDefaultHasSeveralPagesFoldersAndAFullDockThatFitEveryDevice)
{
    std::string error;
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(SBHomeScreenDescription::defaultDescription(), &error);
    ASSERT_TRUE(rootFolder) << error;
    EXPECT_EQ(rootFolder->listModels().size(), 3u);
    EXPECT_EQ(rootFolder->dockListModel()->count(), 4u);
    std::vector<std::string> folders;
    for (const Ref<SBIcon>& icon : rootFolder->allIconObjects()) {
        if (auto* folderIcon = dynamic_cast<SBFolderIcon*>(icon.ptr()))
            folders.push_back(folderIcon->name() + " " + std::to_string(folderIcon->folderObject()->listModels().size()));
    }
    EXPECT_EQ(folders, names({ "Newsstand 1", "Utilities 2", "Games 1", "Extras 1" }));

    // Nothing needs to move on any device: every page fits the smallest.
    for (const char* device : { "iphone-3.5", "iphone-4", "iphone-4.7", "iphone-5.5", "ipad" }) {
        SCOPED_TRACE(device);
        useDevice(device);
        RefPtr<SBRootFolder> spread = SBHomeScreenDescription::rootFolderFromDescription(SBHomeScreenDescription::defaultDescription(), nullptr);
        LogCapture log;
        SBHomeScreenDescription::spreadOverfullPages(*spread);
        EXPECT_EQ(pagesOf(*spread), pagesOf(*rootFolder));
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST_F(HomeScreenDescription, OverfullPagesAndDockPassTheirSurplusOnAndLoseNothing)
{
    // The 4-inch phone: 20 icons a page, 9 a folder page, 4 in the dock.
    Ref<NSArray> bigPage = NSArray::create();
    for (int i = 0; i < 23; ++i)
        bigPage->addObject("I" + std::to_string(i));
    Ref<NSArray> bigFolderPage = NSArray::create();
    for (int i = 0; i < 11; ++i)
        bigFolderPage->addObject("F" + std::to_string(i));
    bigPage->addObject(NSDictionary::create({ { "kind", "folder" }, { "name", "Full" }, { "pages", NSArray::create({ bigFolderPage }) } }));
    Ref<NSDictionary> description = NSDictionary::create({
        { "pages", NSArray::create({ bigPage, NSArray::create({ "Next" }) }) },
        { "dock", NSArray::create({ "D0", "D1", "D2", "D3", "D4", "D5" }) },
    });
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(description, nullptr);
    ASSERT_TRUE(rootFolder);
    LogCapture log;
    SBHomeScreenDescription::spreadOverfullPages(*rootFolder);

    std::vector<std::vector<std::string>> pages = pagesOf(*rootFolder);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].size(), 20u);
    EXPECT_EQ(pages[0].back(), "I19");
    // The surplus keeps its order in front of what the next page held, and
    // the dock's surplus comes after it.
    EXPECT_EQ(pages[1], names({ "I20", "I21", "I22", "Full", "Next", "D4", "D5" }));
    EXPECT_EQ(namesOfList(rootFolder->dockListModel()), names({ "D0", "D1", "D2", "D3" }));
    auto* full = dynamic_cast<SBFolderIcon*>(rootFolder->listModels()[1]->iconAtIndex(3).get());
    ASSERT_TRUE(full);
    EXPECT_EQ(pagesOf(full->folderObject()),
        (std::vector<std::vector<std::string>> { names({ "F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8" }), names({ "F9", "F10" }) }));
    EXPECT_TRUE(log.contains("page 0 of Home holds 24 icons, more than 20"));
    EXPECT_TRUE(log.contains("the dock holds more than 4 icons"));
}

TEST_F(HomeScreenDescription, ASurplusSpanningManyPagesGoesInFrontOfEachPagesOwnIcons)
{
    // 20 icons a page: 45 on the first page, then pages of 5, 20 and 3.
    auto page = [](const std::string& stem, int count) {
        Ref<NSArray> icons = NSArray::create();
        for (int i = 0; i < count; ++i)
            icons->addObject(stem + std::to_string(i));
        return icons;
    };
    Ref<NSDictionary> description = NSDictionary::create({ { "pages", NSArray::create({ page("I", 45), page("B", 5), page("C", 20), page("D", 3) }) } });
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(description, nullptr);
    ASSERT_TRUE(rootFolder);
    SBHomeScreenDescription::spreadOverfullPages(*rootFolder);

    auto names = [](const std::string& stem, int from, int to) {
        std::vector<std::string> result;
        for (int i = from; i < to; ++i)
            result.push_back(stem + std::to_string(i));
        return result;
    };
    auto joined = [](std::vector<std::string> first, const std::vector<std::string>& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    };
    std::vector<std::vector<std::string>> pages = pagesOf(*rootFolder);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0], names("I", 0, 20));
    EXPECT_EQ(pages[1], names("I", 20, 40));
    EXPECT_EQ(pages[2], joined(joined(names("I", 40, 45), names("B", 0, 5)), names("C", 0, 10)));
    EXPECT_EQ(pages[3], joined(names("C", 10, 20), names("D", 0, 3))) << "a page with room keeps what it gets";
}

TEST_F(HomeScreenDescription, TensOfThousandsOfIconsOnOnePageBecomeFullPagesInOrder)
{
    // What once took minutes to start: each icon now moves once.
    constexpr int iconCount = 32000;
    Ref<NSArray> hugePage = NSArray::create();
    for (int i = 0; i < iconCount; ++i)
        hugePage->addObject("I" + std::to_string(i));
    Ref<NSDictionary> description = NSDictionary::create({ { "pages", NSArray::create({ hugePage, NSArray::create({ "Last" }) }) } });
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(description, nullptr);
    ASSERT_TRUE(rootFolder);
    SBHomeScreenDescription::spreadOverfullPages(*rootFolder);

    std::vector<std::vector<std::string>> pages = pagesOf(*rootFolder);
    ASSERT_EQ(pages.size(), static_cast<size_t>(iconCount / 20 + 1));
    std::vector<std::string> order;
    for (size_t index = 0; index < pages.size(); ++index) {
        EXPECT_EQ(pages[index].size(), index + 1 < pages.size() ? 20u : 1u) << "page " << index;
        order.insert(order.end(), pages[index].begin(), pages[index].end());
    }
    ASSERT_EQ(order.size(), static_cast<size_t>(iconCount + 1));
    for (int i = 0; i < iconCount; ++i)
        ASSERT_EQ(order[static_cast<size_t>(i)], "I" + std::to_string(i));
    EXPECT_EQ(order.back(), "Last");
}

TEST_F(HomeScreenDescription, TheDeviceFileIsReadWhenSoundAndLeftAloneWhenNot)
{
    auto firstPageNames = [](const SBRootFolder& rootFolder) { return namesOfList(rootFolder.listModels()[0]); };
    std::string defaultFirstPage;
    {
        LogCapture log;
        Ref<SBRootFolder> rootFolder = SBHomeScreenDescription::loadRootFolderFromDevice();
        EXPECT_EQ(rootFolder->listModels().size(), 3u) << "the default home screen";
        EXPECT_TRUE(log.contains("no home screen at /var/mobile/Library/SpringBoard/HomeScreen.plist; the default home screen is used"));
        defaultFirstPage = firstPageNames(rootFolder).front();
    }

    root.writeFile(SBHomeScreenDescription::homeScreenPath, qv::testing::binaryPropertyListFromPython(R"({"pages": [["Solo"]]})"));
    EXPECT_EQ(firstPageNames(SBHomeScreenDescription::loadRootFolderFromDevice()), names({ "Solo" }));

    struct Case {
        std::string contents;
        const char* logged;
    };
    const Case cases[] = {
        { "not a property list", "is not a property list holding a dictionary" },
        { qv::testing::binaryPropertyListFromPython(R"(["Solo"])"), "is not a property list holding a dictionary" },
        { qv::testing::binaryPropertyListFromPython(R"({"pages": [[7]]})"), "HomeScreen.plist: pages[0][0]: an icon is an application's name or a dictionary; the default home screen is used" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        root.writeFile(SBHomeScreenDescription::homeScreenPath, c.contents);
        LogCapture log;
        Ref<SBRootFolder> rootFolder = SBHomeScreenDescription::loadRootFolderFromDevice();
        EXPECT_EQ(firstPageNames(rootFolder).front(), defaultFirstPage);
        EXPECT_TRUE(log.contains(c.logged));
        EXPECT_EQ(root.readFile(SBHomeScreenDescription::homeScreenPath), c.contents) << "the file is only read";
    }
}

TEST_F(HomeScreenDescription, SharedInstanceLoadsTheDeviceHomeScreenWhenNoneIsSet)
{
    root.writeFile(SBHomeScreenDescription::homeScreenPath, qv::testing::binaryPropertyListFromPython(R"({"pages": [["Solo", "Duo"]], "dock": ["Phone"]})"));
    setSharedIconController(nullptr);
    RefPtr<SBIconController> shared = SBIconController::sharedInstance();
    ASSERT_TRUE(shared);
    EXPECT_EQ(SBIconController::sharedInstance().get(), shared.get()) << "made once";
    EXPECT_EQ(namesOf(shared->rootIconListAtIndex(0)->icons()), names({ "Solo", "Duo" }));
    EXPECT_EQ(namesOf(shared->dockListView()->icons()), names({ "Phone" }));
}

// A test program moves from one device root to another: the shared
// controller is the home screen of the root in use, made afresh on each.
TEST_F(HomeScreenDescription, SharedInstanceBelongsToTheDeviceRootInUse)
{
    root.writeFile(SBHomeScreenDescription::homeScreenPath, qv::testing::binaryPropertyListFromPython(R"({"pages": [["Solo"]], "dock": []})"));
    setSharedIconController(nullptr);
    RefPtr<SBIconController> first = SBIconController::sharedInstance();
    ASSERT_TRUE(first);
    {
        qv::testing::TemporaryDeviceRoot other;
        other.writeFile(SBHomeScreenDescription::homeScreenPath, qv::testing::binaryPropertyListFromPython(R"({"pages": [["Other"]], "dock": []})"));
        RefPtr<SBIconController> there = SBIconController::sharedInstance();
        ASSERT_TRUE(there);
        EXPECT_NE(there.get(), first.get());
        EXPECT_EQ(namesOf(there->rootIconListAtIndex(0)->icons()), names({ "Other" }));
        EXPECT_EQ(SBIconController::sharedInstance().get(), there.get()) << "one for the root";
    }
    // Back on the first root: its own home screen again, not the other's.
    RefPtr<SBIconController> back = SBIconController::sharedInstance();
    ASSERT_TRUE(back);
    EXPECT_EQ(namesOf(back->rootIconListAtIndex(0)->icons()), names({ "Solo" }));

    // A controller set by a test is the one of the root it was set on.
    setSharedIconController(first);
    EXPECT_EQ(SBIconController::sharedInstance().get(), first.get());
}

TEST_F(HomeScreenDescription, AnEmptyHomeScreenStillHasAPage)
{
    launch(NSDictionary::create({ { "pages", NSArray::create() } }));
    EXPECT_TRUE(controller->_iconListIndexIsValid(0));
    EXPECT_FALSE(controller->_iconListIndexIsValid(1));
    EXPECT_EQ(controller->currentRootIconList()->icons()->count(), 0u);
}
