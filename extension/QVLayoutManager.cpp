#include "QVLayoutManager.h"

#include "QVExtensionMessages.h"
#include "QVLayoutFile.h"
#include "QVPreferences.h"
#include "model/LayoutReaderBase.h"
#include "model/QVDeviceType.h"
#include "model/QVLayoutKeys.h"
#include "model/QVLayoutReader.h"
#include "model/QVLayoutReference.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSSet.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/PerformSelector.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/SpringBoard/SBFolderBackgroundView.h"
#include "platform/SpringBoard/SBFolderIcon.h"
#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SBIconView.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace qv {

namespace {

constexpr uint64_t integerMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
constexpr uint64_t unsignedMax = std::numeric_limits<uint64_t>::max();
// Entry i's y is 20 points above where the editor drew it: the status bar.
constexpr float statusBarHeight = 20.0f;
// The folder background is drawn 5 points further left than the scaled layout.
constexpr double folderInset = 5.0;
constexpr double showDuration = 0.3;

// The manager of the device the process runs on; another device root, as
// a test program moves between them, gets a manager of its own. Never
// destroyed: the extension's objects live as long as SpringBoard.
RootBound<Ref<QVLayoutManager>>& sharedManagers()
{
    static auto* managers = new RootBound<Ref<QVLayoutManager>>([] { return makeRef<QVLayoutManager>(); });
    return *managers;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    return stringWithFormat("%@/%@", folder, name);
}

float finiteCoordinate(const RefPtr<NSDictionary>& entry, const std::string& key)
{
    float value = floatValueForKey(entry, key);
    return std::isfinite(value) ? value : 0.0f;
}

// The keys the placement hooks look up for every icon, made once rather
// than at each lookup.
const std::string& iconXKey()
{
    static const std::string key = QVIconXKey;
    return key;
}

const std::string& iconYKey()
{
    static const std::string key = QVIconYKey;
    return key;
}

const std::string& layoutKeyForPage(uint64_t index)
{
    static const std::vector<std::string> pageKeys = [] {
        std::vector<std::string> keys;
        for (uint64_t page = 0; page <= QVLastPageLayoutNumber; ++page)
            keys.push_back(QVPageLayoutPreferenceKey(page));
        return keys;
    }();
    return pageKeys[std::min<uint64_t>(index, QVLastPageLayoutNumber)];
}

const std::string& currentLayoutKey()
{
    static const std::string key = QVCurrentLayoutKey;
    return key;
}

// "Origins", the device's suffix and, for landscape, "-Landscape", for
// every device class; the class itself is asked afresh at every call.
const std::string& originsKeyForDevice(QVDeviceType type, bool landscape)
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> made;
        for (QVDeviceType device : { QVDeviceTypeUnknown, QVDeviceTypeiPhone3_5Inch, QVDeviceTypeiPhone4Inch, QVDeviceTypeiPhone4_7Inch,
                 QVDeviceTypeiPhone5_5Inch, QVDeviceTypeiPad }) {
            made.push_back(std::string(QVOriginsStem) + deviceSuffix(device));
            made.push_back(std::string(QVOriginsStem) + deviceSuffix(device) + QVLandscapeSuffix);
        }
        return made;
    }();
    size_t row = type >= QVDeviceTypeiPhone3_5Inch && type <= QVDeviceTypeiPad ? static_cast<size_t>(type) + 1 : 0;
    return keys[row * 2 + (landscape ? 1 : 0)];
}

bool isKindOfClassNamed(const SBIcon* icon, const char* className)
{
    return QVClassCache::isKindOf(const_cast<SBIcon*>(icon), objc_getClass(className));
}

} // namespace

void QVLayoutManager::registerClass()
{
    Class cls = objc_allocateClassPair<QVLayoutManager>(objc_getClass("NSObject"), "QVLayoutManager", std::function<Ref<QVLayoutManager>()>());
    if (!cls)
        return;
    class_addIvar(cls, "hiddenIconViews", &QVLayoutManager::m_hiddenIconViews);
    class_addIvar(cls, "placeholderIcons", &QVLayoutManager::m_placeholderIcons);
    class_addIvar(cls, "layouts", &QVLayoutManager::m_layouts);
    class_addIvar(cls, "maxIconsInAllLayouts", &QVLayoutManager::m_maxIconsInAllLayouts);
    QVLayoutManagerMessages::sharedInstance.addMethod(cls, [](Class) { return sharedInstance(); });
    QVLayoutManagerMessages::layouts.addMethod(cls, [](QVLayoutManager* self) { return self->layouts(); });
    QVLayoutManagerMessages::maxIconsInAllLayouts.addMethod(cls, [](QVLayoutManager* self) { return self->maxIconsInAllLayouts(); });
    QVLayoutManagerMessages::currentOriginsKey.addMethod(cls, [](QVLayoutManager* self) {
        return RefPtr<NSString>(NSString::create(self->currentOriginsKey()));
    });
    objc_registerClassPair(cls);
}

