#include "DefaultLayouts.h"

#include "InstallStep.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"

#include <iterator>

namespace qv {

static constexpr const char* defaultLayoutsFolder = "/Library/Application Support/Quiltvane/Layouts";
static constexpr const char* defaultLayoutFileName = "Default.plist";
static constexpr const char* defaultFolderLayoutFileName = "Default Folder.plist";

// The device class whose suffix is empty: a device of no known class reads
// the bare stems.
static constexpr int64_t unknownDeviceClass = -1;

// The layout file's device keys: "Origins" or "GridSize", the device
// class's suffix (none for a device of no known class), and "-Landscape"
// for landscape.
static std::string deviceKey(const char* stem, int64_t deviceClass, SBGridOrientation orientation)
{
    static const char* const suffixes[] = { "-3_5Inch", "-4Inch", "-4_7Inch", "-5_5Inch", "-iPad" };
    std::string key = stem;
    if (deviceClass >= 0 && deviceClass < static_cast<int64_t>(std::size(suffixes)))
        key += suffixes[deviceClass];
    if (orientation == SBGridOrientation::Landscape)
        key += "-Landscape";
    return key;
}

static std::string layoutOriginsKey(int64_t deviceClass, SBGridOrientation orientation)
{
    return deviceKey("Origins", deviceClass, orientation);
}

static std::string layoutGridKey(int64_t deviceClass, SBGridOrientation orientation)
{
    return deviceKey("GridSize", deviceClass, orientation);
}

// The extension places entry i at ("x", "y" - 20) in the icon list, so each
// entry is SpringBoard's own origin with those 20 points added back. The
// grid is kept as the editor keeps it: the grid rectangle within the area
// it was drawn on, which is where the list lies.
static void addStockList(NSDictionary& layout, int64_t deviceClass, SBGridOrientation orientation,
    const SBIconListGeometry& list)
{
    constexpr CGFloat placementOffset = 20;
    Ref<NSArray> entries = NSArray::create();
    for (uint64_t i = 0; i < list.capacity(); ++i) {
        CGPoint origin = list.originForIconAtIndex(i);
        entries->addObject(NSDictionary::create({
            { "x", static_cast<int64_t>(origin.x) },
            { "y", static_cast<int64_t>(origin.y + placementOffset) },
            { "LockedIndex", -1 },
        }));
    }
    layout.setObject(entries, layoutOriginsKey(deviceClass, orientation));
    CGRect grid = list.contentRect;
    layout.setObject(NSDictionary::create({
                         { "Dimensions-Width", list.columns },
                         { "Dimensions-Height", list.rows },
                         { "x", grid.origin.x },
                         { "y", grid.origin.y },
                         { "width", grid.size.width },
                         { "height", grid.size.height },
                     }),
        layoutGridKey(deviceClass, orientation));
}

static void addStockLists(NSDictionary& layout, int64_t deviceClass, const SBIconGridMetrics& metrics, bool folderLayout)
{
    for (SBGridOrientation orientation : { SBGridOrientation::Portrait, SBGridOrientation::Landscape }) {
        addStockList(layout, deviceClass, orientation,
            folderLayout ? metrics.folderPage(orientation) : metrics.homePage(orientation));
    }
}

static Ref<NSDictionary> stockLayout(bool folderLayout)
{
    // A folder layout is used in folders as it stands; any other layout
    // would be scaled to the folder's size.
    Ref<NSDictionary> layout = NSDictionary::create({ { "FolderLayout", folderLayout } });
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all())
        addStockLists(layout, metrics.deviceClass(), metrics, folderLayout);
    // A device of no known class gets the smallest phone's arrangement,
    // which fits on any screen of such a device; without these keys its
    // layouts would never get their missing values filled in.
    addStockLists(layout, unknownDeviceClass, *SBIconGridMetrics::forDeviceClass(0), folderLayout);
    return layout;
}

static bool writeLayoutFile(const std::string& fileName, const NSDictionary& layout)
{
    return writeDevicePropertyList(std::string(defaultLayoutsFolder) + "/" + fileName, layout);
}

bool installDefaultLayouts()
{
    bool home = writeLayoutFile(defaultLayoutFileName, stockLayout(false));
    bool folder = writeLayoutFile(defaultFolderLayoutFileName, stockLayout(true));
    return home && folder;
}

} // namespace qv
