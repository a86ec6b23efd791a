#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

namespace qv {

// The extension's feature switches, held in memory and read again whenever
// another deliverable announces a change (SETTINGS_CHANGED), after which the
// applied layouts are loaded again and SpringBoard's lists laid out anew.
// Every hook asks it first whether the extension is enabled. One object per
// process (currentPreferences), a class of the runtime so that SpringBoard's
// tools can look at it.
class QVPreferences : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // The one object, made on the first call. While it is being made (its
    // first reloadSettings), the object already answers with the switches
    // that reload has read, so code it reaches may ask for it again.
    static RefPtr<QVPreferences> currentPreferences();

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool placeholdersEnabled() const { return m_placeholdersEnabled; }
    void setPlaceholdersEnabled(bool enabled) { m_placeholdersEnabled = enabled; }
    bool hiddenIconsEnabled() const { return m_hiddenIconsEnabled; }
    void setHiddenIconsEnabled(bool enabled) { m_hiddenIconsEnabled = enabled; }
    bool folderLayoutsEnabled() const { return m_folderLayoutsEnabled; }
    void setFolderLayoutsEnabled(bool enabled) { m_folderLayoutsEnabled = enabled; }
    // The system's reduce-motion setting, read from the accessibility
    // preferences at every call.
    bool reduceMotionEnabled();

    void setupNotificationObserver();
    // Reads the switches (after synchronising the domain, so that other
    // processes' values are seen), loads every applied layout again and
    // lays SpringBoard's lists out anew.
    void reloadSettings();

private:
    QVPreferences() = default;
    ~QVPreferences() override;

    void readSwitches();
    void layOutSpringBoardLists();

    bool m_enabled = false;
    bool m_placeholdersEnabled = false;
    bool m_hiddenIconsEnabled = false;
    bool m_folderLayoutsEnabled = false;
    bool m_reduceMotionEnabled = false;
    // The observer is set up and the first reload done (currentPreferences).
    bool m_started = false;
};

// The switches' messages, as SpringBoard's tools and other extensions reach
// them through the runtime.
struct QVPreferencesMessages {
    static inline const ObjCClassMessage<RefPtr<QVPreferences>()> currentPreferences { "currentPreferences" };
    static inline const ObjCMessage<QVPreferences, bool()> enabled { "enabled" };
    static inline const ObjCMessage<QVPreferences, bool()> placeholdersEnabled { "placeholdersEnabled" };
    static inline const ObjCMessage<QVPreferences, bool()> hiddenIconsEnabled { "hiddenIconsEnabled" };
    static inline const ObjCMessage<QVPreferences, bool()> folderLayoutsEnabled { "folderLayoutsEnabled" };
    static inline const ObjCMessage<QVPreferences, bool()> reduceMotionEnabled { "reduceMotionEnabled" };
};

} // namespace qv
