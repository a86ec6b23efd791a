#include "NSFileManager.h"

#include "DeviceRoot.h"
#include "FileAccess.h"
#include "NSArray.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSError.h"
#include "NSString.h"
#include "PathUtilities.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

using Path = std::filesystem::path;

enum class Access { Read, Write };

NSInteger cocoaCode(int posixError, Access access)
{
    bool reading = access == Access::Read;
    switch (posixError) {
    case ENOENT:
        return reading ? NSFileReadNoSuchFileError : NSFileNoSuchFileError;
    case EACCES:
    case EPERM:
    case EROFS:
        return reading ? NSFileReadNoPermissionError : NSFileWriteNoPermissionError;
    case EEXIST:
        return NSFileWriteFileExistsError;
    default:
        return reading ? NSFileReadUnknownError : NSFileWriteUnknownError;
    }
}

// Answers false after handing the caller, when it asked, an error made of
// the message, the path and the system's error underneath.
bool fail(RefPtr<NSError>* error, Access access, int posixError, const std::string& path, const std::string& message)
{
    if (!error)
        return false;
    auto underlying = NSError::create(NSPOSIXErrorDomain, posixError, std::strerror(posixError));
    auto userInfo = NSDictionary::create({
        { NSLocalizedDescriptionKey, message },
        { NSLocalizedFailureReasonKey, std::string(std::strerror(posixError)) },
        { NSFilePathErrorKey, path },
        { NSUnderlyingErrorKey, underlying },
    });
    *error = NSError::errorWithDomain(NSCocoaErrorDomain, cocoaCode(posixError, access), userInfo);
    return false;
}

std::string quotedName(const std::string& path)
{
    return "\u201c" + lastPathComponent(path) + "\u201d";
}

// What a device path stands for: what it leads to, links followed, or the
// entry it names, which removing and moving act on (a link, not its target).
enum class Target { Followed, Entry };

// The host path for a device path; a refused path reports EACCES, as the
// device does for a place the process may not reach.
std::optional<Path> resolveOrFail(const std::string& path, RefPtr<NSError>* error, Access access, const std::string& message,
    Target target = Target::Followed)
{
    auto host = target == Target::Entry ? DeviceRoot::resolveEntry(path) : DeviceRoot::resolve(path);
    if (!host)
        fail(error, access, EACCES, path, message + " The path is outside the device root.");
    return host;
}

bool isDeviceRoot(const Path& host)
{
    auto root = DeviceRoot::hostRoot();
    return root && *root == host;
}

bool somethingExistsAt(const Path& host)
{
    struct stat status {};
    return lstat(host.c_str(), &status) == 0;
}

int errorNumber(const std::error_code& code)
{
    return code.category() == std::generic_category() || code.category() == std::system_category() ? code.value() : EIO;
}

// The host paths of a move's two entries: the one moved exists, and
// neither is the device's root. Nothing (and the error) otherwise.
std::optional<std::pair<Path, Path>> resolveMove(const std::string& path, const std::string& toPath, RefPtr<NSError>* error, const std::string& message)
{
    auto from = resolveOrFail(path, error, Access::Write, message, Target::Entry);
    auto to = from ? resolveOrFail(toPath, error, Access::Write, message, Target::Entry) : std::nullopt;
    if (!from || !to)
        return std::nullopt;
    if (isDeviceRoot(*from) || isDeviceRoot(*to)) {
        fail(error, Access::Write, EPERM, path, message);
        return std::nullopt;
    }
    if (!somethingExistsAt(*from)) {
        fail(error, Access::Write, ENOENT, path, message);
        return std::nullopt;
    }
    return std::pair(*from, *to);
}

// Puts a file of another file system in the place of what is there: its
// bytes go beside the place first, so that the place changes by a rename
// all the same. 0, or the error number (the file then stays where it was).
int replaceAcrossFileSystems(const Path& from, const Path& to)
{
    std::error_code error;
    if (!copyHostFileOver(to, from, &error))
        return error.value();
    ::unlink(from.c_str());
    return 0;
}

} // namespace

Ref<NSFileManager> NSFileManager::defaultManager()
{
    // Made once and kept for the life of the process.
    static NSFileManager* shared = makeRef<NSFileManager>().leak();
    return *shared;
}

bool NSFileManager::fileExistsAtPath(const std::string& path) const
{
    bool isDirectory = false;
    return fileExistsAtPath(path, isDirectory);
}

bool NSFileManager::fileExistsAtPath(const std::string& path, bool& isDirectory) const
{
    isDirectory = false;
    auto host = DeviceRoot::resolve(path);
    struct stat status {};
    if (!host || stat(host->c_str(), &status) != 0)
        return false;
    isDirectory = S_ISDIR(status.st_mode);
    return true;
}

bool NSFileManager::createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories, RefPtr<NSError>* error) const
{
    std::string message = "The folder " + quotedName(path) + " couldn\u2019t be created.";
    auto host = resolveOrFail(path, error, Access::Write, message);
    if (!host)
        return false;
    if (!withIntermediateDirectories) {
        if (mkdir(host->c_str(), 0755) != 0)
            return fail(error, Access::Write, errno, path, message);
        return true;
    }
    std::error_code code;
    std::filesystem::create_directories(*host, code);
    if (code)
        return fail(error, Access::Write, errorNumber(code), path, message);
    if (!std::filesystem::is_directory(*host, code))
        return fail(error, Access::Write, EEXIST, path, message);
    return true;
}

