#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"

#include <cstdint>
#include <string>

namespace qv {

inline constexpr const char* defaultLayoutsFolder = "/Library/Application Support/Quiltvane/Layouts";
inline constexpr const char* defaultLayoutFileName = "Default.plist";
inline constexpr const char* defaultFolderLayoutFileName = "Default Folder.plist";

// The layout file's device keys: "Origins" or "GridSize", the device
// class's suffix, and "-Landscape" for landscape.
std::string layoutOriginsKey(int64_t deviceClass, SBGridOrientation orientation);
std::string layoutGridKey(int64_t deviceClass, SBGridOrientation orientation);

// SpringBoard's stock arrangement of a home-screen page and of a folder
// page, for every device class and orientation, as layout files hold them.
Ref<NSDictionary> defaultHomeScreenLayout();
Ref<NSDictionary> defaultFolderLayout();

bool installDefaultLayouts();

} // namespace qv
