#include "QVReader.h"

#include "model/QVLayoutKeys.h"
#include "platform/Foundation/NSValue.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

namespace {

// The grid of one orientation, when the layout holds a grid entry there; a
// value of another kind counts as no grid.
void addGridEntries(NSDictionary& result, const NSDictionary& layout, bool landscape)
{
    RefPtr<NSDictionary> grid = layout.dictionaryForKey(currentDeviceKey(QVGridSizeStem, landscape));
    if (!grid)
        return;
    const CGSize dimensions = CGSizeMake(intValueForKey(grid, QVGridColumnsKey), intValueForKey(grid, QVGridRowsKey));
    const CGRect frame = CGRectMake(floatValueForKey(grid, QVGridXKey), floatValueForKey(grid, QVGridYKey),
        floatValueForKey(grid, QVGridWidthKey), floatValueForKey(grid, QVGridHeightKey));
    const std::string suffix = landscape ? QVLandscapeSuffix : "";
    result.setObject(NSValue::valueWithCGSize(dimensions), QVGridDimensionsKey + suffix);
    result.setObject(NSValue::valueWithCGRect(frame), QVGridFrameKey + suffix);
}

} // namespace

Ref<QVReader> QVReader::create()
{
    return makeRef<QVReader>();
}

QVReader::QVReader()
    : m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
{
}

bool QVReader::canOverwriteLayout(const std::string& name) const
{
    return canOverwriteLayoutAtPath(stringWithFormat("%@/%@.plist", m_settings->userLayoutPath(), name));
}

bool QVReader::canOverwriteLayoutAtPath(const std::string& path) const
{
    return boolValueForKey(NSDictionary::dictionaryWithContentsOfFile(path), QVMadeByApplicationKey);
}

CGPoint QVReader::iconOriginFromIconData(const RefPtr<NSObject>& iconData) const
{
    // Anything but an icon entry has no coordinates and reads as (0, 0).
    auto entry = dynamicRefCast<NSDictionary>(iconData);
    return CGPointMake(intValueForKey(entry, QVIconXKey), intValueForKey(entry, QVIconYKey));
}

void QVReader::addExtractedEntries(NSDictionary& result, const RefPtr<NSDictionary>& upgradedLayout) const
{
    if (!upgradedLayout)
        return;
    addGridEntries(result, *upgradedLayout, false);
    addGridEntries(result, *upgradedLayout, true);
    if (RefPtr<NSObject> folderLayout = upgradedLayout->objectForKey(QVFolderLayoutKey))
        result.setObject(folderLayout.toRef(), QVFolderLayoutKey);
}

} // namespace qv
