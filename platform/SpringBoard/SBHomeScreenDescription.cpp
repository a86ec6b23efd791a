#include "SBHomeScreenDescription.h"

#include "SBApplication.h"
#include "SBApplicationIcon.h"
#include "SBFolder.h"
#include "SBFolderIcon.h"
#include "SBIconListModel.h"
#include "SBIconListView.h"
#include "SBRootFolder.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <optional>

namespace qv {

namespace {

constexpr const char* pagesKey = "pages";
constexpr const char* dockKey = "dock";
constexpr const char* kindKey = "kind";
constexpr const char* nameKey = "name";
constexpr const char* bundleIdentifierKey = "bundleIdentifier";

// A stock-looking identifier for an application described by name only.
std::string bundleIdentifierForName(const std::string& name)
{
    std::string identifier = "com.apple.";
    for (unsigned char character : name) {
        if (std::isalnum(character))
            identifier += static_cast<char>(std::tolower(character));
    }
    return identifier;
}

// Reads one description, remembering where it is for the error it reports.
class DescriptionReader {
public:
    explicit DescriptionReader(std::string* error) : m_error(error) {}

    RefPtr<SBRootFolder> read(const NSDictionary& description)
    {
        if (!onlyKnownKeys(description, { pagesKey, dockKey }, "", "a home screen"))
            return nullptr;
        Ref<SBRootFolder> root = SBRootFolder::create();
        RefPtr<NSArray> pages = description.objectForKey<NSArray>(pagesKey);
        if (!pages)
            return fail(pagesKey, "an array of pages is needed");
        if (!readPages(*pages, root.get(), pagesKey, true))
            return nullptr;
        if (RefPtr<NSObject> dockValue = description.objectForKey(dockKey)) {
            RefPtr<NSArray> dock = dynamicRefCast<NSArray>(dockValue);
            if (!dock)
                return fail(dockKey, "the dock is an array of icons");
            if (!readItems(*dock, root->dockListModel().get(), dockKey, true))
                return nullptr;
        }
        return root;
    }

private:
    std::nullptr_t fail(const std::string& place, const std::string& problem)
    {
        if (m_error)
            *m_error = place + ": " + problem;
        return nullptr;
    }

    bool readPages(const NSArray& pages, SBFolder& folder, const std::string& place, bool onHomeScreen)
    {
        for (NSUInteger index = 0; index < pages.count(); ++index) {
            std::string pagePlace = place + "[" + std::to_string(index) + "]";
            RefPtr<NSArray> page = pages.objectAtIndex<NSArray>(index);
            if (!page) {
                fail(pagePlace, "a page is an array of icons");
                return false;
            }
            if (!readItems(*page, folder.addEmptyList().get(), pagePlace, onHomeScreen))
                return false;
        }
        return true;
    }

    bool readItems(const NSArray& items, SBIconListModel& list, const std::string& place, bool onHomeScreen)
    {
        for (NSUInteger index = 0; index < items.count(); ++index) {
            RefPtr<SBIcon> icon = readItem(items.objectAtIndex(index), place + "[" + std::to_string(index) + "]", onHomeScreen);
            if (!icon)
                return false;
            list.addIcon(*icon);
        }
        return true;
    }

    // Every key of the dictionary is one of `known`; a key that means
    // nothing is refused, so that no entry is left out unsaid.
    bool onlyKnownKeys(const NSDictionary& dictionary, std::initializer_list<const char*> known, const std::string& place, const std::string& what)
    {
        for (const std::string& key : dictionary.allKeys()) {
            if (std::find(known.begin(), known.end(), key) != known.end())
                continue;
            std::string names;
            for (const char* name : known)
                names += std::string(names.empty() ? "" : ", ") + "\"" + name + "\"";
            fail(place.empty() ? key : place + "." + key, "unknown key: " + what + " has " + names);
            return false;
        }
        return true;
    }

    // The string under the key, "" when there is none; nothing when the
    // value is of another type.
    std::optional<std::string> optionalString(const NSDictionary& dictionary, const char* key, const std::string& place)
    {
        RefPtr<NSObject> value = dictionary.objectForKey(key);
        if (!value)
            return std::string();
        if (auto text = dynamicRefCast<NSString>(value))
            return text->string();
        fail(place + "." + key, std::string("\"") + key + "\" is a string");
        return std::nullopt;
    }

