#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/Ref.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

class PSViewController;

// Where the Settings app finds the pages of preference bundles.
inline constexpr const char* kPreferenceLoaderFolder = "/Library/PreferenceLoader/Preferences";
inline constexpr const char* kPreferenceBundlesFolder = "/Library/PreferenceBundles";

// One preference bundle the Settings app lists: its entry's label, the
// bundle's name and folder, and the class of its page (the entry's
// "detail", else the bundle's principal class).
struct PreferenceBundle {
    std::string label;
    std::string bundleName;
    std::string bundlePath;
    std::string pageClass;
};

// The bundles of the device root, in the order of their labels: one for
// each Settings entry ("entry" of a property list in the loader folder,
// with its "bundle" and "label"), then each bundle folder of the bundles
// folder that no entry names, labelled by its name. Entries that cannot be
// read or name no bundle are left out, with a log line.
std::vector<PreferenceBundle> findPreferenceBundles();

// The bundle whose label or bundle name is the given one.
std::optional<PreferenceBundle> findPreferenceBundle(const std::string& name);

// Loads the bundle's library (its information list's CFBundleExecutable),
// whose constructors define its classes, and makes its page by class name
// with initForContentSize:. Null, with the reason in `error`, when the
// information list, the library or the class is missing or unusable.
RefPtr<PSViewController> openPreferenceBundle(const PreferenceBundle& bundle, CGSize contentSize, std::string& error);

} // namespace qv