RefPtr<NSArray> NSFileManager::contentsOfDirectoryAtPath(const std::string& path, RefPtr<NSError>* error) const
{
    std::string message = "The folder " + quotedName(path) + " couldn\u2019t be opened.";
    auto host = resolveOrFail(path, error, Access::Read, message);
    if (!host)
        return nullptr;
    std::error_code code;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator entry(*host, code), end; !code && entry != end; entry.increment(code))
        names.push_back(entry->path().filename().string());
    if (code) {
        fail(error, Access::Read, errorNumber(code), path, message);
        return nullptr;
    }
    std::sort(names.begin(), names.end());
    auto contents = NSArray::create();
    for (std::string& name : names)
        contents->addObject(std::move(name));
    return contents;
}

bool NSFileManager::removeItemAtPath(const std::string& path, RefPtr<NSError>* error) const
{
    std::string message = quotedName(path) + " couldn\u2019t be removed.";
    auto host = resolveOrFail(path, error, Access::Write, message, Target::Entry);
    if (!host)
        return false;
    if (isDeviceRoot(*host))
        return fail(error, Access::Write, EPERM, path, message);
    if (!somethingExistsAt(*host))
        return fail(error, Access::Write, ENOENT, path, message);
    std::error_code code;
    std::filesystem::remove_all(*host, code);
    if (code)
        return fail(error, Access::Write, errorNumber(code), path, message);
    return true;
}

bool NSFileManager::moveItemAtPath(const std::string& path, const std::string& toPath, RefPtr<NSError>* error) const
{
    std::string message = quotedName(path) + " couldn\u2019t be moved to " + quotedName(stringByDeletingLastPathComponent(toPath)) + ".";
    auto entries = resolveMove(path, toPath, error, message);
    if (!entries)
        return false;
    const auto& [from, to] = *entries;
    // The kernel refuses to replace an existing destination, so no other
    // process can slip a file in between a check and the rename.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    int code = errno;
    if (code == EINVAL && !somethingExistsAt(to)) {
        // A file system without the no-replace rename.
        if (std::rename(from.c_str(), to.c_str()) == 0)
            return true;
        code = errno;
    }
    if (code == EXDEV) {
        if (copyItemAtPath(path, toPath, error))
            return removeItemAtPath(path, error);
        return false;
    }
    if (code == EEXIST)
        message = quotedName(path) + " couldn\u2019t be moved to " + quotedName(stringByDeletingLastPathComponent(toPath))
            + " because an item with the same name already exists.";
    return fail(error, Access::Write, code, path, message);
}

bool NSFileManager::replaceItemAtPath(const std::string& path, const std::string& withItemAtPath, RefPtr<NSError>* error) const
{
    std::string message = quotedName(withItemAtPath) + " couldn\u2019t be moved to " + quotedName(stringByDeletingLastPathComponent(path)) + ".";
    auto entries = resolveMove(withItemAtPath, path, error, message);
    if (!entries)
        return false;
    const auto& [from, to] = *entries;
    int code = std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (code == EXDEV && std::filesystem::is_regular_file(from))
        code = replaceAcrossFileSystems(from, to);
    if (code)
        return fail(error, Access::Write, code, withItemAtPath, message);
    return true;
}

bool NSFileManager::copyItemAtPath(const std::string& path, const std::string& toPath, RefPtr<NSError>* error) const
{
    std::string message = quotedName(path) + " couldn\u2019t be copied to " + quotedName(stringByDeletingLastPathComponent(toPath)) + ".";
    auto from = resolveOrFail(path, error, Access::Read, message);
    auto to = from ? resolveOrFail(toPath, error, Access::Write, message) : std::nullopt;
    if (!from || !to)
        return false;
    if (!somethingExistsAt(*from))
        return fail(error, Access::Read, ENOENT, path, message);
    if (somethingExistsAt(*to)) {
        return fail(error, Access::Write, EEXIST, toPath, quotedName(path) + " couldn\u2019t be copied to "
            + quotedName(stringByDeletingLastPathComponent(toPath)) + " because an item with the same name already exists.");
    }
    std::error_code code;
    std::filesystem::copy(*from, *to, std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, code);
    if (code)
        return fail(error, Access::Write, errorNumber(code), path, message);
    return true;
}

RefPtr<NSDictionary> NSFileManager::attributesOfItemAtPath(const std::string& path, RefPtr<NSError>* error) const
{
    std::string message = "The file " + quotedName(path) + " couldn\u2019t be opened.";
    auto host = resolveOrFail(path, error, Access::Read, message);
    if (!host)
        return nullptr;
    struct stat status {};
    if (stat(host->c_str(), &status) != 0) {
        fail(error, Access::Read, errno, path, message);
        return nullptr;
    }
    const char* type = S_ISDIR(status.st_mode) ? NSFileTypeDirectory : S_ISREG(status.st_mode) ? NSFileTypeRegular : NSFileTypeUnknown;
    double modified = static_cast<double>(status.st_mtim.tv_sec) + status.st_mtim.tv_nsec / 1e9;
    return NSDictionary::create({
        { NSFileSize, static_cast<long long>(status.st_size) },
        { NSFileType, type },
        { NSFileModificationDate, NSDate::dateWithTimeIntervalSince1970(modified) },
    });
}

} // namespace qv
