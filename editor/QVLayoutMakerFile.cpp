// Layout files as the editor writes them and opens them for modification.
#include "QVLayoutMaker.h"

#include "QVGridDimensions.h"

#include "model/QVDeviceType.h"
#include "model/QVLayoutKeys.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSValue.h"
#include "platform/Foundation/StringFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qv {

namespace {

// A whole number of points, truncated toward zero; values beyond the
// integers a file holds are held at their ends.
long long wholePoints(CGFloat value)
{
    if (std::isnan(value))
        return 0;
    constexpr CGFloat limit = static_cast<CGFloat>(std::numeric_limits<int32_t>::max());
    return static_cast<long long>(std::trunc(std::clamp(value, -limit, limit)));
}

} // namespace

// Writing

Ref<NSArray> QVLayoutMaker::originsOfIcons(const std::vector<Ref<QVIcon>>& icons, bool landscape) const
{
    // In folder mode positions are relative to the half's folder background
    // (20 added to y, which the extension takes off again). Cached icons of
    // a folder layout never shown are relative already.
    CGPoint offset = CGPointMake(0, 0);
    const bool onScreen = landscape == landscapeOnScreen();
    if (m_folderModeEnabled && (onScreen || !cacheFolderRelative(landscape))) {
        CGRect folder = m_folderBG->frame();
        if (!onScreen)
            folder = landscape ? m_landscapeFolderFrameCache : m_portraitFolderFrameCache;
        offset = CGPointMake(-folder.origin.x, 20 - folder.origin.y);
    }
    Ref<NSArray> origins = NSArray::create();
    for (const Ref<QVIcon>& icon : icons) {
        const CGPoint origin = icon->frame().origin;
        origins->addObject(NSDictionary::create({
            { QVIconXKey, wholePoints(origin.x + offset.x) },
            { QVIconYKey, wholePoints(origin.y + offset.y) },
            { QVIconLockedIndexKey, icon->lockedIndex() },
        }));
    }
    return origins;
}

Ref<NSDictionary> QVLayoutMaker::gridEntry(CGSize gridSize, CGRect frame) const
{
    return NSDictionary::create({
        { QVGridColumnsKey, wholePoints(gridSize.width) },
        { QVGridRowsKey, wholePoints(gridSize.height) },
        { QVGridXKey, static_cast<float>(frame.origin.x) },
        { QVGridYKey, static_cast<float>(frame.origin.y) },
        { QVGridWidthKey, static_cast<float>(frame.size.width) },
        { QVGridHeightKey, static_cast<float>(frame.size.height) },
    });
}

bool QVLayoutMaker::cacheFolderRelative(bool landscape) const
{
    return landscape ? m_iconManager->landscapeCacheFolderRelative() : m_iconManager->portraitCacheFolderRelative();
}

bool QVLayoutMaker::cachedHalfUsable(bool landscape) const
{
    const std::vector<Ref<QVIcon>>& cached = landscape ? m_iconManager->landscapeIconCache() : m_iconManager->portraitIconCache();
    if (cached.empty())
        return false;
    if (!m_folderModeEnabled || cacheFolderRelative(landscape))
        return true;
    const CGRect folder = landscape ? m_landscapeFolderFrameCache : m_portraitFolderFrameCache;
    return folder.size.width > 0 && folder.size.height > 0;
}

RefPtr<NSDictionary> QVLayoutMaker::generateLayout(bool portrait, bool landscape) const
{
    if (!m_iconManager || !m_gridView)
        return nullptr;
    const int64_t orientation = interfaceOrientation();
    if (orientation < UIInterfaceOrientationPortrait || orientation > UIInterfaceOrientationLandscapeLeft)
        return nullptr;
    const bool landscapeShown = landscapeOnScreen();
    Ref<NSDictionary> layout = NSDictionary::create({ { QVMadeByApplicationKey, true } });
    bool written = false;
    for (const bool half : { false, true }) {
        if (!(half ? landscape : portrait))
            continue;
        const std::string originsKey = currentDeviceKey(QVOriginsStem, half);
        const std::string gridKey = currentDeviceKey(QVGridSizeStem, half);
        if (half == landscapeShown) {
            layout->setObject(originsOfIcons(m_iconManager->icons(), half), originsKey);
            layout->setObject(gridEntry(m_settings->gridSize(), m_gridView->gridBG()->frame()), gridKey);
            written = true;
            continue;
        }
        if (!cachedHalfUsable(half))
            continue;
        layout->setObject(originsOfIcons(half ? m_iconManager->landscapeIconCache() : m_iconManager->portraitIconCache(), half), originsKey);
        layout->setObject(gridEntry(half ? m_iconManager->landscapeGridSizeCache() : m_iconManager->portraitGridSizeCache(),
                              half ? m_iconManager->landscapeGridFrameCache() : m_iconManager->portraitGridFrameCache()),
            gridKey);
        written = true;
    }
    if (!written)
        return nullptr;
    layout->setObject(m_folderModeEnabled, QVFolderLayoutKey);
    return layout;
}

