// Where SpringBoard's icons go: the icon at index i of a page or folder page
// goes to entry i of the origins its layout holds for the running device and
// orientation; every other placement question is routed through that answer.

#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPreferences.h"
#include "model/QVLayoutKeys.h"
#include "model/LayoutReaderBase.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/SpringBoard/SBDockIconListView.h"
#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/SpringBoard/SBIconListModel.h"

#include <array>

namespace qv {

namespace {

bool extensionEnabled()
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return preferences && preferences->enabled();
}

bool folderLayoutsEnabled()
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return preferences && preferences->folderLayoutsEnabled();
}

// The width and height of SpringBoard's content view, and the dock's height.
CGSize contentSize()
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBIconContentView> contentView = controller ? controller->contentView() : nullptr;
    return contentView ? contentView->frame().size : CGSizeZero;
}

double dockHeight()
{
    return SBDockIconListViewMessages::defaultHeight(QVClassCache::dockIconListView());
}

uint64_t indexOfIcon(SBIconListView* list, SBIcon* icon)
{
    RefPtr<NSArray> icons = list->icons();
    return icons && icon ? icons->indexOfObject(icon) : NSNotFound;
}

CGPoint centerOfSlot(SBIconListView* list, uint64_t index)
{
    CGPoint origin = list->originForIconAtIndex(index);
    double halfWidth = list->defaultIconSize().width / 2;
    // Icons are square: half the width on both axes.
    return CGPointMake(origin.x + halfWidth, origin.y + halfWidth);
}

} // namespace

bool isFolderListView(SBIconListView* self, SEL)
{
    return extensionEnabled() && QVClassCache::isKindOf(self, QVClassCache::folderIconListView());
}

bool isRootListView(SBIconListView* self, SEL)
{
    if (!extensionEnabled())
        return false;
    return !QVClassCache::isKindOf(self, QVClassCache::dockIconListView()) && !QVClassCache::isKindOf(self, QVClassCache::newsstandIconListView())
        && !isFolderListView(self, nullptr);
}

namespace {

enum class QVHandledList { None, Root, Folder };

// The list gate with the kind of list that passed it, asked of the
// preferences already at hand: the same answers as isRootListView and
// isFolderListView, without a message and a preferences lookup for each.
QVHandledList handledList(SBIconListView* list, const QVPreferences* preferences)
{
    if (!list || !preferences || !preferences->enabled())
        return QVHandledList::None;
    if (QVClassCache::isKindOf(list, QVClassCache::folderIconListView()))
        return preferences->folderLayoutsEnabled() ? QVHandledList::Folder : QVHandledList::None;
    if (QVClassCache::isKindOf(list, QVClassCache::dockIconListView()) || QVClassCache::isKindOf(list, QVClassCache::newsstandIconListView()))
        return QVHandledList::None;
    return QVHandledList::Root;
}

RefPtr<NSDictionary> layoutForFolderList(QVLayoutManager& manager, SBIconListView* list)
{
    RefPtr<SBFolder> folder = QVFolderOfList(list);
    RefPtr<NSString> name = folder ? folder->displayName() : nullptr;
    return name ? manager.currentLayoutForFolder(name->string()) : nullptr;
}

// The page each home-screen list answered last, by list. Only a guess: it
// is used when SpringBoard still shows the list at that page.
struct RememberedPage {
    const SBIconListView* list = nullptr;
    uint64_t page = 0;
};

RememberedPage& rememberedPageSlot(const SBIconListView* list)
{
    thread_local std::array<RememberedPage, 64> remembered;
    return remembered[(reinterpret_cast<uintptr_t>(list) >> 4) % remembered.size()];
}

// The page of the folder that holds the list's first icon; for an empty
// list the page SpringBoard shows it at.
uint64_t pageOfListIcons(SBIconListView* list, SBIconController& controller)
{
    RefPtr<NSArray> icons = list->icons();
    if (!icons || !icons->count()) {
        uint64_t page = 0;
        while (controller._iconListIndexIsValid(page) && controller.rootIconListAtIndex(page).get() != list)
            ++page;
        return page;
    }
    RefPtr<SBFolder> folder = isFolderListView(list, nullptr) && folderLayoutsEnabled() ? QVFolderOfList(list) : RefPtr<SBFolder>(controller.rootFolder());
    RefPtr<NSIndexPath> path = folder ? folder->indexPathForIcon(icons->objectAtIndex<SBIcon>(0).get()) : nullptr;
    return path ? static_cast<uint64_t>(path->section()) : 0;
}

} // namespace

bool QVListPassesGate(SBIconListView* list)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return handledList(list, preferences.get()) != QVHandledList::None;
}

RefPtr<SBFolder> QVFolderOfList(SBIconListView* list)
{
    Ivar modelVariable = class_getInstanceVariable(object_getClass(list), "_model");
    if (!modelVariable)
        return nullptr;
    RefPtr<Object> model = object_getIvarAtOffset(list, ivar_getOffset(modelVariable));
    auto* listModel = dynamic_cast<SBIconListModel*>(model.get());
    return listModel ? listModel->folder() : nullptr;
}

RefPtr<NSDictionary> QVLayoutForList(SBIconListView* list)
{
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    if (!manager)
        return nullptr;
    if (isFolderListView(list, nullptr))
        return layoutForFolderList(*manager, list);
    return manager->currentLayoutAtIndex(indexForCurrentIconList(list, nullptr));
}

namespace {

uint64_t pageIndexOfList(SBIconListView* list, SBIconController& controller)
{
    // A list SpringBoard shows as home-screen page k holds the icons of page
    // k, so its answer is k: asked again while it is still there, the list
    // answers without looking its icons up in the folder (a layout pass
    // asks this for every icon of the page).
    RememberedPage& remembered = rememberedPageSlot(list);
    if (remembered.list == list && controller.rootIconListAtIndex(remembered.page).get() == list)
        return remembered.page;
    uint64_t page = pageOfListIcons(list, controller);
    remembered = RememberedPage { list, page };
    return page;
}

} // namespace

