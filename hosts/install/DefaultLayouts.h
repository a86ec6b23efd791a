#pragma once

#include "platform/SpringBoard/SBIconGridMetrics.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qv {

inline constexpr const char* defaultLayoutsFolder = "/Library/Application Support/Quiltvane/Layouts";
inline constexpr const char* defaultLayoutFileName = "Default.plist";
inline constexpr const char* defaultFolderLayoutFileName = "Default Folder.plist";

// What a layout file holds: per device key, the icon entries and the grid
// they were drawn on.
struct LayoutIconEntry {
    int64_t x = 0;
    int64_t y = 0;
    int64_t lockedIndex = -1;
};

struct LayoutGridEntry {
    int64_t columns = 0;
    int64_t rows = 0;
    CGRect frame;
};

struct LayoutFileContents {
    bool folderLayout = false;
    std::map<std::string, std::vector<LayoutIconEntry>> origins;
    std::map<std::string, LayoutGridEntry> grids;
};

// The layout file's device keys: "Origins" or "GridSize", the device
// class's suffix, and "-Landscape" for landscape.
std::string layoutOriginsKey(int64_t deviceClass, SBGridOrientation orientation);
std::string layoutGridKey(int64_t deviceClass, SBGridOrientation orientation);

// SpringBoard's stock arrangement of a home-screen page and of a folder
// page, for every device class and orientation.
LayoutFileContents defaultHomeScreenLayout();
LayoutFileContents defaultFolderLayout();

bool installDefaultLayouts();

} // namespace qv
