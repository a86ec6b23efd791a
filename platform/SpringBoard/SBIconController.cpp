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
#include "SpringBoardTesting.h"
#include "platform/Foundation/DeviceRootState.h"

#include <algorithm>
#include <memory>

namespace qv {

// How long the icons take to settle after a drop and after a rotation.
static constexpr double iconSettleDuration = 0.3;

namespace {

// The home screen of the device the process runs on (none until the first
// sharedInstance makes it); another device root, as a test program moves
// between them, starts without one. Never destroyed: the controller lives
// as long as SpringBoard.
RootBound<RefPtr<SBIconController>>& sharedControllers()
{
    static auto* controllers = new RootBound<RefPtr<SBIconController>>([] { return RefPtr<SBIconController>(); });
    return *controllers;
}

} // namespace

void setSharedIconController(RefPtr<SBIconController> controller)
{
    sharedControllers().set(std::move(controller));
}

void SBIconController::registerClass()
{
    SBDefineClass<SBIconController>("NSObject", "SBIconController", [](Class cls) {
        SBIconControllerMessages::sharedInstance.addMethod(cls, [](Class) {
            RefPtr<SBIconController> shared = sharedControllers().get();
            if (!shared) {
                // Made outside the slot's lock: making the home screen may
                // send messages that ask for the shared controller again.
                shared = create(SBHomeScreenDescription::loadRootFolderFromDevice());
                sharedControllers().set(shared);
            }
            return shared;
        });
        SBIconControllerMessages::contentView.addMethod(cls, [](SBIconController* self) { return RefPtr<SBIconContentView>(self->m_contentView); });
        SBIconControllerMessages::orientation.addMethod(cls, [](SBIconController* self) { return self->m_orientation; });
        SBIconControllerMessages::isEditing.addMethod(cls, [](SBIconController* self) { return self->m_editing; });
        SBIconControllerMessages::rootFolder.addMethod(cls, [](SBIconController* self) { return RefPtr<SBRootFolder>(self->m_rootFolder); });
        SBIconControllerMessages::currentIconListIndex.addMethod(cls, [](SBIconController* self) { return self->m_rootFolderController->currentPageIndex(); });
        SBIconControllerMessages::_iconListIndexIsValid.addMethod(cls, [](SBIconController* self, uint64_t index) {
            return index < self->m_rootFolderController->listViews().size();
        });
        SBIconControllerMessages::rootIconListAtIndex.addMethod(cls, [](SBIconController* self, uint64_t index) {
            return self->m_rootFolderController->listViewAtIndex(index, false);
        });
        SBIconControllerMessages::currentRootIconList.addMethod(cls, [](SBIconController* self) { return self->m_rootFolderController->currentIconListView(); });
        SBIconControllerMessages::currentFolderIconList.addMethod(cls, [](SBIconController* self) -> RefPtr<SBIconListView> {
            RefPtr<SBFolderController> open = self->m_rootFolderController->innerFolderController();
            return open ? open->currentIconListView() : nullptr;
        });
        SBIconControllerMessages::dockListView.addMethod(cls, [](SBIconController* self) {
            return RefPtr<SBIconListView>(self->m_rootFolderController->dockListView());
        });
        SBIconControllerMessages::_openFolderController.addMethod(cls, [](SBIconController* self) { return self->m_rootFolderController->innerFolderController(); });
        SBIconControllerMessages::_rootFolderController.addMethod(cls, [](SBIconController* self) { return RefPtr<SBRootFolderController>(self->m_rootFolderController); });
        SBIconControllerMessages::grabbedIcon.addMethod(cls, [](SBIconController* self) { return self->m_grabbedIcon; });
        SBIconControllerMessages::iconListViewAtIndex.addMethod(cls, [](SBIconController* self, uint64_t index, SBFolder* folder, bool create) {
            return self->stockIconListViewAtIndex(index, folder, create);
        });
        SBIconControllerMessages::insertIcon.addMethod(cls, [](SBIconController* self, SBIcon* icon, SBIconListView* listView, uint64_t index, bool moveNow) {
            self->stockInsertIcon(icon, listView, index, moveNow);
        });
        SBIconControllerMessages::iconHandleLongPress.addMethod(cls, [](SBIconController* self, SBIcon* icon) { self->stockIconHandleLongPress(icon); });
        SBIconControllerMessages::iconTouchEnded.addMethod(cls, [](SBIconController* self, SBIcon* icon, bool ended) { self->stockIconTouchEnded(icon, ended); });
    });
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
    return SBIconControllerMessages::sharedInstance(objc_getClass("SBIconController"));
}

RefPtr<SBIconContentView> SBIconController::contentView()
{
    return SBIconControllerMessages::contentView(this);
}

int64_t SBIconController::orientation()
{
    return SBIconControllerMessages::orientation(this);
}

bool SBIconController::isEditing()
{
    return SBIconControllerMessages::isEditing(this);
}

RefPtr<SBRootFolder> SBIconController::rootFolder()
{
    return SBIconControllerMessages::rootFolder(this);
}

uint64_t SBIconController::currentIconListIndex()
{
    return SBIconControllerMessages::currentIconListIndex(this);
}

bool SBIconController::_iconListIndexIsValid(uint64_t index)
{
    return SBIconControllerMessages::_iconListIndexIsValid(this, index);
}

RefPtr<SBIconListView> SBIconController::rootIconListAtIndex(uint64_t index)
{
    return SBIconControllerMessages::rootIconListAtIndex(this, index);
}

RefPtr<SBIconListView> SBIconController::currentRootIconList()
{
    return SBIconControllerMessages::currentRootIconList(this);
}

RefPtr<SBIconListView> SBIconController::currentFolderIconList()
{
    return SBIconControllerMessages::currentFolderIconList(this);
}

RefPtr<SBIconListView> SBIconController::dockListView()
{
    return SBIconControllerMessages::dockListView(this);
}

RefPtr<SBFolderController> SBIconController::_openFolderController()
{
    return SBIconControllerMessages::_openFolderController(this);
}

RefPtr<SBRootFolderController> SBIconController::_rootFolderController()
{
    return SBIconControllerMessages::_rootFolderController(this);
}

RefPtr<SBIcon> SBIconController::grabbedIcon()
{
    return SBIconControllerMessages::grabbedIcon(this);
}

RefPtr<SBIconListView> SBIconController::iconListViewAtIndex(uint64_t index, SBFolder* inFolder, bool createIfNecessary)
{
    return SBIconControllerMessages::iconListViewAtIndex(this, index, inFolder, createIfNecessary);
}

void SBIconController::insertIcon(SBIcon* icon, SBIconListView* intoListView, uint64_t iconIndex, bool moveNow)
{
    SBIconControllerMessages::insertIcon(this, icon, intoListView, iconIndex, moveNow);
}

void SBIconController::iconHandleLongPress(SBIcon* icon)
{
    SBIconControllerMessages::iconHandleLongPress(this, icon);
}

void SBIconController::icon(SBIcon* icon, bool touchEnded)
{
    SBIconControllerMessages::iconTouchEnded(this, icon, touchEnded);
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

void SBIconController::closeFolder(bool animated)
{
    RefPtr<SBFolderController> open = m_rootFolderController->innerFolderController();
    if (!open)
        return;
    if (m_grabbedIcon && open->folderObject()->listContainingIcon(m_grabbedIcon.get()))
        icon(m_grabbedIcon.get(), true);
    m_rootFolderController->popFolder(animated);
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
