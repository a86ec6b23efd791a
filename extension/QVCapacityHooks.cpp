// How many icons a page holds: as many as its layout has slots, not
// SpringBoard's rows times columns.

#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPreferences.h"

#include <limits>

namespace qv {

namespace {

constexpr uint64_t integerMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

// The number of slots of a layout for the running device and orientation;
// none for an unusable layout.
std::optional<uint64_t> slotCount(QVLayoutManager& manager, const RefPtr<NSDictionary>& layout)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!manager.isValidLayout(layout.get()) || !preferences || !preferences->enabled())
        return std::nullopt;
    RefPtr<NSArray> origins = manager.currentOrigins(layout.get());
    if (!origins || !origins->count())
        return std::nullopt;
    return origins->count();
}

// The kinds of list the capacity hooks leave to SpringBoard: the dock and
// the newsstand always, folder pages while folder layouts are off. The
// classes compare by identity, as SpringBoard asks with the list's class.
bool leftToSpringBoard(Class listClass, const QVPreferences& preferences)
{
    if (listClass == QVClassCache::dockIconListView() || listClass == QVClassCache::newsstandIconListView())
        return true;
    return listClass == QVClassCache::folderIconListView() && !preferences.folderLayoutsEnabled();
}

std::optional<uint64_t> layoutCapacity(Class self)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    if (QVExtensionState::infiniboardInstalled || !preferences || !preferences->enabled() || !manager)
        return std::nullopt;
    if (leftToSpringBoard(self, *preferences))
        return std::nullopt;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<NSDictionary> layout;
    if (self == QVClassCache::folderIconListView()) {
        RefPtr<SBFolderController> open = controller ? controller->_openFolderController() : nullptr;
        if (!open) {
            uint64_t largest = manager->maxIconsInAllLayouts();
            return largest ? std::optional<uint64_t>(largest) : std::nullopt;
        }
        RefPtr<SBFolder> folder = open->folder();
        RefPtr<NSString> name = folder ? folder->displayName() : nullptr;
        layout = name ? manager->currentLayoutForFolder(name->string()) : nullptr;
    } else if (!controller || !controller->isEditing()) {
        uint64_t largest = manager->maxIconsInAllLayouts();
        return largest == integerMax ? std::nullopt : std::optional<uint64_t>(largest);
    } else {
        layout = manager->currentLayout();
    }
    return slotCount(*manager, layout);
}

// Whether the row hooks answer for the class.
bool answersRows(Class self)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return preferences && preferences->enabled() && !leftToSpringBoard(self, *preferences);
}

} // namespace

uint64_t SBIconListView_maxIcons_hook(Class self, SEL)
{
    std::optional<uint64_t> capacity = layoutCapacity(self);
    return capacity ? *capacity : QVSaved::maxIcons(self);
}

uint64_t SBIconListView_iconRowsForInterfaceOrientation_hook(Class self, SEL, int64_t orientation)
{
    if (!answersRows(self))
        return QVSaved::iconRowsForInterfaceOrientation(self, orientation);
    uint64_t capacity = SBIconListView::maxIcons(self);
    uint64_t columns = SBIconListView::iconColumnsForInterfaceOrientation(self, orientation);
    // One row more than the full rows of the capacity.
    return (columns ? capacity / columns : 0) + 1;
}

uint64_t SBIconListView_maxVisibleIconRowsInterfaceOrientation_hook(Class self, SEL, int64_t orientation)
{
    if (!answersRows(self))
        return QVSaved::maxVisibleIconRowsInterfaceOrientation(self, orientation);
    return SBIconListView::iconRowsForInterfaceOrientation(self, orientation);
}

uint64_t SBFolderIcon_maxIconsInGridImage_hook(Class self, SEL)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (preferences && preferences->enabled() && preferences->folderLayoutsEnabled())
        return SBIconListView::maxIcons(QVClassCache::folderIconListView());
    return QVSaved::_maxIconsInGridImage(self);
}

} // namespace qv
