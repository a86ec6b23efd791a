#include "NSURLCredentialStorage.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/FileAccess.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSString.h"
#include "platform/core/Log.h"

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {

namespace {

// Keys of one saved credential in the file.
constexpr const char* hostKey = "Host";
constexpr const char* portKey = "Port";
constexpr const char* protocolKey = "Protocol";
constexpr const char* realmKey = "Realm";
constexpr const char* proxyKey = "Proxy";
constexpr const char* userKey = "User";
constexpr const char* passwordKey = "Password";

constexpr auto lockTimeLimit = std::chrono::seconds(5);
// Larger files are not the store's.
constexpr size_t fileLimit = 4u << 20;

std::string text(const NSDictionary& entry, const char* key)
{
    auto value = entry.stringForKey(key);
    return value ? value->string() : std::string();
}

NSURLProtectionSpace spaceOf(const NSDictionary& entry)
{
    auto port = entry.numberForKey(portKey);
    auto proxy = entry.numberForKey(proxyKey);
    return { text(entry, hostKey), port ? port->intValue() : 0, text(entry, protocolKey), text(entry, realmKey), proxy && proxy->boolValue() };
}

Ref<NSDictionary> entryFor(const NSURLProtectionSpace& space, const NSURLCredential& credential)
{
    return NSDictionary::create({ { hostKey, space.host }, { portKey, space.port }, { protocolKey, space.protocol }, { realmKey, space.realm },
        { proxyKey, space.isProxy }, { userKey, credential.user }, { passwordKey, credential.password } });
}

// The file's host path, with its folder made (owner only) when asked.
std::optional<std::filesystem::path> storePath(bool makeFolder)
{
    auto path = DeviceRoot::resolve(NSURLCredentialStorage::keychainPath);
    if (!path)
        return std::nullopt;
    if (makeFolder) {
        std::error_code error;
        std::filesystem::create_directories(path->parent_path(), error);
        if (error) {
            logLine("NSURLCredentialStorage: cannot make " + path->parent_path().string() + ": " + error.message());
            return std::nullopt;
        }
        ::chmod(path->parent_path().c_str(), 0700);
    }
    return path;
}

// Held while the device's store is read and changed: other processes of
// the device wait for it, within a bound.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& store)
    {
        const std::string lockPath = (store.parent_path() / ("." + store.filename().string() + ".lock")).string();
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + lockTimeLimit;
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_locked = true;
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};

// The saved credentials; none for a missing file. A file that cannot be
// read as the store's is reported by `damaged`.
Ref<NSArray> readEntries(const std::filesystem::path& path, bool* damaged = nullptr)
{
    std::error_code error;
    auto bytes = readHostFile(path, fileLimit, &error);
    if (!bytes) {
        if (damaged)
            *damaged = error != std::errc::no_such_file_or_directory;
        return NSArray::create();
    }
    auto entries = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithData(*bytes));
    if (damaged)
        *damaged = !entries;
    return entries ? entries.toRef() : NSArray::create();
}

// Replaces the file with the entries, readable by its owner alone.
bool writeEntries(const std::filesystem::path& path, const NSArray& entries)
{
    auto document = NSPropertyListSerialization::XMLDataWithPropertyList(entries);
    std::error_code error;
    if (!document || !writeHostFile(path, *document, true, &error, 0600)) {
        logLine("NSURLCredentialStorage: cannot write " + path.string() + (error ? ": " + error.message() : std::string()));
        return false;
    }
    return true;
}

// Reads the store, lets `change` edit it and writes it back, under the
// device-wide lock. A damaged file is set aside, not overwritten.
bool changeStore(const std::function<void(NSArray&)>& change)
{
    auto path = storePath(true);
    if (!path)
        return false;
    FileLock lock(*path);
    if (!lock.locked()) {
        logLine("NSURLCredentialStorage: the store stayed locked; nothing was saved");
        return false;
    }
    bool damaged = false;
    auto entries = readEntries(*path, &damaged);
    if (damaged) {
        const std::string aside = path->string() + ".damaged";
        logLine("NSURLCredentialStorage: " + path->string() + " cannot be read; it is kept as " + aside);
        if (::rename(path->c_str(), aside.c_str()) != 0)
            return false;
    }
    change(*entries);
    return writeEntries(*path, *entries);
}

NSUInteger indexOf(const NSArray& entries, const NSURLProtectionSpace& space)
{
    for (NSUInteger index = 0; index < entries.count(); ++index)
        if (auto entry = entries.objectAtIndex<NSDictionary>(index); entry && spaceOf(*entry) == space)
            return index;
    return NSNotFound;
}

} // namespace

NSURLCredentialStorage& NSURLCredentialStorage::sharedCredentialStorage()
{
    // Lives as long as the process.
    static NSURLCredentialStorage& storage = *makeRef<NSURLCredentialStorage>().leak();
    return storage;
}

bool NSURLCredentialStorage::setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    return changeStore([&](NSArray& entries) {
        const NSUInteger index = indexOf(entries, space);
        if (index == NSNotFound)
            entries.addObject(entryFor(space, credential));
        else
            entries.replaceObjectAtIndex(index, entryFor(space, credential));
    });
}

std::optional<NSURLCredential> NSURLCredentialStorage::defaultCredentialForProtectionSpace(const NSURLProtectionSpace& space) const
{
    std::lock_guard lock(m_lock);
    auto path = storePath(false);
    if (!path)
        return std::nullopt;
    auto entries = readEntries(*path);
    const NSUInteger index = indexOf(*entries, space);
    if (index == NSNotFound)
        return std::nullopt;
    auto entry = entries->objectAtIndex<NSDictionary>(index);
    return NSURLCredential { text(*entry, userKey), text(*entry, passwordKey) };
}

bool NSURLCredentialStorage::removeCredential(const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    auto path = storePath(false);
    if (!path || !std::filesystem::exists(*path))
        return true;
    return changeStore([&](NSArray& entries) {
        const NSUInteger index = indexOf(entries, space);
        if (index != NSNotFound)
            entries.removeObjectAtIndex(index);
    });
}

} // namespace qv
