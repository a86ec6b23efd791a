#include "DefaultLayouts.h"

#include "DeviceRootFiles.h"
#include "PropertyListXML.h"

namespace qv {

static std::string deviceKey(const char* stem, int64_t deviceClass, SBGridOrientation orientation)
{
    static const char* const suffixes[] = { "-3_5Inch", "-4Inch", "-4_7Inch", "-5_5Inch", "-iPad" };
    std::string key = stem;
    if (deviceClass >= 0 && deviceClass < 5)
        key += suffixes[deviceClass];
    if (orientation == SBGridOrientation::Landscape)
        key += "-Landscape";
    return key;
}

std::string layoutOriginsKey(int64_t deviceClass, SBGridOrientation orientation)
{
    return deviceKey("Origins", deviceClass, orientation);
}

std::string layoutGridKey(int64_t deviceClass, SBGridOrientation orientation)
{
    return deviceKey("GridSize", deviceClass, orientation);
}

// The extension places entry i at ("x", "y" - 20) in the icon list, so each
// entry is SpringBoard's own origin with those 20 points added back. The
// grid is kept as the editor keeps it: the grid rectangle within the area
// it was drawn on, which is where the list lies.
static void addStockList(LayoutFileContents& layout, int64_t deviceClass, SBGridOrientation orientation,
    const SBIconListGeometry& list)
{
    constexpr CGFloat placementOffset = 20;
    std::vector<LayoutIconEntry>& entries = layout.origins[layoutOriginsKey(deviceClass, orientation)];
    for (uint64_t i = 0; i < list.capacity(); ++i) {
        CGPoint origin = list.originForIconAtIndex(i);
        entries.push_back({ static_cast<int64_t>(origin.x), static_cast<int64_t>(origin.y + placementOffset), -1 });
    }
    layout.grids[layoutGridKey(deviceClass, orientation)] = {
        static_cast<int64_t>(list.columns), static_cast<int64_t>(list.rows), list.contentRect
    };
}

static LayoutFileContents stockLayout(bool folderLayout)
{
    LayoutFileContents layout;
    // A folder layout is used in folders as it stands; any other layout
    // would be scaled to the folder's size.
    layout.folderLayout = folderLayout;
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all()) {
        for (SBGridOrientation orientation : { SBGridOrientation::Portrait, SBGridOrientation::Landscape }) {
            addStockList(layout, metrics.deviceClass(), orientation,
                folderLayout ? metrics.folderPage(orientation) : metrics.homePage(orientation));
        }
    }
    return layout;
}

LayoutFileContents defaultHomeScreenLayout()
{
    return stockLayout(false);
}

LayoutFileContents defaultFolderLayout()
{
    return stockLayout(true);
}

static bool writeLayoutFile(const std::string& fileName, const LayoutFileContents& layout)
{
    std::string xml = layoutPropertyListXML(layout);
    std::string path = std::string(defaultLayoutsFolder) + "/" + fileName;
    return writeDeviceFile(path, { reinterpret_cast<const uint8_t*>(xml.data()), xml.size() });
}

bool installDefaultLayouts()
{
    bool home = writeLayoutFile(defaultLayoutFileName, defaultHomeScreenLayout());
    bool folder = writeLayoutFile(defaultFolderLayoutFileName, defaultFolderLayout());
    return home && folder;
}

} // namespace qv
