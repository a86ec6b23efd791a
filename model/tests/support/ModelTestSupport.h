#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/DeviceProfile.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace qv::testing {

// Makes a device profile the running device's for the life of the object.
class ScopedDeviceProfile {
public:
    explicit ScopedDeviceProfile(const DeviceProfile& profile);
    // A built-in profile: "iphone-3.5", "iphone-4", "iphone-4.7",
    // "iphone-5.5" or "ipad".
    explicit ScopedDeviceProfile(const std::string& builtInName);
    ~ScopedDeviceProfile();
    ScopedDeviceProfile(const ScopedDeviceProfile&) = delete;
    ScopedDeviceProfile& operator=(const ScopedDeviceProfile&) = delete;
};

// Profiles for the classification's edge cases: a screen of this many
// points high with native bounds at scale 2, and the same without native
// bounds or without an idiom the device can report.
DeviceProfile screenProfile(CGFloat height, std::optional<int64_t> idiom);
DeviceProfile screenProfileWithoutNativeBounds(CGFloat height, std::optional<int64_t> idiom);

// The built-in profile of each device class, with its class and suffix.
struct DeviceClassCase {
    const char* profile;
    NSInteger deviceType;
    const char* suffix;
};
inline constexpr DeviceClassCase builtInDeviceClasses[] = {
    { "iphone-3.5", 0, "-3_5Inch" },
    { "iphone-4", 1, "-4Inch" },
    { "iphone-4.7", 2, "-4_7Inch" },
    { "iphone-5.5", 3, "-5_5Inch" },
    { "ipad", 4, "-iPad" },
};

// An icon entry as the editor writes it.
Ref<NSDictionary> iconEntry(int x, int y, int lockedIndex = -1);
// A list of `count` icon entries whose "x" counts up from `firstX`, so that
// lists from different places can be told apart.
Ref<NSArray> iconList(int firstX, int count);
// A grid entry as the editor writes it.
Ref<NSDictionary> gridEntry(int columns, int rows, float x, float y, float width, float height);

// A device root for layout tests, with the two layout folders made.
class LayoutRoot {
public:
    LayoutRoot();

    const TemporaryDeviceRoot& root() const { return m_root; }
    // Device paths of files in the two layout folders.
    static std::string userLayoutPath(std::string_view fileName);
    static std::string defaultLayoutPath(std::string_view fileName);

    // Writes a layout file (XML property list) at a device path.
    void writeLayout(const std::string& devicePath, const NSDictionary& layout) const;
    // A small PNG image at a device path ("Default_Icon.png" of the
    // application bundle, a wallpaper), `side` pixels square.
    void writeImage(const std::string& devicePath, size_t side = 4) const;
    // "Default.plist" and "Default Folder.plist".
    void writeDefaultLayout(const NSDictionary& layout) const;
    void writeDefaultFolderLayout(const NSDictionary& layout) const;

    // The file at a device path as Python's plistlib reads it, written as
    // JSON with sorted keys, so that booleans, integers and reals stay
    // apart ("true", "1", "1.0"). Empty, with a failure recorded, when
    // plistlib cannot read it.
    std::string plistlibJSON(const std::string& devicePath) const;

private:
    TemporaryDeviceRoot m_root;
};

} // namespace qv::testing

namespace qv::testing {

// A default layout as the install step lays it: for both key stems, the
// keys of every device class (the bare stems for a device of no known
// class) in both orientations. The icon lists' "x" start at `marker` plus
// 100 for each class, and at 50 more for landscape, so that where a value
// came from can be seen.
Ref<NSDictionary> defaultLayoutFixture(int marker);

} // namespace qv::testing