    RefPtr<SBIcon> readItem(const RefPtr<NSObject>& item, const std::string& place, bool onHomeScreen)
    {
        if (auto name = dynamicRefCast<NSString>(item))
            return application(name->string(), std::string(), place);
        auto dictionary = dynamicRefCast<NSDictionary>(item);
        if (!dictionary)
            return fail(place, "an icon is an application's name or a dictionary");
        std::optional<std::string> kindValue = optionalString(*dictionary, kindKey, place);
        std::optional<std::string> nameValue = kindValue ? optionalString(*dictionary, nameKey, place) : std::nullopt;
        if (!nameValue)
            return nullptr;
        const std::string kind = dictionary->objectForKey(kindKey) ? *kindValue : "application";
        const std::string& name = *nameValue;

        if (kind == "application") {
            if (!onlyKnownKeys(*dictionary, { kindKey, nameKey, bundleIdentifierKey }, place, "an application"))
                return nullptr;
            std::optional<std::string> identifier = optionalString(*dictionary, bundleIdentifierKey, place);
            return identifier ? application(name, *identifier, place) : nullptr;
        }
        if (kind == "placeholder" || kind == "gridLockPlaceholder") {
            if (!onlyKnownKeys(*dictionary, { kindKey, nameKey }, place, "a placeholder"))
                return nullptr;
            const std::string shownName = name.empty() ? "Placeholder" : name;
            return SBIcon::create(shownName, kind == "placeholder" ? "SBPlaceholderIcon" : "SBGridLockPlaceholderIcon");
        }
        if (kind != "folder" && kind != "newsstand")
            return fail(place, "unknown kind \"" + kind + "\"");
        if (!onlyKnownKeys(*dictionary, { kindKey, nameKey, pagesKey }, place, "a " + kind))
            return nullptr;
        if (!onHomeScreen)
            return fail(place, "a folder holds applications and placeholders only");
        if (name.empty())
            return fail(place, "a " + kind + " needs a name");
        RefPtr<NSArray> pages = dictionary->arrayForKey(pagesKey);
        if (!pages)
            return fail(place + "." + pagesKey, "an array of pages is needed");
        Ref<SBFolder> folder = SBFolder::create(name, kind == "folder" ? "SBFolder" : "SBNewsstandFolder");
        if (!readPages(*pages, folder.get(), place + "." + pagesKey, false))
            return nullptr;
        // A folder always has a page to open on.
        if (folder->listModels().empty())
            folder->addEmptyList();
        return SBFolderIcon::create(folder, kind == "folder" ? "SBFolderIcon" : "SBNewsstandIcon");
    }

    RefPtr<SBIcon> application(const std::string& name, const std::string& bundleIdentifier, const std::string& place)
    {
        if (name.empty())
            return fail(place, "an application needs a name");
        return SBApplicationIcon::create(SBApplication::create(name, bundleIdentifier.empty() ? bundleIdentifierForName(name) : bundleIdentifier));
    }

