#pragma once

#include "platform/Preferences/PSListController.h"

namespace qv {

// The bundle's page, the Settings entry of the SpringBoard extension. While
// the master switch "Enable" is off it shows that switch alone; while it is
// on, the rows of the bundle's specifier list "QuiltvanePrefs" (the feature
// switches and the way to the layouts). Every switch writes its key of the
// shared domain, synchronises and tells the extension at once. The page
// rebuilds its rows each time it is about to show, after the master switch
// changes, and when the extension says it switched itself off
// (RELOAD_SPECIFIERS), for as long as the page exists.
class QuiltvanePrefsListController : public PSListController {
    QV_MAKE_REF_FRIEND;

public:
    // Defines the class in the object runtime under PSListController, with
    // the messages the Settings app and the specifier list send it.
    static void registerClass();

    std::string className() const override { return "QuiltvanePrefsListController"; }

    // The one-switch form or the full form, chosen by "Enable" when the
    // rows are built; the cached rows otherwise.
    RefPtr<NSArray> specifiers() override;
    void viewWillBecomeVisible(void* source) override;

    // The switches: each getter answers the key's value as a number (no
    // value when it holds none, or something that is no number, as the
    // extension reads it); each setter stores what the switch hands over.
    RefPtr<NSObject> enabled() const;
    void setEnabled(RefPtr<NSObject> value);
    RefPtr<NSObject> folderLayoutsEnabled() const;
    void setFolderLayoutsEnabled(RefPtr<NSObject> value);
    RefPtr<NSObject> hiddenIconsEnabled() const;
    void setHiddenIconsEnabled(RefPtr<NSObject> value);
    RefPtr<NSObject> placeholderIconsEnabled() const;
    void setPlaceholderIconsEnabled(RefPtr<NSObject> value);

    // Synchronises the domain, then posts SETTINGS_CHANGED.
    void sendSettings();
    void postNotificationWithName(const std::string& name);

private:
    QuiltvanePrefsListController() = default;
    // A page that goes stops observing, so that a late notification never
    // reaches it.
    ~QuiltvanePrefsListController() override;

    // After the framework's initialiser: observes RELOAD_SPECIFIERS.
    void startObserving();
    void storeSwitch(const char* key, RefPtr<NSObject> value);

    bool m_observing = false;
};

} // namespace qv