uint64_t indexForCurrentIconList(SBIconListView* self, SEL)
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    return controller ? pageIndexOfList(self, *controller) : 0;
}

CGPoint SBIconListView_originForIconAtIndex_hook(SBIconListView* self, SEL, uint64_t index)
{
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    QVHandledList handled = manager ? handledList(self, preferences.get()) : QVHandledList::None;
    if (handled == QVHandledList::None)
        return QVSaved::originForIconAtIndex(self, index);
    bool folderList = handled == QVHandledList::Folder;
    // SpringBoard's controller, asked once for the page and the orientation.
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<NSDictionary> layout = folderList ? layoutForFolderList(*manager, self)
                                             : manager->currentLayoutAtIndex(controller ? pageIndexOfList(self, *controller) : 0);
    // A usable layout holds origins for this device and orientation.
    RefPtr<NSArray> origins = manager->currentOrigins(layout.get(), controller ? controller->orientation() : 0);
    if (!preferences->enabled() || !origins || !origins->count())
        return QVSaved::originForIconAtIndex(self, index);

    if (index == NSNotFound && !folderList) {
        // An icon that is not on the page: centred above the dock, with the
        // icons around the centre out of its way at once.
        CGSize content = contentSize();
        CGSize icon = self->defaultIconSize();
        if (preferences->hiddenIconsEnabled())
            manager->hideIconViews(QVIconListMessages::allIconsConflictingWithCenterAnimation(self), 0.0);
        return CGPointMake(content.width / 2 - icon.width / 2, content.height / 2 - icon.height / 2 - dockHeight());
    }

    uint64_t count = origins->count();
    CGPoint point;
    if (index < count) {
        point = manager->originAtIndex(index, origins.get());
    } else if (QVExtensionState::infiniboardInstalled) {
        // The slots repeat downwards, once per screen above the dock.
        CGPoint first = manager->originAtIndex(index % count, origins.get());
        double screen = contentSize().height - dockHeight();
        point = CGPointMake(first.x, first.y + static_cast<double>(index / count) * screen);
    } else {
        // More icons than slots: the rest go to later pages; meanwhile this
        // one stays where SpringBoard would put it.
        QVIconListMessages::moveAllIconsFromIndexToFirstAvailablePage(self, index);
        return QVSaved::originForIconAtIndex(self, index);
    }
    if (folderList && !boolValueForKey(layout, QVFolderLayoutKey))
        return manager->originAfterScalingToFolderSize(point);
    return point;
}

CGPoint SBIconListView_originForIcon_hook(SBIconListView* self, SEL, SBIcon* icon)
{
    if (!QVListPassesGate(self))
        return QVSaved::originForIcon(self, icon);
    return self->originForIconAtIndex(indexOfIcon(self, icon));
}

CGPoint SBIconListView_originForIconAtCoordinate_hook(SBIconListView* self, SEL, SBIconCoordinate coordinate)
{
    if (!QVListPassesGate(self))
        return QVSaved::originForIconAtCoordinate(self, coordinate);
    return self->originForIconAtIndex(self->indexForCoordinate(coordinate, self->orientation()));
}

CGPoint SBIconListView_centerForIcon_hook(SBIconListView* self, SEL, SBIcon* icon)
{
    if (!QVListPassesGate(self))
        return QVSaved::centerForIcon(self, icon);
    return centerOfSlot(self, indexOfIcon(self, icon));
}

CGPoint SBIconListView_centerForIconCoordinate_hook(SBIconListView* self, SEL, SBIconCoordinate coordinate)
{
    if (!QVListPassesGate(self))
        return QVSaved::centerForIconCoordinate(self, coordinate);
    return centerOfSlot(self, self->indexForCoordinate(coordinate, self->orientation()));
}

namespace {

// The slot nearest the point, as SpringBoard's grid row and column.
std::optional<std::pair<uint64_t, uint64_t>> nearestSlotCell(SBIconListView* list, CGPoint point)
{
    if (!QVListPassesGate(list))
        return std::nullopt;
    uint64_t slot = QVIconListMessages::closestIndexToPoint(list, point);
    if (slot == NSNotFound)
        return std::nullopt;
    Class columnsClass = QVIconListMessages::isFolderListView(list) ? QVClassCache::folderIconListView() : QVClassCache::rootIconListView();
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    uint64_t columns = SBIconListView::iconColumnsForInterfaceOrientation(columnsClass, controller ? controller->orientation() : 0);
    if (!columns)
        return std::make_pair(uint64_t { 0 }, slot);
    return std::make_pair(slot / columns, slot % columns);
}

} // namespace

uint64_t SBIconListView_rowAtPoint_hook(SBIconListView* self, SEL, CGPoint point)
{
    auto cell = nearestSlotCell(self, point);
    return cell ? cell->first : QVSaved::rowAtPoint(self, point);
}

uint64_t SBIconListView_columnAtPoint_hook(SBIconListView* self, SEL, CGPoint point)
{
    auto cell = nearestSlotCell(self, point);
    return cell ? cell->second : QVSaved::columnAtPoint(self, point);
}

void SBIconListView_prepareToRotateToInterfaceOrientation_hook(SBIconListView* self, SEL, int64_t orientation)
{
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    if (QVListPassesGate(self) && manager && manager->iPad()) {
        self->setOrientation(orientation);
        return;
    }
    QVSaved::prepareToRotateToInterfaceOrientation(self, orientation);
}

} // namespace qv
