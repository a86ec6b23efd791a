#pragma once

#include "platform/Foundation/NSObject.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace qv {

class NSDictionary;

// This process's view of one preference domain, backed by the property-list
// file "/var/mobile/Library/Preferences/<domain>.plist" of the device.
// Synchronising takes an exclusive lock on a lock file beside it (waiters
// are served in turn, see PreferencesFileLock), merges the keys this
// process changed (removals included) into the file's current contents,
// writes the file atomically and adopts the merged contents as the view;
// so processes writing different keys lose none of them, and for one key
// the last to synchronise wins.
//
// The file is an XML property list while XML can hold every value, and a
// binary one while a value holds text that XML cannot (a control
// character), so that such a value, set here or written by another
// program, is kept and every other key still goes through.
//
// A value set here that, merged with what other processes wrote, would
// make the file larger than readers accept is dropped at the
// synchronisation (and logged), every other change written, and the
// synchronisation answers false, since not all was written.
//
// Failures lose nothing: a file is set aside (under a name no earlier
// copy has) only when its bytes, read in full, are no dictionary; when the
// file cannot be read (an I/O error, more than readers accept) or the lock
// is not had in time, the synchronisation fails and keeps the file, the
// view and the changes as they were. The lock is waited for without
// holding the view, so reads and sets go on meanwhile.
class CFPreferencesDomain : public Object {
public:
    // The view of a domain, made on first use; null for a name that cannot
    // name a file of the preferences folder.
    static RefPtr<CFPreferencesDomain> domainNamed(const std::string& name);

    RefPtr<NSObject> copyValue(const std::string& key);
    // False, with nothing changed (and the reason logged), when the
    // domain's file could not be written with the value: larger than
    // readers accept, or a key no property list can hold.
    bool setValue(const std::string& key, RefPtr<NSObject> value);
    // False when a change was not written: the file could not be locked,
    // read or written (every change is kept for the next time), or a value
    // was dropped to keep the file within the readers' limits.
    bool synchronize();

private:
    QV_MAKE_REF_FRIEND;
    explicit CFPreferencesDomain(std::string name);

    using Values = std::map<std::string, Ref<NSObject>>;
    enum class FileState { Read, Missing, NoDictionary, Unreadable };

    std::string devicePath() const;
    void loadIfNeeded();
    FileState readFile(Values& contents) const;
    bool setAsideFile() const;
    void removeTemporaryFilesOfKilledWriters() const;
    using Changes = std::map<std::string, RefPtr<NSObject>>;
    std::optional<std::string> documentWithinLimit(Values& merged, const Values& fileContents, const Changes& written,
        bool& everyChangeKept) const;
    bool writeFile(const std::string& document) const;

    const std::string m_name;
    std::mutex m_lock;
    bool m_loaded = false;
    Values m_values;
    // Keys set or removed (no value) since the last synchronisation.
    Changes m_changes;
};

} // namespace qv
