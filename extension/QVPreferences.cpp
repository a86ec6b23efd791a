#include "QVPreferences.h"

#include "QVExtensionMessages.h"
#include "QVLayoutManager.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/SpringBoard/SBFolderController.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SBRootFolderController.h"

#include <memory>

namespace qv {

namespace {

constexpr const char* accessibilityPreferencesPath = "/User/Library/Preferences/com.apple.Accessibility.plist";
constexpr const char* reduceMotionKey = "ReduceMotionEnabled";

// The preferences of the device the process runs on; another device root,
// as a test program moves between them, gets its own, read from it. Never
// destroyed: the extension's objects live as long as SpringBoard.
RootBound<Ref<QVPreferences>>& sharedPreferences()
{
    static auto* preferences = new RootBound<Ref<QVPreferences>>([] { return makeRef<QVPreferences>(); });
    return *preferences;
}

void settingsChangedCallback(CFNotificationCenterRef, void* observer, const std::string&, const void*, const void*)
{
    if (auto* preferences = static_cast<QVPreferences*>(observer))
        preferences->reloadSettings();
}

} // namespace

void QVPreferences::registerClass()
{
    Class cls = objc_allocateClassPair<QVPreferences>(objc_getClass("NSObject"), "QVPreferences", std::function<Ref<QVPreferences>()>());
    if (!cls)
        return;
    class_addIvar(cls, "_enabled", &QVPreferences::m_enabled);
    class_addIvar(cls, "_placeholdersEnabled", &QVPreferences::m_placeholdersEnabled);
    class_addIvar(cls, "_hiddenIconsEnabled", &QVPreferences::m_hiddenIconsEnabled);
    class_addIvar(cls, "_folderLayoutsEnabled", &QVPreferences::m_folderLayoutsEnabled);
    class_addIvar(cls, "_reduceMotionEnabled", &QVPreferences::m_reduceMotionEnabled);
    QVPreferencesMessages::currentPreferences.addMethod(cls, [](Class) { return currentPreferences(); });
    QVPreferencesMessages::enabled.addMethod(cls, [](QVPreferences* self) { return self->enabled(); });
    QVPreferencesMessages::placeholdersEnabled.addMethod(cls, [](QVPreferences* self) { return self->placeholdersEnabled(); });
    QVPreferencesMessages::hiddenIconsEnabled.addMethod(cls, [](QVPreferences* self) { return self->hiddenIconsEnabled(); });
    QVPreferencesMessages::folderLayoutsEnabled.addMethod(cls, [](QVPreferences* self) { return self->folderLayoutsEnabled(); });
    QVPreferencesMessages::reduceMotionEnabled.addMethod(cls, [](QVPreferences* self) { return self->reduceMotionEnabled(); });
    objc_registerClassPair(cls);
}

RefPtr<QVPreferences> QVPreferences::currentPreferences()
{
    Ref<QVPreferences> preferences = sharedPreferences().get();
    // Started once it is stored, so that a disableTweak reached from inside
    // its first reload finds this object (with the switches just read)
    // instead of making another or waiting for this one.
    if (!preferences->m_started) {
        preferences->m_started = true;
        preferences->setupNotificationObserver();
        preferences->reloadSettings();
    }
    return preferences;
}

bool QVPreferences::reduceMotionEnabled()
{
    RefPtr<NSDictionary> accessibility = NSDictionary::dictionaryWithContentsOfFile(accessibilityPreferencesPath);
    RefPtr<NSObject> value = accessibility ? accessibility->objectForKey(reduceMotionKey) : nullptr;
    m_reduceMotionEnabled = value && value->boolValue();
    return m_reduceMotionEnabled;
}

QVPreferences::~QVPreferences()
{
    // Only the preferences of a device root left behind go. Asking the
    // center lets go of that root's connection, and with it of every
    // registration of this object made there.
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), this);
}

void QVPreferences::setupNotificationObserver()
{
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), this, &settingsChangedCallback, QVSettingsChangedNotification, nullptr,
        CFNotificationSuspensionBehavior(0));
}

void QVPreferences::readSwitches()
{
    // A change made in another process reaches this one only through a
    // synchronisation.
    QVSharedPreferences::synchronize();
    m_enabled = QVSharedPreferences::boolForKey(QVEnableKey);
    m_placeholdersEnabled = QVSharedPreferences::boolForKey(QVEnablePlaceholdersKey);
    m_hiddenIconsEnabled = QVSharedPreferences::boolForKey(QVEnableHiddenIconsKey);
    m_folderLayoutsEnabled = QVSharedPreferences::boolForKey(QVEnableFolderLayoutsKey);
}

void QVPreferences::reloadSettings()
{
    Ref<QVPreferences> protect(*this);
    readSwitches();
    if (RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance())
        manager->configureLayouts(true);
    layOutSpringBoardLists();
}

void QVPreferences::layOutSpringBoardLists()
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (!controller)
        return;
    RefPtr<SBRootFolder> rootFolder = controller->rootFolder();
    uint64_t pages = rootFolder ? rootFolder->listCount() : 0;
    for (uint64_t page = 0; page < pages; ++page) {
        if (RefPtr<SBIconListView> list = controller->rootIconListAtIndex(page))
            list->layoutIconsNow();
    }

    // Folder pages fuller than their capacity pass the icons past it on.
    RefPtr<SBRootFolderController> rootController = controller->_rootFolderController();
    RefPtr<NSArray> folderControllers = rootController ? rootController->folderControllers() : nullptr;
    if (!folderControllers)
        return;
    for (const Ref<NSObject>& folderControllerObject : folderControllers->objects()) {
        auto* folderController = dynamic_cast<SBFolderController*>(folderControllerObject.ptr());
        RefPtr<NSArray> lists = folderController ? folderController->iconListViews() : nullptr;
        if (!lists)
            continue;
        for (const Ref<NSObject>& listObject : lists->objects()) {
            auto* list = dynamic_cast<SBIconListView*>(listObject.ptr());
            // The first reload runs before the extension's methods are
            // added to SpringBoard's lists: there is nothing to move with yet.
            if (!list || !class_respondsToSelector(object_getClass(list), QVIconListMessages::moveAllIconsFromIndexToFirstAvailablePage.selector()))
                continue;
            uint64_t capacity = SBIconListView::maxIcons(QVClassCache::rootIconListView());
            if (QVIconListMessages::isFolderListView(list))
                capacity = SBIconListView::maxIcons(QVClassCache::folderIconListView());
            RefPtr<NSArray> icons = list->icons();
            if (icons && icons->count() > capacity)
                QVIconListMessages::moveAllIconsFromIndexToFirstAvailablePage(list, capacity);
        }
    }
}

} // namespace qv