    std::string* m_error;
};

Ref<NSDictionary> folderItem(const char* kind, const char* name, std::initializer_list<Ref<NSArray>> pages)
{
    Ref<NSArray> pageArray = NSArray::create();
    for (const Ref<NSArray>& page : pages)
        pageArray->addObject(page);
    return NSDictionary::create({ { kindKey, kind }, { nameKey, name }, { pagesKey, pageArray } });
}

// Moves what does not fit on a page of the folder to the page after it,
// in front of that page's own icons, and so on to a new page after the
// last. Each icon moves at most once, however many pages the surplus
// spans: the surplus still on its way is a queue that each page takes its
// first icons from.
void spreadPages(SBFolder& folder, Class listClass)
{
    uint64_t capacity = SBIconListView::maxIcons(listClass);
    if (!capacity)
        return;
    std::deque<Ref<SBIcon>> carried;
    for (size_t page = 0; page < folder.listModels().size(); ++page) {
        Ref<SBIconListModel> list = folder.listModels()[page];
        if (carried.empty() && list->count() <= capacity)
            continue;
        if (carried.empty()) {
            logLine("SpringBoard: page " + std::to_string(page) + " of " + folder.name() + " holds " + std::to_string(list->count())
                + " icons, more than " + std::to_string(capacity) + "; the rest go to the next pages");
        }
        std::vector<Ref<SBIcon>> own = list->removeAllIcons();
        carried.insert(carried.end(), own.begin(), own.end());
        std::vector<Ref<SBIcon>> kept;
        while (!carried.empty() && kept.size() < capacity) {
            kept.push_back(carried.front());
            carried.pop_front();
        }
        list->setIcons(std::move(kept));
    }
    while (!carried.empty()) {
        Ref<SBIconListModel> list = folder.addEmptyList();
        std::vector<Ref<SBIcon>> kept;
        while (!carried.empty() && kept.size() < capacity) {
            kept.push_back(carried.front());
            carried.pop_front();
        }
        list->setIcons(std::move(kept));
    }
}

} // namespace

Ref<NSDictionary> SBHomeScreenDescription::defaultDescription()
{
    Ref<NSArray> firstPage = NSArray::create({ "Messages", "Calendar", "Photos", "Camera", "Weather", "Clock", "Maps", "Videos", "Notes",
        "Reminders", "Stocks", "Game Center" });
    firstPage->addObject(folderItem("newsstand", "Newsstand", { NSArray::create({ "Daily News", "Travel Weekly" }) }));
    for (const char* name : { "iTunes Store", "App Store", "Settings" })
        firstPage->addObject(name);

    Ref<NSArray> secondPage = NSArray::create();
    secondPage->addObject(folderItem("folder", "Utilities",
        { NSArray::create({ "Calculator", "Compass", "Voice Memos", "Contacts", "Find iPhone", "Tips", "iBooks", "Health", "Passbook" }),
            NSArray::create({ "FaceTime", "Podcasts", "Watch" }) }));
    secondPage->addObject(folderItem("folder", "Games", { NSArray::create({ "Chess", "Solitaire", "Sudoku", "Tetris" }) }));
    for (const char* name : { "Translate", "Measure", "Magnifier", "Shortcuts", "Home", "Files", "Music Memos" })
        secondPage->addObject(name);

    Ref<NSArray> thirdPage = NSArray::create();
    thirdPage->addObject(folderItem("folder", "Extras", { NSArray::create({ "Flashlight", "Reading List", "Feedback" }) }));
    for (const char* name : { "Keynote", "Numbers", "Pages" })
        thirdPage->addObject(name);

    return NSDictionary::create({
        { pagesKey, NSArray::create({ firstPage, secondPage, thirdPage }) },
        { dockKey, NSArray::create({ "Phone", "Mail", "Safari", "Music" }) },
    });
}

RefPtr<SBRootFolder> SBHomeScreenDescription::rootFolderFromDescription(const NSDictionary& description, std::string* error)
{
    return DescriptionReader(error).read(description);
}

Ref<SBRootFolder> SBHomeScreenDescription::loadRootFolderFromDevice()
{
    RefPtr<SBRootFolder> root;
    if (!NSFileManager::defaultManager()->fileExistsAtPath(homeScreenPath)) {
        logLine(std::string("SpringBoard: no home screen at ") + homeScreenPath + "; the default home screen is used");
    } else if (RefPtr<NSDictionary> description = NSDictionary::dictionaryWithContentsOfFile(homeScreenPath)) {
        std::string error;
        root = rootFolderFromDescription(*description, &error);
        if (!root)
            logLine(std::string("SpringBoard: ") + homeScreenPath + ": " + error + "; the default home screen is used");
    } else {
        logLine(std::string("SpringBoard: ") + homeScreenPath + " is not a property list holding a dictionary; the default home screen is used");
    }
    if (!root)
        root = rootFolderFromDescription(defaultDescription(), nullptr);
    spreadOverfullPages(*root);
    return *root;
}

void SBHomeScreenDescription::spreadOverfullPages(SBRootFolder& rootFolder)
{
    Ref<SBIconListModel> dock = rootFolder.dockListModel();
    uint64_t dockCapacity = SBIconListView::maxIcons(objc_getClass("SBDockIconListView"));
    std::vector<Ref<SBIcon>> dockSurplus;
    if (dockCapacity && dock->count() > dockCapacity) {
        std::vector<Ref<SBIcon>> docked = dock->removeAllIcons();
        dockSurplus.assign(docked.begin() + static_cast<ptrdiff_t>(dockCapacity), docked.end());
        docked.erase(docked.begin() + static_cast<ptrdiff_t>(dockCapacity), docked.end());
        dock->setIcons(std::move(docked));
    }
    if (!dockSurplus.empty()) {
        logLine("SpringBoard: the dock holds more than " + std::to_string(dockCapacity) + " icons; the rest go to the last page");
        RefPtr<SBIconListModel> lastPage = rootFolder.listModels().empty() ? rootFolder.addEmptyList() : rootFolder.listModels().back();
        for (const Ref<SBIcon>& icon : dockSurplus)
            lastPage->addIcon(icon);
    }

    spreadPages(rootFolder, objc_getClass("SBRootIconListView"));
    for (const Ref<SBIcon>& icon : rootFolder.allIconObjects()) {
        auto* folderIcon = dynamic_cast<SBFolderIcon*>(icon.ptr());
        if (!folderIcon)
            continue;
        bool newsstand = SBIsKindOfClass(folderIcon->folderObject().ptr(), "SBNewsstandFolder");
        spreadPages(folderIcon->folderObject(), objc_getClass(newsstand ? "SBNewsstandIconListView" : "SBFolderIconListView"));
    }
}

} // namespace qv
