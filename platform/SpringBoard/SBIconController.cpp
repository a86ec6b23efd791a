#include "SBIconController.h"

#include "SBApplication.h"
#include "SBApplicationIcon.h"
#include "SBDockIconListView.h"
#include "SBFolder.h"
#include "SBFolderController.h"
#include "SBFolderIcon.h"
#include "SBHomeScreenDescription.h"
#include "SBIconContentView.h"
#include "SBIconListModel.h"
#include "SBIconListView.h"
#include "SBIconView.h"
#include "SBRootFolder.h"
#include "SBRootFolderController.h"
#include "SpringBoardRuntime.h"

#include <algorithm>
#include <memory>

namespace qv {

// How long the icons take to settle after a drop and after a rotation.
static constexpr double iconSettleDuration = 0.3;

void SBIconController::registerClass()
{
    SBDefineClass<SBIconController>("NSObject", "SBIconController", [](Class cls) {
        SBAddClassMethod(cls, "sharedInstance", [](Class) {
            RefPtr<SBIconController>& shared = sharedSlot();
            if (!shared)
                shared = create(SBHomeScreenDescription::loadRootFolderFromDevice());
            return shared;
        });
        SBAddMethod(cls, "contentView", [](SBIconController* self) { return RefPtr<SBIconContentView>(self->m_contentView); });
        SBAddMethod(cls, "orientation", [](SBIconController* self) { return self->m_orientation; });
        SBAddMethod(cls, "isEditing", [](SBIconController* self) { return self->m_editing; });
        SBAddMethod(cls, "rootFolder", [](SBIconController* self) { return RefPtr<SBRootFolder>(self->m_rootFolder); });
        SBAddMethod(cls, "currentIconListIndex", [](SBIconController* self) { return self->m_rootFolderController->currentPageIndex(); });
        SBAddMethod(cls, "_iconListIndexIsValid:", [](SBIconController* self, uint64_t index) {
            return index < self->m_rootFolderController->listViews().size();
        });
        SBAddMethod(cls, "rootIconListAtIndex:", [](SBIconController* self, uint64_t index) {
            return self->m_rootFolderController->listViewAtIndex(index, false);
        });
        SBAddMethod(cls, "currentRootIconList", [](SBIconController* self) { return self->m_rootFolderController->currentIconListView(); });
        SBAddMethod(cls, "currentFolderIconList", [](SBIconController* self) -> RefPtr<SBIconListView> {
            RefPtr<SBFolderController> open = self->m_rootFolderController->innerFolderController();
            return open ? open->currentIconListView() : nullptr;
        });
        SBAddMethod(cls, "dockListView", [](SBIconController* self) {
            return RefPtr<SBIconListView>(self->m_rootFolderController->dockListView());
        });
        SBAddMethod(cls, "_openFolderController", [](SBIconController* self) { return self->m_rootFolderController->innerFolderController(); });
        SBAddMethod(cls, "_rootFolderController", [](SBIconController* self) { return RefPtr<SBRootFolderController>(self->m_rootFolderController); });
        SBAddMethod(cls, "grabbedIcon", [](SBIconController* self) { return self->m_grabbedIcon; });
        SBAddMethod(cls, "iconListViewAtIndex:inFolder:createIfNecessary:", [](SBIconController* self, uint64_t index, SBFolder* folder, bool create) {
            return self->stockIconListViewAtIndex(index, folder, create);
        });
        SBAddMethod(cls, "insertIcon:intoListView:iconIndex:moveNow:", [](SBIconController* self, SBIcon* icon, SBIconListView* listView, uint64_t index, bool moveNow) {
            self->stockInsertIcon(icon, listView, index, moveNow);
        });
        SBAddMethod(cls, "iconHandleLongPress:", [](SBIconController* self, SBIcon* icon) { self->stockIconHandleLongPress(icon); });
        SBAddMethod(cls, "icon:touchEnded:", [](SBIconController* self, SBIcon* icon, bool ended) { self->stockIconTouchEnded(icon, ended); });
    });
}

RefPtr<SBIconController>& SBIconController::sharedSlot()
{
    // Never destroyed: the controller lives as long as SpringBoard.
    static RefPtr<SBIconController>* slot = std::make_unique<RefPtr<SBIconController>>().release();
    return *slot;
}

void SBIconController::setSharedInstance(RefPtr<SBIconController> controller)
{
    sharedSlot() = std::move(controller);
}

Ref<SBIconController> SBIconController::create(Ref<SBRootFolder> rootFolder)
{
    return makeRef<SBIconController>(std::move(rootFolder));
}

SBIconController::SBIconController(Ref<SBRootFolder> rootFolder)
    : m_rootFolder(rootFolder)
    , m_contentView(SBIconContentView::create(CGRect { CGPointZero, SBCurrentGridMetrics().screenSize(SBGridOrientation::Portrait) }))
    , m_rootFolderController(SBRootFolderController::create(rootFolder, m_contentView.get(), UIInterfaceOrientationPortrait))
{
    // The home screen always has a page to show.
    if (m_rootFolderController->listViews().empty())
        m_rootFolderController->listViewAtIndex(0, true);
    m_rootFolderController->setCurrentPageIndex(0);
    for (const Ref<SBIcon>& icon : m_rootFolder->allIconObjects()) {
        auto* folderIcon = dynamic_cast<SBFolderIcon*>(icon.ptr());
        if (!folderIcon)
            continue;
        Ref<SBFolder> folder = folderIcon->folderObject();
        if (!folderControllerForFolder(folder.ptr()))
            m_folderControllers.push_back(SBFolderController::create(folder, m_orientation));
    }
}

// Messages.

RefPtr<SBIconController> SBIconController::sharedInstance()
{
    return msgSend<RefPtr<SBIconController>>(objc_getClass("SBIconController"), "sharedInstance");
}

RefPtr<SBIconContentView> SBIconController::contentView()
{
    return msgSend<RefPtr<SBIconContentView>>(this, "contentView");
}

int64_t SBIconController::orientation()
{
    return msgSend<int64_t>(this, "orientation");
}

bool SBIconController::isEditing()
{
    return msgSend<bool>(this, "isEditing");
}

RefPtr<SBRootFolder> SBIconController::rootFolder()
{
    return msgSend<RefPtr<SBRootFolder>>(this, "rootFolder");
}

uint64_t SBIconController::currentIconListIndex()
{
    return msgSend<uint64_t>(this, "currentIconListIndex");
}

bool SBIconController::_iconListIndexIsValid(uint64_t index)
{
    return msgSend<bool>(this, "_iconListIndexIsValid:", index);
}

RefPtr<SBIconListView> SBIconController::rootIconListAtIndex(uint64_t index)
{
    return msgSend<RefPtr<SBIconListView>>(this, "rootIconListAtIndex:", index);
}

RefPtr<SBIconListView> SBIconController::currentRootIconList()
{
    return msgSend<RefPtr<SBIconListView>>(this, "currentRootIconList");
}

RefPtr<SBIconListView> SBIconController::currentFolderIconList()
{
    return msgSend<RefPtr<SBIconListView>>(this, "currentFolderIconList");
}

RefPtr<SBIconListView> SBIconController::dockListView()
{
    return msgSend<RefPtr<SBIconListView>>(this, "dockListView");
}

RefPtr<SBFolderController> SBIconController::_openFolderController()
{
    return msgSend<RefPtr<SBFolderController>>(this, "_openFolderController");
}

RefPtr<SBRootFolderController> SBIconController::_rootFolderController()
{
    return msgSend<RefPtr<SBRootFolderController>>(this, "_rootFolderController");
}

RefPtr<SBIcon> SBIconController::grabbedIcon()
{
    return msgSend<RefPtr<SBIcon>>(this, "grabbedIcon");
}

RefPtr<SBIconListView> SBIconController::iconListViewAtIndex(uint64_t index, SBFolder* inFolder, bool createIfNecessary)
{
    return msgSend<RefPtr<SBIconListView>>(this, "iconListViewAtIndex:inFolder:createIfNecessary:", index, inFolder, createIfNecessary);
}

void SBIconController::insertIcon(SBIcon* icon, SBIconListView* intoListView, uint64_t iconIndex, bool moveNow)
{
    msgSend(this, "insertIcon:intoListView:iconIndex:moveNow:", icon, intoListView, iconIndex, moveNow);
}

void SBIconController::iconHandleLongPress(SBIcon* icon)
{
    msgSend(this, "iconHandleLongPress:", icon);
}

void SBIconController::icon(SBIcon* icon, bool touchEnded)
{
    msgSend(this, "icon:touchEnded:", icon, touchEnded);
}

// SpringBoard's own implementations.

RefPtr<SBFolderController> SBIconController::controllerShowing(const SBFolder* folder) const
{
    if (!folder)
        return nullptr;
    if (folder == m_rootFolder.ptr())
        return RefPtr<SBFolderController>(m_rootFolderController);
    return folderControllerForFolder(folder);
}

RefPtr<SBIconListView> SBIconController::stockIconListViewAtIndex(uint64_t index, SBFolder* folder, bool createIfNecessary)
{
    RefPtr<SBFolderController> controller = controllerShowing(folder);
    return controller ? controller->listViewAtIndex(index, createIfNecessary) : nullptr;
}

void SBIconController::stockInsertIcon(SBIcon* icon, SBIconListView* listView, uint64_t index, bool moveNow)
{
    if (!icon || !listView)
        return;
    Ref<SBIcon> inserted(*icon);
    listView->listModel()->removeIcon(icon);
    listView->listModel()->insertIcon(inserted, index);

    // A full list passes its last icons on, page by page.
    std::vector<Ref<SBIconListView>> changed { *listView };
    for (RefPtr<SBIconListView> list = listView; list;) {
        uint64_t capacity = list->maxIcons();
        if (!capacity || list->listModel()->count() <= capacity)
            break;
        RefPtr<SBFolderController> controller = controllerShowing(list->listModel()->folder().get());
        uint64_t page = controller ? controller->indexOfListView(list.get()) : NSNotFound;
        // The dock has no next page: it keeps what it was given.
        RefPtr<SBIconListView> next = page == NSNotFound ? nullptr : controller->listViewAtIndex(page + 1, true);
        if (!next)
            break;
        while (list->listModel()->count() > capacity) {
            if (RefPtr<SBIcon> surplus = list->listModel()->removeLastIcon())
                next->listModel()->insertIcon(*surplus, 0);
        }
        changed.push_back(*next);
        list = next;
    }
    for (const Ref<SBIconListView>& list : changed) {
        if (moveNow)
            list->layoutIconsNow();
        else
            list->setNeedsIconLayout();
    }
}

void SBIconController::stockIconHandleLongPress(SBIcon* icon)
{
    if (!icon)
        return;
    if (!m_editing)
        setIsEditing(true);
    m_grabbedIcon = icon;
}

void SBIconController::stockIconTouchEnded(SBIcon* icon, bool)
{
    if (!icon || m_grabbedIcon.get() != icon)
        return;
    m_grabbedIcon = nullptr;
    for (const Ref<SBIconListView>& list : allIconLists()) {
        if (list->iconUnderFinger().get() != icon)
            continue;
        list->setIconUnderFinger(nullptr);
        UIView::beginAnimations("SBIconDrop");
        UIView::setAnimationDuration(iconSettleDuration);
        list->layoutIconsNow();
        UIView::commitAnimations();
    }
}

// What the home screen does.

void SBIconController::finishLaunching()
{
    for (const Ref<SBIconListView>& list : allIconLists())
        list->layoutIconsNow();
}

void SBIconController::setIsEditing(bool editing)
{
    if (!editing && m_grabbedIcon)
        icon(m_grabbedIcon.get(), true);
    m_editing = editing;
    for (const Ref<SBIconListView>& list : allIconLists())
        list->setEditing(editing);
}

bool SBIconController::scrollToIconListAtIndex(uint64_t index)
{
    RefPtr<SBFolderController> open = m_rootFolderController->innerFolderController();
    return open ? open->setCurrentPageIndex(index) : m_rootFolderController->setCurrentPageIndex(index);
}

void SBIconController::dragGrabbedIconToPoint(CGPoint point)
{
    RefPtr<SBIcon> held = m_grabbedIcon;
    RefPtr<SBIconListView> list = held ? visibleListContainingIcon(held.get()) : nullptr;
    RefPtr<SBIconView> view = list ? list->iconViewForIcon(held.get()) : nullptr;
    if (!view)
        return;
    list->setIconUnderFinger(held);
    CGPoint inList = m_contentView->convertPointToView(point, list.get());
    view->setCenter(inList);

    uint64_t row = list->rowAtPoint(inList);
    uint64_t column = list->columnAtPoint(inList);
    SBIconCoordinate coordinate { static_cast<int64_t>(row) + 1, static_cast<int64_t>(column) + 1 };
    uint64_t target = list->indexForCoordinate(coordinate, list->orientation());
    Ref<SBIconListModel> model = *list->listModel();
    if (target == NSNotFound || !model->count())
        return;
    target = std::min<uint64_t>(target, model->count() - 1);
    if (target == model->indexOfIcon(held.get()))
        return;
    // The icon takes its new slot and the others close up around it.
    model->removeIcon(held.get());
    model->insertIcon(*held, target);
    list->compactIcons(true);
}

bool SBIconController::launchIcon(SBIcon& icon)
{
    if (auto* applicationIcon = dynamic_cast<SBApplicationIcon*>(&icon)) {
        RefPtr<SBApplication> application = applicationIcon->application();
        if (!application)
            return false;
        SBIconLocation location = SBIconLocationHomeScreen;
        RefPtr<SBIconListView> list = visibleListContainingIcon(&icon);
        if (list && list->kind() == SBIconListKind::Dock)
            location = SBIconLocationDock;
        else if (list && list->kind() != SBIconListKind::Root)
            location = SBIconLocationFolder;
        return application->icon(&icon, location);
    }
    if (auto* folderIcon = dynamic_cast<SBFolderIcon*>(&icon)) {
        RefPtr<SBFolder> folder = folderIcon->folder();
        if (!folder)
            return false;
        openFolder(*folder, true);
        return true;
    }
    return false;
}

void SBIconController::openFolder(SBFolder& folder, bool animated)
{
    m_rootFolderController->pushFolder(&folder, animated, nullptr);
}

void SBIconController::closeFolder()
{
    RefPtr<SBFolderController> open = m_rootFolderController->innerFolderController();
    if (!open)
        return;
    if (m_grabbedIcon && open->folderObject()->listContainingIcon(m_grabbedIcon.get()))
        icon(m_grabbedIcon.get(), true);
    m_rootFolderController->popFolder();
}

void SBIconController::rotateToInterfaceOrientation(int64_t orientation)
{
    if (!UIInterfaceOrientationIsValid(orientation))
        return;
    m_orientation = orientation;
    CGSize screen = SBCurrentGridMetrics().screenSize(SBGridOrientationFor(orientation));
    m_contentView->setFrame(CGRect { CGPointZero, screen });
    CGRect contentBounds = m_contentView->bounds();
    m_rootFolderController->placeForOrientation(orientation, contentBounds);
    for (const Ref<SBFolderController>& controller : m_folderControllers)
        controller->placeForOrientation(orientation, contentBounds);

    std::vector<Ref<SBIconListView>> lists = allIconLists();
    for (const Ref<SBIconListView>& list : lists)
        list->prepareToRotateToInterfaceOrientation(orientation);
    UIView::beginAnimations("SBRotation");
    UIView::setAnimationDuration(iconSettleDuration);
    for (const Ref<SBIconListView>& list : lists)
        list->layoutIconsNow();
    UIView::commitAnimations();
}

std::vector<Ref<SBIconListView>> SBIconController::allIconLists() const
{
    std::vector<Ref<SBIconListView>> lists = m_rootFolderController->listViews();
    if (RefPtr<SBDockIconListView> dock = m_rootFolderController->dockListView())
        lists.push_back(*dock);
    for (const Ref<SBFolderController>& controller : m_folderControllers) {
        for (const Ref<SBIconListView>& list : controller->listViews())
            lists.push_back(list);
    }
    return lists;
}

RefPtr<SBFolderController> SBIconController::folderControllerForFolder(const SBFolder* folder) const
{
    for (const Ref<SBFolderController>& controller : m_folderControllers) {
        if (controller->folderObject().ptr() == folder)
            return RefPtr<SBFolderController>(controller);
    }
    return nullptr;
}

std::vector<Ref<SBIconListView>> SBIconController::visibleIconLists() const
{
    std::vector<Ref<SBIconListView>> lists;
    if (RefPtr<SBFolderController> open = m_rootFolderController->innerFolderController()) {
        if (RefPtr<SBIconListView> page = open->currentIconListView())
            lists.push_back(*page);
    }
    if (RefPtr<SBIconListView> page = m_rootFolderController->currentIconListView())
        lists.push_back(*page);
    if (RefPtr<SBDockIconListView> dock = m_rootFolderController->dockListView())
        lists.push_back(*dock);
    return lists;
}

RefPtr<SBIcon> SBIconController::iconNamed(const std::string& name) const
{
    std::vector<Ref<SBIconListView>> lists = visibleIconLists();
    std::vector<Ref<SBIconListView>> all = allIconLists();
    lists.insert(lists.end(), all.begin(), all.end());
    for (const Ref<SBIconListView>& list : lists) {
        for (const Ref<SBIcon>& icon : list->listModel()->iconObjects()) {
            if (icon->name() == name)
                return RefPtr<SBIcon>(icon);
        }
    }
    return nullptr;
}

RefPtr<SBIconListView> SBIconController::visibleListContainingIcon(const SBIcon* icon) const
{
    for (const Ref<SBIconListView>& list : visibleIconLists()) {
        if (list->listModel()->containsIcon(icon))
            return RefPtr<SBIconListView>(list);
    }
    return nullptr;
}

RefPtr<SBIconView> SBIconController::visibleViewForIcon(const SBIcon* icon) const
{
    RefPtr<SBIconListView> list = visibleListContainingIcon(icon);
    return list ? list->iconViewForIcon(icon) : nullptr;
}

void SBIconController::noteApplicationLaunched(SBApplication& application)
{
    m_lastLaunchedApplication = &application;
}

} // namespace qv
