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
// A value set here that, merged with what other processes wrote, would
// make the file larger than readers accept is dropped at the
// synchronisation (and logged), and every other change written.
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
    // False, with nothing changed, when the domain's file would then be
    // larger than readers accept.
    bool setValue(const std::string& key, RefPtr<NSObject> value);
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
    std::optional<std::string> documentWithinLimit(Values& merged, const Values& fileContents, const Changes& written) const;
    bool writeFile(const std::string& document) const;

    const std::string m_name;
    std::mutex m_lock;
    bool m_loaded = false;
    Values m_values;
    // Keys set or removed (no value) since the last synchronisation.
    Changes m_changes;
};

} // namespace qv
