#include "CFPreferencesDomain.h"

#include "CoreFoundationTesting.h"
#include "PreferencesFileLock.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/FileAccess.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSPropertyListSerialization.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace qv {

namespace {

const std::string preferencesFolder = "/var/mobile/Library/Preferences";

bool isUsableDomainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

std::atomic<double> lockWaitSeconds { 5 };

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

Ref<NSDictionary> dictionaryOf(const std::map<std::string, Ref<NSObject>>& values)
{
    Ref<NSDictionary> dictionary = NSDictionary::create();
    for (const auto& [key, value] : values)
        dictionary->setObject(value, key);
    return dictionary;
}

// The document of a value as the domain's file is written: XML while it
// can hold every value, as the file has always been written; binary when a
// value holds text XML cannot (a control character), as a file another
// program wrote may, so that such a value is kept and does not keep every
// later setting out. Readers take either.
std::optional<std::string> readableDocument(const NSObject& value, NSPropertyListSerialization::WriteError& error)
{
    if (std::optional<std::string> document = NSPropertyListSerialization::dataWithPropertyList(value, NSPropertyListXMLFormat_v1_0, &error))
        return document;
    if (error.beyondLimits)
        return std::nullopt;
    return NSPropertyListSerialization::dataWithPropertyList(value, NSPropertyListBinaryFormat_v1_0, &error);
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

bool CFPreferencesDomain::setValue(const std::string& key, RefPtr<NSObject> value)
{
    std::lock_guard guard(m_lock);
    loadIfNeeded();
    if (value) {
        // What readers would refuse is never written: the domain with the
        // new value must still make a document they accept.
        Ref<NSDictionary> wouldBe = dictionaryOf(m_values);
        wouldBe->setObject(value.toRef(), key);
        NSPropertyListSerialization::WriteError error;
        if (!readableDocument(wouldBe, error)) {
            logLine("CFPreferences: the value for \"" + key + "\" is not set: " + devicePath() + " could not be written with it ("
                + error.reason + ")");
            return false;
        }
        m_values.insert_or_assign(key, value.toRef());
    } else {
        m_values.erase(key);
    }
    m_changes.insert_or_assign(key, std::move(value));
    return true;
}

void CFPreferencesDomain::loadIfNeeded()
{
    if (m_loaded)
        return;
    Values contents;
    switch (readFile(contents)) {
    case FileState::Unreadable:
        // Tried again at the next use; the file is left as it is.
        return;
    case FileState::NoDictionary:
        logLine("CFPreferences: " + devicePath() + " is no readable dictionary; its values are not seen");
        break;
    case FileState::Read:
    case FileState::Missing:
        break;
    }
    applyChanges(contents, m_changes);
    m_values = std::move(contents);
    m_loaded = true;
}

CFPreferencesDomain::FileState CFPreferencesDomain::readFile(Values& contents) const
{
    contents.clear();
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    if (!hostPath)
        return FileState::Unreadable;
    std::error_code error;
    std::optional<std::string> bytes = readHostFile(*hostPath, NSPropertyListSerialization::maximumSize, &error);
    if (!bytes) {
        if (error == std::errc::no_such_file_or_directory)
            return FileState::Missing;
        logLine("CFPreferences: cannot read " + devicePath() + ": "
            + (error == std::errc::file_too_large ? std::string("it is larger than readers accept") : error.message()));
        return FileState::Unreadable;
    }
    RefPtr<NSDictionary> dictionary = dynamicRefCast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(*bytes));
    if (!dictionary)
        return FileState::NoDictionary;
    for (auto& [key, value] : dictionary->entries())
        contents.emplace(key, value);
    return FileState::Read;
}

bool CFPreferencesDomain::setAsideFile() const
{
    // Kept under a name no earlier copy has, rather than written over, so
    // that nothing in it, nor in a copy set aside before, is lost.
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    if (!hostPath)
        return false;
    for (int index = 1; index < 1000; ++index) {
        std::string suffix = index == 1 ? ".unreadable" : ".unreadable." + std::to_string(index);
        std::filesystem::path aside = hostPath->string() + suffix;
        if (link(hostPath->c_str(), aside.c_str()) == 0) {
            unlink(hostPath->c_str());
            logLine("CFPreferences: " + devicePath() + " is no readable dictionary; it is kept as " + devicePath() + suffix
                + " and the domain starts afresh");
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    logLine("CFPreferences: " + devicePath() + " is no readable dictionary and cannot be set aside: " + std::strerror(errno));
    return false;
}

void CFPreferencesDomain::removeTemporaryFilesOfKilledWriters() const
{
    // Every writer of the file holds its lock, as this process does now; so
    // a temporary file of the atomic write found now was left by a writer
    // that was killed.
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    if (!hostPath)
        return;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(hostPath->parent_path(), error)) {
        if (isTemporaryFileNameOf(*hostPath, entry.path().filename().string()))
            std::filesystem::remove(entry.path(), error);
    }
}

std::optional<std::string> CFPreferencesDomain::documentWithinLimit(Values& merged, const Values& fileContents, const Changes& written,
    bool& everyChangeKept) const
{
    // Values set here may have fitted this process's view and still make
    // the file, as other processes have grown it, larger than readers
    // accept. Such a value is dropped, the largest first, and the file
    // keeps its own for the key: one value too large must not keep every
    // other change from being written. Only the limits drop values; a
    // document refused for another reason fails the synchronisation.
    std::vector<std::pair<size_t, std::string>> setValues;
    for (const auto& [key, value] : written) {
        NSPropertyListSerialization::WriteError ignored;
        if (value)
            setValues.emplace_back(readableDocument(*value, ignored).value_or(std::string()).size(), key);
    }
    std::sort(setValues.begin(), setValues.end(), std::greater<>());
    everyChangeKept = true;
    for (auto largest = setValues.begin();; ++largest) {
        NSPropertyListSerialization::WriteError error;
        std::optional<std::string> document = readableDocument(dictionaryOf(merged), error);
        if (document)
            return document;
        if (!error.beyondLimits || largest == setValues.end()) {
            logLine("CFPreferences: cannot write " + devicePath() + ": " + error.reason + "; not synchronised");
            return std::nullopt;
        }
        const std::string& key = largest->second;
        logLine("CFPreferences: the value set for \"" + key + "\" would make " + devicePath()
            + " larger than readers accept; it is dropped and the file's own value kept");
        everyChangeKept = false;
        auto inFile = fileContents.find(key);
        if (inFile != fileContents.end())
            merged.insert_or_assign(key, inFile->second);
        else
            merged.erase(key);
    }
}

bool CFPreferencesDomain::writeFile(const std::string& document) const
{
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    std::error_code error;
    if (hostPath && writeHostFile(*hostPath, document, true, &error))
        return true;
    logLine("CFPreferences: cannot write " + devicePath() + (error ? ": " + error.message() : std::string()));
    return false;
}

bool CFPreferencesDomain::synchronize()
{
    // The view's lock is not held while the file lock is waited for, read
    // and written: reads and sets of this process go on meanwhile.
    if (!NSFileManager::defaultManager()->createDirectoryAtPath(preferencesFolder, true)) {
        logLine("CFPreferences: cannot make " + preferencesFolder + "; " + m_name + " is not synchronised");
        return false;
    }
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath());
    if (!hostPath)
        return false;
    // "<domain>.plist.lock", as earlier versions name it. Where that name is
    // too long for the file system, the domain's name is shortened as in the
    // temporary files of its writes, so that two such domains whose
    // temporary files look alike share one lock too: the files one removes
    // as left by killed writers are none the other is writing.
    PreferencesFileLock fileLock(pathWithEnding(*hostPath, ".lock"), std::chrono::duration<double>(lockWaitSeconds.load()));
    if (!fileLock.isLocked()) {
        logLine("CFPreferences: cannot lock " + devicePath() + ": "
            + (fileLock.timedOut() ? std::string("it has not changed hands for too long") : std::strerror(fileLock.error()))
            + "; not synchronised");
        return false;
    }
    removeTemporaryFilesOfKilledWriters();
    Values merged;
    FileState state = readFile(merged);
    if (state == FileState::Unreadable)
        return false;
    if (state == FileState::NoDictionary && !setAsideFile())
        return false;
    Changes written;
    {
        std::lock_guard guard(m_lock);
        written = m_changes;
    }
    const Values fileContents = merged;
    applyChanges(merged, written);
    bool everyChangeKept = true;
    if (!written.empty() || state == FileState::NoDictionary) {
        std::optional<std::string> document = documentWithinLimit(merged, fileContents, written, everyChangeKept);
        if (!document || !writeFile(*document))
            return false;
    }

    std::lock_guard guard(m_lock);
    // Changes made while the file was written stay to be written next time,
    // and show over what was read; a dropped value is done with, as a
    // written one is.
    for (const auto& [key, value] : written) {
        auto found = m_changes.find(key);
        if (found != m_changes.end() && found->second.get() == value.get())
            m_changes.erase(found);
    }
    applyChanges(merged, m_changes);
    m_values = std::move(merged);
    m_loaded = true;
    return everyChangeKept;
}

ScopedPreferencesLockWait::ScopedPreferencesLockWait(double seconds)
    : m_previous(lockWaitSeconds.exchange(seconds))
{
}

ScopedPreferencesLockWait::~ScopedPreferencesLockWait()
{
    lockWaitSeconds = m_previous;
}

} // namespace qv
