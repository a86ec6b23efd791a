#include "QVInitialize.h"

#include "QVExtensionMessages.h"
#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPreferences.h"
#include "QVXSupport.h"
#include "model/QVLayoutKeys.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/SpringBoard/SBFolderBackgroundView.h"
#include "platform/core/Log.h"
#include "platform/objc/DynamicLibraries.h"

#include <dlfcn.h>

#include <memory>

namespace qv {

namespace {

constexpr const char* iconSupportPath = "/Library/MobileSubstrate/DynamicLibraries/IconSupport.dylib";
constexpr const char* infiniboardPath = "/Library/MobileSubstrate/DynamicLibraries/Infiniboard.dylib";
constexpr const char* extensionIdentifier = "com.corvellan.Quilt-Vane";

const ObjCClassMessage<RefPtr<objc_object>()> iconSupportSharedInstance { "sharedInstance" };
const ObjCMessage<objc_object, void(NSString*)> iconSupportAddExtension { "addExtension:" };

// Kept after registering; nil when IconSupport is absent.
RefPtr<objc_object>& iconSupportObject()
{
    static RefPtr<objc_object>* object = std::make_unique<RefPtr<objc_object>>().release();
    return *object;
}

void getAllFoldersCallback(CFNotificationCenterRef, void*, const std::string&, const void*, const void*)
{
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    Ref<NSArray> names = manager ? manager->allFolderNames() : NSArray::create();
    QVSharedPreferences::setValue(QVFolderListKey, names);
    QVSharedPreferences::synchronizeAndPost(QVAllFoldersNotification);
}

void getFolderViewSizeCallback(CFNotificationCenterRef, void*, const std::string&, const void*, const void*)
{
    Class background = QVClassCache::folderBackgroundView();
    CGSize size = SBFolderBackgroundViewMessages::folderBackgroundSize(background);
    double radius = SBFolderBackgroundViewMessages::cornerRadiusToInsetContent(background);
    QVSharedPreferences::setValue(QVFolderViewSizeKey,
        NSDictionary::create({ { QVFolderViewWidthKey, NSNumber::numberWithDouble(size.width) },
            { QVFolderViewHeightKey, NSNumber::numberWithDouble(size.height) },
            { QVFolderViewCornerRadiusKey, NSNumber::numberWithDouble(radius) } }));
    // Synchronised, so that the editor, another process, finds it.
    QVSharedPreferences::synchronizeAndPost(QVFolderViewSizeNotification);
}

void registerWithIconSupport()
{
    // IconSupport is optional: without its library nothing is said.
    if (NSFileManager::defaultManager()->fileExistsAtPath(iconSupportPath))
        dlopenDevicePath(iconSupportPath, RTLD_NOW);
    RefPtr<objc_object> iconSupport = iconSupportSharedInstance(QVClassCache::iconSupport());
    iconSupportObject() = iconSupport;
    iconSupportAddExtension(iconSupport, NSString::create(extensionIdentifier).ptr());
}

void observeRequests()
{
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, nullptr, &getAllFoldersCallback, QVGetAllFoldersNotification, nullptr, CFNotificationSuspensionBehavior(0));
    CFNotificationCenterAddObserver(center, nullptr, &getFolderViewSizeCallback, QVGetFolderViewSizeNotification, nullptr,
        CFNotificationSuspensionBehavior(0));
}

// Every user layout is read through the reader, which upgrades it and
// writes it back; copies of the default layouts the application did not
// make go.
void tidyUserLayouts(QVLayoutManager& manager)
{
    Ref<NSFileManager> files = NSFileManager::defaultManager();
    const std::string& folder = manager.userLayoutPath();
    bool isDirectory = false;
    if (!files->fileExistsAtPath(folder, isDirectory) || !isDirectory)
        files->createDirectoryAtPath(folder, true);
    RefPtr<NSArray> contents = files->contentsOfDirectoryAtPath(folder);
    for (const Ref<NSObject>& entry : contents ? contents->objects() : std::vector<Ref<NSObject>>()) {
        std::string name = entry->description();
        if (name.size() < 5 || name.compare(name.size() - 5, 5, "plist") != 0)
            continue;
        Ref<NSDictionary> layout = manager.layoutWithName(name, false);
        bool defaultCopy = name == QVDefaultLayoutFileName || name == QVDefaultFolderLayoutFileName;
        RefPtr<NSObject> mark = layout->objectForKey(QVMadeByApplicationKey);
        if (defaultCopy && !(mark && mark->boolValue()))
            files->removeItemAtPath(stringWithFormat("%@/%@", folder, name));
    }
}

} // namespace

bool QVClassCache::isKindOf(id object, Class cls)
{
    if (!cls)
        return false;
    for (Class current = object_getClass(object); current; current = class_getSuperclass(current)) {
        if (current == cls)
            return true;
    }
    return false;
}

void QVRegisterClasses()
{
    QVLayoutManager::registerClass();
    QVPreferences::registerClass();
    QVXSupport::registerClass();
}

void QVInitialize()
{
    QVRegisterClasses();
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!manager || !preferences) {
        NSLog("Couldn't initialize Quiltvane. Layout Manager: %@ Preferences: %@", manager, preferences);
        return;
    }
    QVInstallMethods();
    registerWithIconSupport();
    observeRequests();
    tidyUserLayouts(*manager);
    QVExtensionState::infiniboardInstalled = NSFileManager::defaultManager()->fileExistsAtPath(infiniboardPath);
    manager->configureLayouts(false);
    logLine("Quiltvane Initialized");
}

} // namespace qv