RefPtr<QVLayoutManager> QVLayoutManager::sharedInstance()
{
    return sharedManagers().get();
}

QVLayoutManager::QVLayoutManager()
    : m_userLayoutPath(QVUserLayoutsFolder)
    , m_placeholderIcons(NSArray::create())
{
}

uint64_t QVLayoutManager::maxIconsInAllLayouts() const
{
    return m_layouts ? m_maxIconsInAllLayouts : integerMax;
}

// Loading one layout.

Ref<NSDictionary> QVLayoutManager::layoutAtPath(const std::string& path, bool isFolderLayout)
{
    return loadLayout(path, QVLayoutFile::read(path), isFolderLayout);
}

Ref<NSDictionary> QVLayoutManager::layoutAtPath(const std::string& path)
{
    std::optional<QVLayoutFile> file = QVLayoutFile::read(path);
    bool isFolderLayout = file && boolValueForKey(file->stored(), QVFolderLayoutKey);
    return loadLayout(path, std::move(file), isFolderLayout);
}

Ref<NSDictionary> QVLayoutManager::loadLayout(const std::string& path, std::optional<QVLayoutFile> file, bool isFolderLayout)
{
    if (file) {
        // The reader upgrades the layout for this device in memory.
        Ref<NSDictionary> layout = file->editableCopy();
        RefPtr<NSDictionary> converted = QVLayoutReader::create()->convertLayoutIfNecessary(layout, std::nullopt, isFolderLayout);
        Ref<NSDictionary> upgraded = converted ? converted.toRef() : layout;
        // Written back only when the upgrade changed it, and only over the
        // file read: a layout the user deleted or renamed since stays gone.
        if (!upgraded->isEqual(file->stored().ptr()))
            file->writeBack(upgraded);
        return upgraded;
    }
    NSLog("Error reading layout at path: %@\nMay not exist. Returning to default layout.", path);
    RefPtr<NSDictionary> fallback = isFolderLayout ? defaultFolderLayout() : defaultLayout();
    return fallback ? fallback.toRef() : NSDictionary::create();
}

Ref<NSDictionary> QVLayoutManager::layoutWithName(const std::string& name, bool isDefaultLayout)
{
    return layoutAtPath(joinPath(isDefaultLayout ? QVDefaultLayoutsFolder : m_userLayoutPath, name));
}

Ref<NSDictionary> QVLayoutManager::layoutWithName(const std::string& name, bool isFolderLayout, bool isDefaultLayout)
{
    return layoutAtPath(joinPath(isDefaultLayout ? QVDefaultLayoutsFolder : m_userLayoutPath, name), isFolderLayout);
}

RefPtr<NSDictionary> QVLayoutManager::readDefaultLayout(const char* fileName)
{
    if (RefPtr<NSDictionary> stored = NSDictionary::dictionaryWithContentsOfFile(joinPath(QVDefaultLayoutsFolder, fileName)))
        return stored->mutableCopy();
    disableTweak();
    return nullptr;
}

RefPtr<NSDictionary> QVLayoutManager::defaultLayout()
{
    return readDefaultLayout(QVDefaultLayoutFileName);
}

RefPtr<NSDictionary> QVLayoutManager::defaultFolderLayout()
{
    return readDefaultLayout(QVDefaultFolderLayoutFileName);
}

// Configuration.

void QVLayoutManager::configureLayouts(bool withFolders)
{
    Ref<QVLayoutManager> protect(*this);
    uint64_t configuration = ++m_configurations;
    // Other processes' references arrive only through a synchronisation.
    QVSharedPreferences::synchronize();
    Ref<NSDictionary> configured = NSDictionary::create();
    LoadedLayouts loaded;
    configureKey(configured, QVCurrentLayoutKey, false, loaded);
    for (uint64_t page = 0; page < QVPageLayoutKeyCount; ++page)
        configureKey(configured, QVPageLayoutPreferenceKey(page), false, loaded);
    if (withFolders)
        configureFolderLayouts(configured, loaded);
    // A configuration that started inside this one (switching the extension
    // off starts one) is newer: its layouts stay.
    if (configuration == m_configurations)
        m_layouts = configured;
    logAppliedReferences();
}

