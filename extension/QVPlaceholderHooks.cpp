// Numbered markers on the free slots of a page's layout while an icon is
// held in edit mode; they go when the touch ends, when SpringBoard closes
// the icons up and when edit mode ends.

#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPlaceholderIcon.h"
#include "QVPreferences.h"
#include "model/LayoutReaderBase.h"
#include "model/QVLayoutKeys.h"
#include "platform/Foundation/PerformSelector.h"

namespace qv {

namespace {

constexpr const char* placeholderImagePath = "/Applications/Quilt Vane.app/Placeholder.png";
// After a compaction the markers come back this much later, in the icons'
// new order.
constexpr double reshowDelay = 0.1;

// Sets the flag for the time of one toggle.
class ToggleInProgress {
public:
    explicit ToggleInProgress(bool reset) { QVExtensionState::placeholderToggleBusy = reset; }
    ~ToggleInProgress() { QVExtensionState::placeholderToggleBusy = false; }
    ToggleInProgress(const ToggleInProgress&) = delete;
    ToggleInProgress& operator=(const ToggleInProgress&) = delete;
};

// Takes every marker off the screen; answers whether there were any.
bool removeMarkers(QVLayoutManager& manager)
{
    Ref<NSArray> markers = manager.placeholderIcons();
    if (!markers->count())
        return false;
    for (const Ref<NSObject>& object : markers->objects()) {
        if (auto* marker = dynamic_cast<UIView*>(object.ptr()))
            marker->removeFromSuperview();
    }
    manager.setPlaceholderIcons(NSArray::create());
    return true;
}

void showMarkers(SBIconListView* list, QVLayoutManager& manager, bool animated)
{
    RefPtr<NSDictionary> layout = QVLayoutForList(list);
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<NSArray> origins = manager.currentOrigins(layout.get());
    if (!manager.isValidLayout(layout.get()) || !preferences || !preferences->enabled() || !origins || !origins->count())
        return;
    RefPtr<UIImage> image = UIImage::imageWithContentsOfFile(placeholderImagePath);
    RefPtr<NSArray> icons = list->icons();
    if (!icons || !icons->count())
        return;
    bool scaled = QVIconListMessages::isFolderListView(list) && !boolValueForKey(layout, QVFolderLayoutKey);
    Ref<NSArray> markers = manager.placeholderIcons();
    if (animated)
        UIView::beginAnimations("Animate placeholder showing");
    for (uint64_t slot = 0; slot < origins->count(); ++slot) {
        // A slot holding one of SpringBoard's own placeholder icons is free.
        bool occupied = slot < icons->count() && manager.isValidIcon(icons->objectAtIndex<SBIcon>(slot).get());
        if (occupied)
            continue;
        CGPoint origin = manager.originAtIndex(slot, origins.get());
        if (scaled)
            origin = manager.originAfterScalingToFolderSize(origin);
        Ref<QVPlaceholderIcon> marker = QVPlaceholderIcon::create(origin, image, slot);
        marker->setAlpha(0.0);
        list->addSubview(marker);
        marker->setAlpha(1.0);
        markers->addObject(marker);
    }
    if (animated)
        UIView::commitAnimations();
}

// The list a hold or a touch end is about: the open folder's page, else the
// page on screen; none for a folder page while folder layouts are off.
RefPtr<SBIconListView> heldList(SBIconController& controller)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled() || !preferences->placeholdersEnabled())
        return nullptr;
    RefPtr<SBIconListView> list = controller.currentFolderIconList();
    if (!list)
        list = controller.currentRootIconList();
    if (list && QVIconListMessages::isFolderListView(list.get()) && !preferences->folderLayoutsEnabled())
        return nullptr;
    return list;
}

} // namespace

void toggleQVPlaceholderIcons(SBIconListView* self, SEL, bool show, bool animated, bool reset)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    if (!preferences || !preferences->enabled() || !manager)
        return;
    if (QVExtensionState::placeholderToggleBusy && show && reset)
        return;
    bool folderList = QVIconListMessages::isFolderListView(self);
    if ((!QVIconListMessages::isRootListView(self) && !folderList) || !preferences->placeholdersEnabled()
        || (folderList && !preferences->folderLayoutsEnabled()))
        return;
    ToggleInProgress inProgress(reset);
    if (!show) {
        if (removeMarkers(*manager) && reset) {
            Ref<SBIconListView> list(*self);
            performSelector(*self, Message { "toggleQVPlaceholderIconsAfterDelay", [list] { QVIconListMessages::toggleQVPlaceholderIconsAfterDelay(list); } },
                nullptr, reshowDelay);
        }
        return;
    }
    // Markers already on screen go first, so that holds in a row never
    // stack one set on another.
    removeMarkers(*manager);
    showMarkers(self, *manager, animated);
}

void toggleQVPlaceholderIconsAfterDelay(SBIconListView* self, SEL)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (preferences && preferences->enabled() && self->isEditing() && controller && controller->grabbedIcon())
        QVIconListMessages::toggleQVPlaceholderIcons(self, true, true, false);
}

void SBIconListView_setEditing_hook(SBIconListView* self, SEL, bool editing)
{
    QVSaved::setEditing(self, editing);
    if (!editing && QVListPassesGate(self))
        QVIconListMessages::toggleQVPlaceholderIcons(self, false, false, false);
}

void SBIconListView_compactIcons_hook(SBIconListView* self, SEL, bool animated)
{
    if (QVListPassesGate(self))
        QVIconListMessages::toggleQVPlaceholderIcons(self, false, false, true);
    QVSaved::compactIcons(self, animated);
}

void SBIconController_iconHandleLongPress_hook(SBIconController* self, SEL, SBIcon* icon)
{
    QVSaved::iconHandleLongPress(self, icon);
    if (RefPtr<SBIconListView> list = heldList(*self))
        QVIconListMessages::toggleQVPlaceholderIcons(list, true, true, false);
}

void SBIconController_icon_touchEnded_hook(SBIconController* self, SEL, SBIcon* icon, bool touchEnded)
{
    QVSaved::iconTouchEnded(self, icon, touchEnded);
    if (RefPtr<SBIconListView> list = heldList(*self))
        QVIconListMessages::toggleQVPlaceholderIcons(list, false, true, false);
}

} // namespace qv
