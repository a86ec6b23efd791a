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
// Synchronising takes an exclusive lock on a lock file beside it, merges
// the keys this process changed (removals included) into the file's
// current contents, writes the file atomically and adopts the merged
// contents as the view; so processes writing different keys lose none of
// them, and for one key the last to synchronise wins.
class CFPreferencesDomain : public Object {
public:
    // The view of a domain, made on first use; null for a name that cannot
    // name a file of the preferences folder.
    static RefPtr<CFPreferencesDomain> domainNamed(const std::string& name);

    RefPtr<NSObject> copyValue(const std::string& key);
    void setValue(const std::string& key, RefPtr<NSObject> value);
    bool synchronize();

private:
    QV_MAKE_REF_FRIEND;
    explicit CFPreferencesDomain(std::string name);

    std::string devicePath() const;
    void loadIfNeeded();
    // The file's dictionary; an empty one when there is no file, and none
    // when the file exists but cannot be read as a dictionary.
    std::optional<std::map<std::string, Ref<NSObject>>> readFile(bool& unreadable) const;
    bool setAsideUnreadableFile() const;
    bool writeFile(const NSDictionary& contents) const;

    const std::string m_name;
    std::mutex m_lock;
    bool m_loaded = false;
    std::map<std::string, Ref<NSObject>> m_values;
    // Keys set or removed (no value) since the last synchronisation.
    std::map<std::string, RefPtr<NSObject>> m_changes;
};

} // namespace qv
