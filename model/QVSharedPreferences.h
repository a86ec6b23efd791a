#pragma once

#include "model/QVLayoutReference.h"
#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The size and corner radius of SpringBoard's open-folder background, in
// points, as the extension publishes it under "FolderViewSize".
struct QVFolderViewSize {
    double width = 0;
    double height = 0;
    double cornerRadius = 0;

    bool operator==(const QVFolderViewSize&) const = default;
};

// Typed access to the shared preference domain "com.corvellan.Quilt-Vane".
// Another process, an older version or a hand-edited file may leave any
// kind of value under a key; every reader here takes only the kind the key
// is meant to hold, and a value of another kind reads as no value.
class QVSharedPreferences {
public:
    // One value as the readers take it. Booleans, integers and reals are all
    // numbers: a stored integer 1 and a boolean YES read alike.
    static std::optional<bool> boolValue(const NSObject* value);
    // Reals truncate toward zero and saturate.
    static std::optional<long long> integerValue(const NSObject* value);
    static std::optional<std::string> stringValue(const NSObject* value);
    // A string that is a layout reference (see QVLayoutReference::parse).
    static std::optional<QVLayoutReference> layoutReferenceValue(const NSObject* value);
    // An array, keeping its strings in order and passing over anything else.
    static std::optional<std::vector<std::string>> stringArrayValue(const NSObject* value);
    // A dictionary whose "width", "height" and "cornerRadius" are all
    // finite numbers.
    static std::optional<QVFolderViewSize> folderViewSizeValue(const NSObject* value);

    // The domain's values as this process sees them now; other processes'
    // writes arrive with a synchronisation.
    static RefPtr<NSObject> copyValue(const std::string& key);
    // NO when the key has no value or one of another kind.
    static bool boolForKey(const std::string& key);
    static std::optional<long long> integerForKey(const std::string& key);
    static std::optional<std::string> stringForKey(const std::string& key);
    static std::optional<QVLayoutReference> layoutReferenceForKey(const std::string& key);
    // "FolderList" and "FolderViewSize".
    static std::optional<std::vector<std::string>> folderList();
    static std::optional<QVFolderViewSize> folderViewSize();

    // Sets a key for this process; no value removes it. Others see it after
    // a synchronisation.
    static void setValue(const std::string& key, RefPtr<NSObject> value);
    // False when the domain's file could not be written.
    static bool synchronize();
    // Posts a Darwin notification: no object, no user information,
    // delivered at once.
    static void postNotification(const std::string& name);
    // What every writer does after writing its keys, so that the receiver
    // finds them: synchronise, then post.
    static void synchronizeAndPost(const std::string& name);
};

} // namespace qv
