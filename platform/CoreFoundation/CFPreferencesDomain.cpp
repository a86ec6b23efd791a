#include "CFPreferencesDomain.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSPropertyListSerialization.h"

#include "platform/core/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace qv {

namespace {

const std::string preferencesFolder = "/var/mobile/Library/Preferences";

bool isUsableDomainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

// Holds the domain's lock file locked for as long as it lives; other
// processes synchronising the same domain wait for it.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path)
        : m_fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (m_fd < 0)
            return;
        while (flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            close(m_fd); // closing lets go of the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool isLocked() const { return m_fd >= 0; }

private:
    int m_fd;
};

struct DomainRegistry {
    std::mutex lock;
    std::map<std::string, Ref<CFPreferencesDomain>> domains;
};

// The views of the current device; another device root starts with none.
std::shared_ptr<DomainRegistry> registry()
{
    // Lives as long as the process: views are asked for until its end.
    static auto* registries = new RootBound<std::shared_ptr<DomainRegistry>>([] { return std::make_shared<DomainRegistry>(); });
    return registries->get();
}

void applyChanges(std::map<std::string, Ref<NSObject>>& values, const std::map<std::string, RefPtr<NSObject>>& changes)
{
    for (const auto& [key, value] : changes) {
        if (value)
            values.insert_or_assign(key, value.toRef());
        else
            values.erase(key);
    }
}

} // namespace

CFPreferencesDomain::CFPreferencesDomain(std::string name)
    : m_name(std::move(name))
{
}

RefPtr<CFPreferencesDomain> CFPreferencesDomain::domainNamed(const std::string& name)
{
    if (!isUsableDomainName(name)) {
        logLine("CFPreferences: \"" + name + "\" cannot name a preference domain");
        return nullptr;
    }
    std::shared_ptr<DomainRegistry> known = registry();
    std::lock_guard guard(known->lock);
    auto found = known->domains.find(name);
    if (found == known->domains.end())
        found = known->domains.emplace(name, makeRef<CFPreferencesDomain>(name)).first;
    return found->second;
}

std::string CFPreferencesDomain::devicePath() const
{
    return preferencesFolder + "/" + m_name + ".plist";
}

RefPtr<NSObject> CFPreferencesDomain::copyValue(const std::string& key)
{
    std::lock_guard guard(m_lock);
    loadIfNeeded();
    auto found = m_values.find(key);
    if (found == m_values.end())
        return nullptr;
    return found->second;
}

void CFPreferencesDomain::setValue(const std::string& key, RefPtr<NSObject> value)
{
    std::lock_guard guard(m_lock);
    loadIfNeeded();
    if (value)
        m_values.insert_or_assign(key, value.toRef());
    else
        m_values.erase(key);
    m_changes.insert_or_assign(key, std::move(value));
}

void CFPreferencesDomain::loadIfNeeded()
{
    if (m_loaded)
        return;
    bool unreadable = false;
    std::optional<std::map<std::string, Ref<NSObject>>> contents = readFile(unreadable);
    if (unreadable)
        logLine("CFPreferences: " + devicePath() + " is no readable dictionary; its values are not seen");
    m_values = contents.value_or(std::map<std::string, Ref<NSObject>> {});
    applyChanges(m_values, m_changes);
    m_loaded = true;
}

std::optional<std::map<std::string, Ref<NSObject>>> CFPreferencesDomain::readFile(bool& unreadable) const
{
    unreadable = false;
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    std::error_code error;
    if (!hostPath || !std::filesystem::exists(*hostPath, error))
        return std::map<std::string, Ref<NSObject>> {};
    RefPtr<NSDictionary> dictionary = NSDictionary::dictionaryWithContentsOfFile(devicePath());
    if (!dictionary) {
        unreadable = true;
        return std::nullopt;
    }
    std::map<std::string, Ref<NSObject>> contents;
    for (auto& [key, value] : dictionary->entries())
        contents.emplace(key, value);
    return contents;
}

bool CFPreferencesDomain::setAsideUnreadableFile() const
{
    // The unreadable file is kept under another name rather than written
    // over, so that nothing in it is lost.
    std::string asidePath = devicePath() + ".unreadable";
    NSFileManager& files = NSFileManager::defaultManager();
    files.removeItemAtPath(asidePath);
    bool moved = files.moveItemAtPath(devicePath(), asidePath);
    logLine("CFPreferences: " + devicePath() + " is no readable dictionary; "
        + (moved ? "it is kept as " + asidePath + " and the domain starts afresh" : std::string("it cannot be set aside")));
    return moved;
}

bool CFPreferencesDomain::writeFile(const NSDictionary& contents) const
{
    if (contents.writeToFile(devicePath(), true))
        return true;
    logLine("CFPreferences: cannot write " + devicePath());
    return false;
}

bool CFPreferencesDomain::synchronize()
{
    std::lock_guard guard(m_lock);
    if (!NSFileManager::defaultManager()->createDirectoryAtPath(preferencesFolder, true)) {
        logLine("CFPreferences: cannot make " + preferencesFolder + "; " + m_name + " is not synchronised");
        return false;
    }
    std::optional<std::filesystem::path> lockPath = DeviceRoot::resolve(devicePath() + ".lock");
    if (!lockPath)
        return false;
    FileLock fileLock(*lockPath);
    if (!fileLock.isLocked()) {
        logLine("CFPreferences: cannot lock " + devicePath() + ": " + std::strerror(errno));
        return false;
    }
    bool unreadable = false;
    std::optional<std::map<std::string, Ref<NSObject>>> contents = readFile(unreadable);
    if (unreadable && !setAsideUnreadableFile())
        return false;
    std::map<std::string, Ref<NSObject>> merged = contents.value_or(std::map<std::string, Ref<NSObject>> {});
    applyChanges(merged, m_changes);
    if (!m_changes.empty() || unreadable) {
        Ref<NSDictionary> dictionary = NSDictionary::create();
        for (const auto& [key, value] : merged)
            dictionary->setObject(value, key);
        if (!writeFile(dictionary))
            return false;
    }
    m_values = std::move(merged);
    m_changes.clear();
    m_loaded = true;
    return true;
}

} // namespace qv