void QVLayoutManager::configureFolderLayouts()
{
    if (!m_layouts)
        m_layouts = NSDictionary::create();
    LoadedLayouts loaded;
    configureFolderLayouts(*m_layouts, loaded);
}

void QVLayoutManager::configureFolderLayouts(NSDictionary& target, LoadedLayouts& loaded)
{
    for (const Ref<NSObject>& name : allFolderNames()->objects())
        configureKey(target, QVFolderLayoutPreferenceKey(name->description()), true, loaded);
}

Ref<NSDictionary> QVLayoutManager::layoutNamedBy(const QVLayoutReference& reference, bool isFolderLayout, LoadedLayouts& loaded)
{
    std::pair<std::string, bool> file { reference.path(), isFolderLayout };
    auto found = loaded.find(file);
    if (found == loaded.end())
        found = loaded.emplace(file, layoutWithName(reference.fileName(), isFolderLayout, reference.isDefault())).first;
    // Every key gets a dictionary of its own, as if it had loaded the file.
    return found->second->mutableCopy();
}

void QVLayoutManager::configureKey(NSDictionary& target, const std::string& key, bool isFolderKey, LoadedLayouts& loaded)
{
    std::optional<QVLayoutReference> reference = QVSharedPreferences::layoutReferenceForKey(key);
    if (reference) {
        target.setObject(layoutNamedBy(*reference, isFolderKey, loaded), key);
    } else {
        // No reference (no value, a bare file name, or a name that would
        // leave the layouts folders): the default layout, and the key
        // rewritten to name it.
        if (RefPtr<NSDictionary> fallback = isFolderKey ? defaultFolderLayout() : defaultLayout())
            target.setObject(fallback.toRef(), key);
        QVLayoutReference stock = isFolderKey ? QVLayoutReference::defaultFolderLayout() : QVLayoutReference::defaultLayout();
        QVSharedPreferences::setValue(key, NSString::create(stock.string()));
        QVSharedPreferences::synchronize();
    }
    // Counted as the key now names it.
    if (std::optional<QVLayoutReference> named = QVSharedPreferences::layoutReferenceForKey(key))
        _updateMaxIconCountForLayout(layoutNamedBy(*named, isFolderKey, loaded).ptr());
}

void QVLayoutManager::logAppliedReferences()
{
    NSLog("CURRENT_LAYOUT: %@", QVSharedPreferences::copyValue(QVCurrentLayoutKey));
    for (uint64_t page = 0; page < QVPageLayoutKeyCount; ++page)
        NSLog("PAGE_LAYOUT %llu: %@", static_cast<unsigned long long>(page), QVSharedPreferences::copyValue(QVPageLayoutPreferenceKey(page)));
}

Ref<NSArray> QVLayoutManager::allFolderNames()
{
    Ref<NSArray> names = NSArray::create();
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBRootFolder> rootFolder = controller ? controller->rootFolder() : nullptr;
    RefPtr<NSSet> folderIcons = rootFolder ? rootFolder->folderIcons() : nullptr;
    if (folderIcons) {
        Class newsstand = objc_getClass("SBNewsstandIcon");
        for (const Ref<NSObject>& object : folderIcons->allObjects()->objects()) {
            auto* icon = dynamic_cast<SBIcon*>(object.ptr());
            if (!icon || QVClassCache::isKindOf(icon, newsstand))
                continue;
            RefPtr<NSString> name = icon->displayName();
            if (!name || names->containsObject(name.get()))
                continue;
            names->addObject(name.toRef());
            std::string key = QVFolderLayoutPreferenceKey(name->string());
            if (!QVSharedPreferences::copyValue(key))
                QVSharedPreferences::setValue(key, NSString::create(QVBareDefaultFolderLayoutValue));
        }
    }
    QVSharedPreferences::synchronize();
    return names;
}

void QVLayoutManager::disableTweak()
{
    // Asked while the preferences object makes itself, this finds it with
    // the switches its first reload has just read.
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled())
        return;
    QVSharedPreferences::setValue(QVEnableKey, NSNumber::numberWithBool(false));
    QVSharedPreferences::synchronize();
    logLine("Disabling Quilt Vane. Can't read default layout.");
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Quilt Vane", "Error reading default layout, try re-installing from cydia.",
        WeakPtr<UIAlertViewDelegate>(), std::optional<std::string>("Dismiss"));
    alert->show();
    QVSharedPreferences::postNotification(QVReloadSpecifiersNotification);
    preferences->reloadSettings();
}

// Lookups.