bool QVLayoutMaker::writeLayout(const NSDictionary& layout, const std::string& name) const
{
    if (!isUsableLayoutName(name))
        return false;
    const std::optional<std::string> filtered = QVUtilities::currentUtilities()->filterLayoutName(name);
    if (!filtered || filtered->empty())
        return false;
    // The folder is made when missing (the extension makes it when it
    // starts, which may not have happened yet).
    NSFileManager::defaultManager()->createDirectoryAtPath(m_settings->userLayoutPath(), true);
    return layout.writeToFile(stringWithFormat("%@/%@.plist", m_settings->userLayoutPath(), *filtered), true);
}

// Opening a layout handed over by the saved layouts tab

void QVLayoutMaker::checkForLayoutToView()
{
    if (!m_appDelegate || !m_appDelegate->viewLayout() || !m_reader || !m_iconManager)
        return;
    Ref<NSDictionary> extracted = m_reader->generateIconsFromLayout(m_appDelegate->viewLayoutData());
    const bool folder = boolValueForKey(extracted, QVFolderLayoutKey);
    const bool folderAlreadyOn = folder && m_folderModeEnabled;
    // Each half read from a folder layout is marked as relative to the
    // folder (loadHalf): the screen's moves into the folder background when
    // folder mode is ready, or at once when it is on already; the cached
    // one when it comes on the screen in folder mode. Either is held within
    // the folder's bounds only once it is in the folder: the whole screen's
    // bounds are not the folder's, and would move icons of the folder's
    // edges.
    setFolderModeEnabled(folder);
    loadHalf(extracted, true, folder);
    loadHalf(extracted, false, folder);
    if (folderAlreadyOn)
        layOutViews();
    m_appDelegate->setViewLayout(false);
    m_appDelegate->setViewLayoutData(nullptr);
}

void QVLayoutMaker::loadHalf(NSDictionary& extracted, bool landscape, bool folderLayout)
{
    const std::string suffix = landscape ? QVLandscapeSuffix : "";
    RefPtr<NSArray> entries = extracted.objectForKey<NSArray>(landscape ? QVLandscapeIconsKey : QVPortraitIconsKey);
    if (!entries || entries->count() == 0)
        return;
    RefPtr<NSValue> frameValue = extracted.objectForKey<NSValue>(QVGridFrameKey + suffix);
    RefPtr<NSValue> sizeValue = extracted.objectForKey<NSValue>(QVGridDimensionsKey + suffix);
    CGRect gridFrame = frameValue ? frameValue->CGRectValue() : m_gridView->gridBG()->frame();
    // A frame that is no number takes the grid's current one.
    if (!std::isfinite(gridFrame.origin.x) || !std::isfinite(gridFrame.origin.y) || !std::isfinite(gridFrame.size.width) || !std::isfinite(gridFrame.size.height))
        gridFrame = m_gridView->gridBG()->frame();
    // A file's grid takes what the size panel could have made of it: 2 to
    // 100 columns and rows.
    auto steppable = [](CGFloat lines) {
        return std::isfinite(lines) ? std::clamp(lines, QVMinimumSteppedGridLines, QVMaximumGridLines) : lines;
    };
    CGSize gridSize = sizeValue ? sizeValue->CGSizeValue() : m_settings->gridSize();
    gridSize = CGSizeMake(steppable(gridSize.width), steppable(gridSize.height));

    struct Entry {
        CGRect frame;
        int32_t slot;
    };
    std::vector<Entry> icons;
    for (size_t index = 0; index < entries->count(); ++index) {
        RefPtr<NSDictionary> entry = dynamicRefCast<NSDictionary>(entries->objectAtIndex(index));
        // Entries that are not dictionaries are no icons.
        if (!entry)
            continue;
        const int32_t slot = entry->objectForKey(QVIconLockedIndexKey) ? intValueForKey(entry, QVIconLockedIndexKey) : -1;
        icons.push_back({ m_reader->iconFrameFromIconData(entry, m_defaultIconFrame), slot });
    }

    if (landscape != landscapeOnScreen()) {
        std::vector<Ref<QVIcon>> cache;
        for (const Entry& icon : icons)
            cache.push_back(m_iconManager->iconWithFrame(icon.frame, icon.slot));
        // Kept exactly as read; a folder layout's cached half stays
        // relative to the folder until it comes on the screen.
        if (landscape) {
            m_iconManager->setLandscapeIconCache(std::move(cache), folderLayout);
            m_iconManager->setLandscapeGridFrameCache(gridFrame);
            m_iconManager->setLandscapeGridSizeCache(gridSize);
        } else {
            m_iconManager->setPortraitIconCache(std::move(cache), folderLayout);
            m_iconManager->setPortraitGridFrameCache(gridFrame);
            m_iconManager->setPortraitGridSizeCache(gridSize);
        }
        return;
    }
    m_iconManager->deleteAllIcons(false);
    for (const Entry& icon : icons) {
        if (folderLayout)
            m_iconManager->addIconAtExactFrame(icon.frame, icon.slot);
        else
            m_iconManager->addIconWithFrame(icon.frame, icon.slot);
    }
    m_iconManager->setIconsFolderRelative(folderLayout);
    m_gridView->gridBG()->setFrame(gridFrame);
    m_gridView->gridManager()->setNumberOfGridLines(gridSize);
}

} // namespace qv
