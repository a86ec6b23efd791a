// Icons beyond a layout's last slot move, one by one, to the first later
// page of the same folder whose layout still has a free slot; SpringBoard
// makes a new page when none has room.

#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPreferences.h"

#include <unordered_set>

namespace qv {

void moveAllIconsFromIndexToFirstAvailablePage(SBIconListView* self, SEL, uint64_t index)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled() || QVExtensionState::movingOverflowIcons)
        return;
    QVExtensionState::movingOverflowIcons = true;
    // The icons as they were when the move began: each move takes one out
    // of the list, and the walk must skip none of those after it.
    RefPtr<NSArray> icons = self->icons();
    for (uint64_t position = index; icons && position < icons->count(); ++position)
        QVIconListMessages::moveIconToFirstAvailablePage(self, icons->objectAtIndex<SBIcon>(position).get());
    QVExtensionState::movingOverflowIcons = false;
}

bool moveIconToFirstAvailablePage(SBIconListView* self, SEL, SBIcon* icon)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (!preferences || !preferences->enabled() || !manager || !controller)
        return false;
    bool folderList = QVIconListMessages::isFolderListView(self);
    if (folderList && !preferences->folderLayoutsEnabled())
        return false;
    // An icon that cannot move is refused before any page is made for it.
    if (!icon || !manager->isValidIcon(icon))
        return false;

    RefPtr<SBFolder> folder = folderList ? QVFolderOfList(self) : RefPtr<SBFolder>(controller->rootFolder());
    RefPtr<NSString> folderName = folder ? folder->displayName() : nullptr;
    // A host that answers a page already looked at for a later index would
    // make the walk endless: it ends there.
    std::unordered_set<const SBIconListView*> examined { self };
    for (uint64_t page = QVIconListMessages::indexForCurrentIconList(self) + 1; page != 0; ++page) {
        RefPtr<SBIconListView> target = controller->iconListViewAtIndex(page, folder.get(), true);
        if (!target || !examined.insert(target.get()).second)
            return false;
        uint64_t used = manager->amountOfIconsInArray(target->icons().get());
        RefPtr<NSDictionary> layout = folderList ? (folderName ? manager->currentLayoutForFolder(folderName->string()) : nullptr)
                                                 : manager->currentLayoutAtIndex(page);
        if (!preferences->enabled() || !manager->isValidLayout(layout.get()))
            return false;
        RefPtr<NSArray> origins = manager->currentOrigins(layout.get());
        if (!origins || !origins->count())
            return false;
        if (used < origins->count()) {
            controller->insertIcon(icon, target.get(), target->firstFreeSlotIndex(), true);
            self->removeIcon(icon);
            return true;
        }
    }
    return false;
}

} // namespace qv