RefPtr<NSDictionary> QVLayoutManager::currentLayoutAtIndex(uint64_t index)
{
    if (!m_layouts)
        return nullptr;
    bool perPage = QVSharedPreferences::boolForKey(QVEnablePerPageLayoutsKey);
    return m_layouts->objectForKey<NSDictionary>(perPage ? layoutKeyForPage(index) : currentLayoutKey());
}

RefPtr<NSDictionary> QVLayoutManager::currentLayout()
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    return currentLayoutAtIndex(controller ? controller->currentIconListIndex() : 0);
}

RefPtr<NSDictionary> QVLayoutManager::currentLayoutForFolder(const std::string& folderName)
{
    return m_layouts ? m_layouts->objectForKey<NSDictionary>(QVFolderLayoutPreferenceKey(folderName)) : nullptr;
}

RefPtr<NSArray> QVLayoutManager::currentOrigins(const NSDictionary* layout)
{
    return layout ? layout->arrayForKey(currentOriginsKey()) : nullptr;
}

RefPtr<NSArray> QVLayoutManager::currentOrigins(const NSDictionary* layout, int64_t orientation)
{
    return layout ? layout->arrayForKey(originsKeyForOrientation(orientation)) : nullptr;
}

bool QVLayoutManager::isValidLayout(const NSDictionary* layout)
{
    RefPtr<NSArray> origins = currentOrigins(layout);
    return origins && origins->count() > 0;
}

// Origins.

CGPoint QVLayoutManager::originAtIndex(uint64_t index, const NSArray* inOrigins)
{
    RefPtr<NSDictionary> entry = inOrigins ? inOrigins->objectAtIndex<NSDictionary>(index) : nullptr;
    float x = finiteCoordinate(entry, iconXKey());
    float y = finiteCoordinate(entry, iconYKey()) - statusBarHeight;
    return CGPointMake(x, y);
}

CGPoint QVLayoutManager::originAfterScalingToFolderSize(CGPoint point)
{
    CGSize size = SBFolderBackgroundViewMessages::folderBackgroundSize(QVClassCache::folderBackgroundView());
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBIconContentView> contentView = controller ? controller->contentView() : nullptr;
    CGRect bounds = contentView ? contentView->bounds() : CGRectZero;
    double scaleX = static_cast<float>(size.width / bounds.size.width);
    double scaleY = static_cast<float>(size.height / bounds.size.height);
    // A background or a screen of no size has nothing to scale to.
    if (!(scaleX > 0) || !(scaleY > 0) || !std::isfinite(scaleX) || !std::isfinite(scaleY))
        return point;
    return CGPointMake(scaleX * point.x - folderInset, scaleY * point.y);
}

void QVLayoutManager::setOrigin(CGPoint origin, uint64_t forIconAtIndex, uint64_t atPage)
{
    if (!m_layouts)
        return;
    bool perPage = QVSharedPreferences::boolForKey(QVEnablePerPageLayoutsKey);
    std::string layoutKey = perPage ? QVPageLayoutPreferenceKey(atPage) : std::string(QVCurrentLayoutKey);
    RefPtr<NSDictionary> layout = m_layouts->objectForKey<NSDictionary>(layoutKey);
    RefPtr<NSArray> origins = currentOrigins(layout.get());
    if (!origins || forIconAtIndex >= origins->count())
        return;
    Ref<NSArray> changed = origins->mutableCopy();
    changed->replaceObjectAtIndex(forIconAtIndex, NSDictionary::create({ { QVIconXKey, NSNumber::numberWithFloat(static_cast<float>(origin.x)) },
                                                      { QVIconYKey, NSNumber::numberWithFloat(static_cast<float>(origin.y)) } }));
    layout->setObject(changed, currentOriginsKey());
    m_layouts->setObject(layout.toRef(), layoutKey);
}

// Capacity.

void QVLayoutManager::_updateMaxIconCountForLayout(const NSDictionary* layout)
{
    auto countOf = [&](const std::string& key) -> uint64_t {
        RefPtr<NSArray> origins = layout ? layout->arrayForKey(key) : nullptr;
        return origins ? origins->count() : 0;
    };
    uint64_t count = std::max(countOf(currentOriginsPortraitKey()), countOf(currentOriginsLandscapeKey()));
    if (count > m_maxIconsInAllLayouts)
        m_maxIconsInAllLayouts = count;
}

bool QVLayoutManager::isValidIcon(const SBIcon* icon)
{
    if (!m_layouts)
        return false;
    // SpringBoard's own empty-slot icons hold no place of a layout.
    return !isKindOfClassNamed(icon, "SBGridLockPlaceholderIcon") && !isKindOfClassNamed(icon, "SBPlaceholderIcon");
}

