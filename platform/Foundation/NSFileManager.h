#pragma once

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// Keys and values of an item's attributes.
inline constexpr const char* NSFileSize = "NSFileSize";
inline constexpr const char* NSFileType = "NSFileType";
inline constexpr const char* NSFileModificationDate = "NSFileModificationDate";
inline constexpr const char* NSFileTypeDirectory = "NSFileTypeDirectory";
inline constexpr const char* NSFileTypeRegular = "NSFileTypeRegular";
inline constexpr const char* NSFileTypeUnknown = "NSFileTypeUnknown";

// Files and folders at device paths, resolved under the device root (see
// DeviceRoot): a path the root refuses exists for no one and every change
// to it fails. Failures answer false or nothing and, when the caller asks,
// an error of NSCocoaErrorDomain whose underlying error is the system's
// (NSPOSIXErrorDomain). The manager keeps no state; any thread may use it.
class NSFileManager : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The process-wide manager.
    static Ref<NSFileManager> defaultManager();

    bool fileExistsAtPath(const std::string& path) const;
    bool fileExistsAtPath(const std::string& path, bool& isDirectory) const;
    // With intermediate directories: missing parents are made too, and an
    // existing folder counts as success. Without: the parent must exist and
    // the folder must not.
    bool createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories, RefPtr<NSError>* error = nullptr) const;
    // The names in the folder (not "." and ".."), sorted.
    RefPtr<NSArray> contentsOfDirectoryAtPath(const std::string& path, RefPtr<NSError>* error = nullptr) const;
    // A file, or a folder with all it holds. The device's "/" cannot go.
    bool removeItemAtPath(const std::string& path, RefPtr<NSError>* error = nullptr) const;
    // Fails, changing nothing, when something exists at the destination.
    bool moveItemAtPath(const std::string& path, const std::string& toPath, RefPtr<NSError>* error = nullptr) const;
    // Puts the item at `withItemAtPath` in the place of the one at `path`,
    // or where there is none, in one step: whoever looks there finds the old
    // item or the new one, never neither and never a part. Across file
    // systems a file's bytes are first copied beside the place. A failure
    // changes nothing at `path` and leaves the new item where it was.
    bool replaceItemAtPath(const std::string& path, const std::string& withItemAtPath, RefPtr<NSError>* error = nullptr) const;
    // A file, or a folder with all it holds; fails when something exists
    // at the destination. Symbolic links are copied as links.
    bool copyItemAtPath(const std::string& path, const std::string& toPath, RefPtr<NSError>* error = nullptr) const;
    // NSFileSize (integer), NSFileType and NSFileModificationDate.
    RefPtr<NSDictionary> attributesOfItemAtPath(const std::string& path, RefPtr<NSError>* error = nullptr) const;

    std::string className() const override { return "NSFileManager"; }

private:
    NSFileManager() = default;
};

} // namespace qv
