#include "QuiltvanePrefsListController.h"

#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/core/Log.h"

namespace qv {

namespace {

constexpr const char* specifierListName = "QuiltvanePrefs";

// The key's value as the extension takes it: a number, or none.
RefPtr<NSObject> switchValue(const char* key)
{
    std::optional<bool> value = QVSharedPreferences::boolValue(QVSharedPreferences::copyValue(key).get());
    if (!value)
        return nullptr;
    return NSNumber::numberWithBool(*value);
}

void reloadSpecifiersCallback(CFNotificationCenterRef, void* observer, const std::string&, const void*, const void*)
{
    // The page removes its registration when it goes, so the observer is
    // alive here.
    auto* page = static_cast<QuiltvanePrefsListController*>(observer);
    msgSend(protect(page), "reloadSpecifiers");
}

template<typename Getter>
void addGetter(Class cls, const char* selector, Getter getter)
{
    class_addMethod(cls, sel_registerName(selector), imp_implementationWithBlock([getter](QuiltvanePrefsListController* self) {
        return (self->*getter)();
    }));
}

template<typename Setter>
void addSetter(Class cls, const char* selector, Setter setter)
{
    class_addMethod(cls, sel_registerName(selector), imp_implementationWithBlock([setter](QuiltvanePrefsListController* self, NSObject* value) {
        (self->*setter)(RefPtr<NSObject>(value));
    }));
}

} // namespace

void QuiltvanePrefsListController::registerClass()
{
    Class cls = objc_allocateClassPair<QuiltvanePrefsListController>(objc_getClass("PSListController"), "QuiltvanePrefsListController");
    if (!cls) {
        logLine("QuiltvanePrefs: cannot define QuiltvanePrefsListController (no PSListController, or the name is taken)");
        return;
    }
    class_addMethod(cls, sel_registerName("initForContentSize:"), imp_implementationWithBlock([cls](QuiltvanePrefsListController* self, CGSize size) {
        RefPtr<Object> made = msgSendSuper<RefPtr<Object>>(objc_super { self, class_getSuperclass(cls) }, "initForContentSize:", size);
        if (made)
            self->startObserving();
        return made;
    }));
    addGetter(cls, "enabled", &QuiltvanePrefsListController::enabled);
    addSetter(cls, "setEnabled:", &QuiltvanePrefsListController::setEnabled);
    addGetter(cls, "folderLayoutsEnabled", &QuiltvanePrefsListController::folderLayoutsEnabled);
    addSetter(cls, "setFolderLayoutsEnabled:", &QuiltvanePrefsListController::setFolderLayoutsEnabled);
    addGetter(cls, "hiddenIconsEnabled", &QuiltvanePrefsListController::hiddenIconsEnabled);
    addSetter(cls, "setHiddenIconsEnabled:", &QuiltvanePrefsListController::setHiddenIconsEnabled);
    addGetter(cls, "placeholderIconsEnabled", &QuiltvanePrefsListController::placeholderIconsEnabled);
    addSetter(cls, "setPlaceholderIconsEnabled:", &QuiltvanePrefsListController::setPlaceholderIconsEnabled);
    class_addMethod(cls, sel_registerName("sendSettings"), imp_implementationWithBlock([](QuiltvanePrefsListController* self) {
        self->sendSettings();
    }));
    objc_registerClassPair(cls);
}

QuiltvanePrefsListController::~QuiltvanePrefsListController()
{
    if (m_observing)
        CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), this);
}

void QuiltvanePrefsListController::startObserving()
{
    if (m_observing)
        return;
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), this, reloadSpecifiersCallback,
        QVReloadSpecifiersNotification, nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    m_observing = true;
}

RefPtr<NSArray> QuiltvanePrefsListController::specifiers()
{
    if (m_specifiers)
        return m_specifiers;
    // Other processes' values (the extension switching itself off) reach
    // this process only through a synchronisation.
    QVSharedPreferences::synchronize();
    if (!QVSharedPreferences::boolForKey(QVEnableKey)) {
        Ref<PSSpecifier> master = PSSpecifier::preferenceSpecifierNamed(QVEnableKey, this, sel_registerName("setEnabled:"),
            sel_registerName("enabled"), nullptr, PSSwitchCell, nullptr);
        m_specifiers = NSArray::arrayWithObjects({ Ref<NSObject>(master) });
    } else {
        m_specifiers = loadSpecifiersFromPlistName(specifierListName, this);
    }
    return m_specifiers;
}

void QuiltvanePrefsListController::viewWillBecomeVisible(void* source)
{
    PSListController::viewWillBecomeVisible(source);
    reloadSpecifiers();
}

RefPtr<NSObject> QuiltvanePrefsListController::enabled() const
{
    return switchValue(QVEnableKey);
}

void QuiltvanePrefsListController::setEnabled(RefPtr<NSObject> value)
{
    storeSwitch(QVEnableKey, std::move(value));
    // The page changes form at once.
    reloadSpecifiers();
}

RefPtr<NSObject> QuiltvanePrefsListController::folderLayoutsEnabled() const
{
    return switchValue(QVEnableFolderLayoutsKey);
}

void QuiltvanePrefsListController::setFolderLayoutsEnabled(RefPtr<NSObject> value)
{
    storeSwitch(QVEnableFolderLayoutsKey, std::move(value));
}

RefPtr<NSObject> QuiltvanePrefsListController::hiddenIconsEnabled() const
{
    return switchValue(QVEnableHiddenIconsKey);
}

void QuiltvanePrefsListController::setHiddenIconsEnabled(RefPtr<NSObject> value)
{
    storeSwitch(QVEnableHiddenIconsKey, std::move(value));
}

RefPtr<NSObject> QuiltvanePrefsListController::placeholderIconsEnabled() const
{
    return switchValue(QVEnablePlaceholdersKey);
}

void QuiltvanePrefsListController::setPlaceholderIconsEnabled(RefPtr<NSObject> value)
{
    storeSwitch(QVEnablePlaceholdersKey, std::move(value));
}

void QuiltvanePrefsListController::storeSwitch(const char* key, RefPtr<NSObject> value)
{
    QVSharedPreferences::setValue(key, std::move(value));
    sendSettings();
}

void QuiltvanePrefsListController::sendSettings()
{
    QVSharedPreferences::synchronize();
    postNotificationWithName(QVSettingsChangedNotification);
}

void QuiltvanePrefsListController::postNotificationWithName(const std::string& name)
{
    QVSharedPreferences::postNotification(name);
}

} // namespace qv