uint64_t QVLayoutManager::amountOfIconsInArray(const NSArray* icons)
{
    if (!m_layouts)
        return unsignedMax;
    uint64_t count = 0;
    if (!icons)
        return 0;
    for (const Ref<NSObject>& object : icons->objects()) {
        if (isValidIcon(dynamic_cast<SBIcon*>(object.ptr())))
            ++count;
    }
    return count;
}

// Hiding.

void QVLayoutManager::hideIconViews(const RefPtr<NSArray>& views, double withAnimationDuration)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled() || !preferences->hiddenIconsEnabled() || !views)
        return;
    // Views still faded from an earlier hide stay kept, so that the next
    // show brings them back too.
    Ref<NSArray> kept = m_hiddenIconViews ? m_hiddenIconViews->mutableCopy() : NSArray::create();
    for (const Ref<NSObject>& view : views->objects()) {
        if (!kept->containsObject(view.ptr()))
            kept->addObject(view);
    }
    m_hiddenIconViews = kept;
    UIView::beginAnimations("Hide icons");
    UIView::setAnimationDuration(withAnimationDuration);
    for (const Ref<NSObject>& object : views->objects()) {
        if (auto* view = dynamic_cast<UIView*>(object.ptr()))
            view->setAlpha(0.0);
    }
    UIView::commitAnimations();
}

void QVLayoutManager::showIconViews()
{
    // Kept views come back whatever the switches say now: a view left
    // faded would stay invisible for good.
    if (!m_hiddenIconViews)
        return;
    RefPtr<NSArray> shown = std::exchange(m_hiddenIconViews, nullptr);
    UIView::beginAnimations("Show icons");
    UIView::setAnimationDuration(showDuration);
    for (const Ref<NSObject>& object : shown->objects()) {
        if (auto* view = dynamic_cast<UIView*>(object.ptr()))
            view->setAlpha(1.0);
    }
    UIView::commitAnimations();
}

void QVLayoutManager::showIconViewsAfterDelay(double delay)
{
    performSelector(*this, Message { "showIconViews", [this] { showIconViews(); } }, nullptr, delay);
}

// The running device.

bool QVLayoutManager::iPhone3_5Inch() const
{
    return currentDeviceType() == QVDeviceTypeiPhone3_5Inch;
}

bool QVLayoutManager::iPhone4Inch() const
{
    return currentDeviceType() == QVDeviceTypeiPhone4Inch;
}

bool QVLayoutManager::iPhone4_7Inch() const
{
    return currentDeviceType() == QVDeviceTypeiPhone4_7Inch;
}

bool QVLayoutManager::iPhone5_5Inch() const
{
    return currentDeviceType() == QVDeviceTypeiPhone5_5Inch;
}

bool QVLayoutManager::iPad() const
{
    return currentDeviceType() == QVDeviceTypeiPad;
}

const std::string& QVLayoutManager::currentOriginsPortraitKey() const
{
    return originsKeyForDevice(currentDeviceType(), false);
}

const std::string& QVLayoutManager::currentOriginsLandscapeKey() const
{
    return originsKeyForDevice(currentDeviceType(), true);
}

// Orientations 1 and 2 are portrait; 3, 4 and also 0 (none) landscape.
static bool isPortrait(int64_t orientation)
{
    return static_cast<uint64_t>(orientation) - 1 <= 1;
}

static int64_t springBoardOrientation()
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    return controller ? controller->orientation() : 0;
}

const std::string& QVLayoutManager::currentOriginsKey() const
{
    return originsKeyForOrientation(springBoardOrientation());
}

const std::string& QVLayoutManager::originsKeyForOrientation(int64_t orientation) const
{
    return isPortrait(orientation) ? currentOriginsPortraitKey() : currentOriginsLandscapeKey();
}

std::string QVLayoutManager::oldLayoutOriginsPortraitKey() const
{
    return std::string(QVOriginsStem) + deviceSuffix(QVDeviceTypeiPhone3_5Inch);
}

std::string QVLayoutManager::oldLayoutOriginsLandscapeKey() const
{
    return oldLayoutOriginsPortraitKey() + QVLandscapeSuffix;
}

std::string QVLayoutManager::oldLayoutOriginsKey() const
{
    return isPortrait(springBoardOrientation()) ? oldLayoutOriginsPortraitKey() : oldLayoutOriginsLandscapeKey();
}

} // namespace qv
