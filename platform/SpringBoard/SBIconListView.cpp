#include "SBIconListView.h"

#include "SBIcon.h"
#include "SBIconListModel.h"
#include "SBIconView.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSRunLoop.h"

#include <algorithm>
#include <cmath>

namespace qv {

void SBIconListView::registerClass()
{
    SBDefineClass<SBIconListView>("NSObject", "SBIconListView", [](Class cls) {
        class_addIvar(cls, "_model", &SBIconListView::m_model);
        SBAddViewMethods<SBIconListView>(cls);

        SBAddMethod(cls, "icons", [](SBIconListView* self) { return self->m_model->icons(); });
        SBAddMethod(cls, "orientation", [](SBIconListView* self) { return self->m_orientation; });
        SBAddMethod(cls, "setOrientation:", [](SBIconListView* self, int64_t orientation) { self->m_orientation = orientation; });
        SBAddMethod(cls, "defaultIconSize", [](SBIconListView*) { return SBCurrentGridMetrics().defaultIconSize(); });
        SBAddMethod(cls, "viewForIcon:", [](SBIconListView* self, SBIcon* icon) { return self->iconViewForIcon(icon); });
        SBAddMethod(cls, "indexForCoordinate:forOrientation:", [](SBIconListView* self, SBIconCoordinate coordinate, int64_t orientation) {
            return self->stockIndexForCoordinate(coordinate, orientation);
        });
        SBAddMethod(cls, "isEditing", [](SBIconListView* self) { return self->m_editing; });
        SBAddMethod(cls, "setEditing:", [](SBIconListView* self, bool editing) { self->m_editing = editing; });
        SBAddMethod(cls, "removeIcon:", [](SBIconListView* self, SBIcon* icon) { self->stockRemoveIcon(icon); });
        SBAddMethod(cls, "firstFreeSlotIndex", [](SBIconListView* self) {
            uint64_t count = self->m_model->count();
            return count < self->maxIcons() ? count : NSNotFound;
        });
        SBAddMethod(cls, "layoutIconsNow", [](SBIconListView* self) { self->stockLayoutIconsNow(); });
        SBAddMethod(cls, "originForIconAtIndex:", [](SBIconListView* self, uint64_t index) { return self->stockOriginForIconAtIndex(index); });
        SBAddMethod(cls, "originForIcon:", [](SBIconListView* self, SBIcon* icon) {
            return self->originForIconAtIndex(self->m_model->indexOfIcon(icon));
        });
        SBAddMethod(cls, "originForIconAtCoordinate:", [](SBIconListView* self, SBIconCoordinate coordinate) {
            return self->originForIconAtIndex(self->indexForCoordinate(coordinate, self->orientation()));
        });
        SBAddMethod(cls, "centerForIcon:", [](SBIconListView* self, SBIcon* icon) {
            CGPoint origin = self->originForIcon(icon);
            CGSize size = self->defaultIconSize();
            return CGPointMake(origin.x + size.width / 2, origin.y + size.height / 2);
        });
        SBAddMethod(cls, "centerForIconCoordinate:", [](SBIconListView* self, SBIconCoordinate coordinate) {
            CGPoint origin = self->originForIconAtCoordinate(coordinate);
            CGSize size = self->defaultIconSize();
            return CGPointMake(origin.x + size.width / 2, origin.y + size.height / 2);
        });
        SBAddMethod(cls, "rowAtPoint:", [](SBIconListView* self, CGPoint point) { return self->stockRowAtPoint(point); });
        SBAddMethod(cls, "columnAtPoint:", [](SBIconListView* self, CGPoint point) { return self->stockColumnAtPoint(point); });
        SBAddMethod(cls, "prepareToRotateToInterfaceOrientation:", [](SBIconListView* self, int64_t orientation) {
            self->setOrientation(orientation);
            self->layoutIconsNow();
        });
        SBAddMethod(cls, "compactIcons:", [](SBIconListView* self, bool animated) { self->stockCompactIcons(animated); });

        SBAddClassMethod(cls, "maxIcons", [](Class self) {
            const SBIconGridMetrics& metrics = SBCurrentGridMetrics();
            switch (kindOfListClass(self)) {
            case SBIconListKind::Dock:
                return metrics.maxDockIcons();
            case SBIconListKind::Folder:
            case SBIconListKind::Newsstand:
                return metrics.maxFolderIcons();
            case SBIconListKind::Root:
                break;
            }
            return metrics.maxIcons();
        });
        SBAddClassMethod(cls, "iconColumnsForInterfaceOrientation:", [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).columns;
        });
        SBAddClassMethod(cls, "iconRowsForInterfaceOrientation:", [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).rows;
        });
        SBAddClassMethod(cls, "maxVisibleIconRowsInterfaceOrientation:", [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).rows;
        });
    });
}

SBIconListView::SBIconListView(Ref<SBIconListModel> model, int64_t orientation)
    : m_model(std::move(model))
    , m_orientation(orientation)
{
}

SBIconListKind SBIconListView::kindOfListClass(Class listClass)
{
    // Classes are looked up by name each time: this may run before
    // SpringBoard's classes are all defined.
    Class dock = objc_getClass("SBDockIconListView");
    Class folder = objc_getClass("SBFolderIconListView");
    Class newsstand = objc_getClass("SBNewsstandIconListView");
    for (Class cls = listClass; cls; cls = class_getSuperclass(cls)) {
        if (cls == dock)
            return SBIconListKind::Dock;
        if (cls == folder)
            return SBIconListKind::Folder;
        if (cls == newsstand)
            return SBIconListKind::Newsstand;
    }
    return SBIconListKind::Root;
}

SBIconListKind SBIconListView::kind()
{
    return kindOfListClass(object_getClass(this));
}

SBIconListGeometry SBIconListView::stockGeometry(SBIconListKind kind, int64_t orientation)
{
    const SBIconGridMetrics& metrics = SBCurrentGridMetrics();
    SBGridOrientation gridOrientation = SBGridOrientationFor(orientation);
    switch (kind) {
    case SBIconListKind::Dock:
        return metrics.dock(gridOrientation);
    case SBIconListKind::Folder:
    case SBIconListKind::Newsstand:
        return metrics.folderPage(gridOrientation);
    case SBIconListKind::Root:
        break;
    }
    return metrics.homePage(gridOrientation);
}

CGRect SBIconListView::frameForOrientation(int64_t orientation)
{
    return stockGeometry(kind(), orientation).frame;
}

SBIconListGeometry SBIconListView::gridAsClassAnswers()
{
    Class cls = object_getClass(this);
    int64_t currentOrientation = orientation();
    SBIconListGeometry grid = stockGeometry(kindOfListClass(cls), currentOrientation);
    grid.columns = iconColumnsForInterfaceOrientation(cls, currentOrientation);
    grid.rows = maxVisibleIconRowsInterfaceOrientation(cls, currentOrientation);
    return grid;
}

// Instance messages.

RefPtr<NSArray> SBIconListView::icons()
{
    return msgSend<RefPtr<NSArray>>(this, "icons");
}

int64_t SBIconListView::orientation()
{
    return msgSend<int64_t>(this, "orientation");
}

void SBIconListView::setOrientation(int64_t orientation)
{
    msgSend(this, "setOrientation:", orientation);
}

CGSize SBIconListView::defaultIconSize()
{
    return msgSend<CGSize>(this, "defaultIconSize");
}

RefPtr<SBIconView> SBIconListView::viewForIcon(SBIcon* icon)
{
    return msgSend<RefPtr<SBIconView>>(this, "viewForIcon:", icon);
}

uint64_t SBIconListView::indexForCoordinate(SBIconCoordinate coordinate, int64_t forOrientation)
{
    return msgSend<uint64_t>(this, "indexForCoordinate:forOrientation:", coordinate, forOrientation);
}

bool SBIconListView::isEditing()
{
    return msgSend<bool>(this, "isEditing");
}

void SBIconListView::setEditing(bool editing)
{
    msgSend(this, "setEditing:", editing);
}

void SBIconListView::removeIcon(SBIcon* icon)
{
    msgSend(this, "removeIcon:", icon);
}

uint64_t SBIconListView::firstFreeSlotIndex()
{
    return msgSend<uint64_t>(this, "firstFreeSlotIndex");
}

void SBIconListView::layoutIconsNow()
{
    msgSend(this, "layoutIconsNow");
}

CGPoint SBIconListView::originForIconAtIndex(uint64_t index)
{
    return msgSend<CGPoint>(this, "originForIconAtIndex:", index);
}

CGPoint SBIconListView::originForIcon(SBIcon* icon)
{
    return msgSend<CGPoint>(this, "originForIcon:", icon);
}

CGPoint SBIconListView::originForIconAtCoordinate(SBIconCoordinate coordinate)
{
    return msgSend<CGPoint>(this, "originForIconAtCoordinate:", coordinate);
}

CGPoint SBIconListView::centerForIcon(SBIcon* icon)
{
    return msgSend<CGPoint>(this, "centerForIcon:", icon);
}

CGPoint SBIconListView::centerForIconCoordinate(SBIconCoordinate coordinate)
{
    return msgSend<CGPoint>(this, "centerForIconCoordinate:", coordinate);
}

uint64_t SBIconListView::rowAtPoint(CGPoint point)
{
    return msgSend<uint64_t>(this, "rowAtPoint:", point);
}

uint64_t SBIconListView::columnAtPoint(CGPoint point)
{
    return msgSend<uint64_t>(this, "columnAtPoint:", point);
}

void SBIconListView::prepareToRotateToInterfaceOrientation(int64_t orientation)
{
    msgSend(this, "prepareToRotateToInterfaceOrientation:", orientation);
}

void SBIconListView::compactIcons(bool animated)
{
    msgSend(this, "compactIcons:", animated);
}

// Class messages.

uint64_t SBIconListView::maxIcons(Class listClass)
{
    return msgSend<uint64_t>(listClass, "maxIcons");
}

uint64_t SBIconListView::iconColumnsForInterfaceOrientation(Class listClass, int64_t orientation)
{
    return msgSend<uint64_t>(listClass, "iconColumnsForInterfaceOrientation:", orientation);
}

uint64_t SBIconListView::iconRowsForInterfaceOrientation(Class listClass, int64_t orientation)
{
    return msgSend<uint64_t>(listClass, "iconRowsForInterfaceOrientation:", orientation);
}

uint64_t SBIconListView::maxVisibleIconRowsInterfaceOrientation(Class listClass, int64_t orientation)
{
    return msgSend<uint64_t>(listClass, "maxVisibleIconRowsInterfaceOrientation:", orientation);
}

uint64_t SBIconListView::maxIcons()
{
    return maxIcons(object_getClass(this));
}

// SpringBoard's own implementations.

CGPoint SBIconListView::stockOriginForIconAtIndex(uint64_t index)
{
    if (index >= NSNotFound)
        return CGPointZero;
    return gridAsClassAnswers().originForIconAtIndex(index);
}

// The cell, from 0, that an offset along the grid falls in; offsets before
// the grid count for the first cell and offsets beyond it for the last.
static uint64_t cellAtOffset(CGFloat offset, CGFloat cellLength, uint64_t cells)
{
    if (!cells || !(cellLength > 0))
        return 0;
    CGFloat cell = std::floor(offset / cellLength);
    if (!(cell > 0))
        return 0;
    if (cell >= static_cast<CGFloat>(cells))
        return cells - 1;
    return static_cast<uint64_t>(cell);
}

uint64_t SBIconListView::stockRowAtPoint(CGPoint point)
{
    SBIconListGeometry grid = gridAsClassAnswers();
    if (!grid.rows)
        return 0;
    // The visible rows share the height; the class's rows bound the answer.
    uint64_t rows = iconRowsForInterfaceOrientation(object_getClass(this), orientation());
    return cellAtOffset(point.y - grid.contentRect.origin.y, grid.contentRect.size.height / grid.rows, rows);
}

uint64_t SBIconListView::stockColumnAtPoint(CGPoint point)
{
    SBIconListGeometry grid = gridAsClassAnswers();
    if (!grid.columns)
        return 0;
    return cellAtOffset(point.x - grid.contentRect.origin.x, grid.contentRect.size.width / grid.columns, grid.columns);
}

uint64_t SBIconListView::stockIndexForCoordinate(SBIconCoordinate coordinate, int64_t orientation)
{
    uint64_t columns = iconColumnsForInterfaceOrientation(object_getClass(this), orientation);
    if (coordinate.row < 1 || coordinate.col < 1 || !columns || static_cast<uint64_t>(coordinate.col) > columns)
        return NSNotFound;
    return static_cast<uint64_t>(coordinate.row - 1) * columns + static_cast<uint64_t>(coordinate.col - 1);
}

void SBIconListView::syncIconViews()
{
    std::vector<Ref<SBIconView>> kept;
    for (const Ref<SBIconView>& view : m_iconViews) {
        if (m_model->containsIcon(view->iconObject().ptr()))
            kept.push_back(view);
        else
            view->removeFromSuperview();
    }
    for (const Ref<SBIcon>& icon : m_model->iconObjects()) {
        bool hasView = std::any_of(kept.begin(), kept.end(), [&](const Ref<SBIconView>& view) { return view->iconObject().ptr() == icon.ptr(); });
        if (hasView)
            continue;
        Ref<SBIconView> view = SBIconView::create(icon);
        addSubview(view);
        kept.push_back(view);
    }
    m_iconViews = std::move(kept);
}

RefPtr<SBIconView> SBIconListView::iconViewForIcon(const SBIcon* icon)
{
    if (!icon || !m_model->containsIcon(icon))
        return nullptr;
    syncIconViews();
    for (const Ref<SBIconView>& view : m_iconViews) {
        if (view->iconObject().ptr() == icon)
            return view;
    }
    return nullptr;
}

void SBIconListView::stockLayoutIconsNow()
{
    m_layoutScheduled = false;
    syncIconViews();
    CGSize size = defaultIconSize();
    // The list is read afresh at every step: asking a slot's origin may move
    // icons to other pages.
    for (uint64_t index = 0; index < m_model->count(); ++index) {
        RefPtr<SBIcon> icon = m_model->iconAtIndex(index);
        if (!icon || icon == m_iconUnderFinger)
            continue;
        RefPtr<SBIconView> view = iconViewForIcon(icon.get());
        CGPoint origin = originForIconAtIndex(index);
        if (view && view->superview().get() == this && m_model->indexOfIcon(icon.get()) == index)
            view->setFrame(CGRect { origin, size });
    }
}

void SBIconListView::stockRemoveIcon(SBIcon* icon)
{
    if (!icon || !m_model->removeIcon(icon))
        return;
    syncIconViews();
    setNeedsIconLayout();
}

void SBIconListView::stockCompactIcons(bool animated)
{
    m_model->removePlaceholders();
    syncIconViews();
    if (animated)
        UIView::beginAnimations("SBIconListCompaction");
    layoutIconsNow();
    if (animated)
        UIView::commitAnimations();
}

void SBIconListView::layoutSubviews()
{
    if (m_layoutScheduled)
        layoutIconsNow();
}

void SBIconListView::setNeedsIconLayout()
{
    if (m_layoutScheduled)
        return;
    m_layoutScheduled = true;
    WeakPtr<SBIconListView> weakSelf(this);
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [weakSelf] {
        RefPtr<SBIconListView> self = weakSelf.lock();
        if (self && self->m_layoutScheduled)
            self->layoutIconsNow();
    });
}

} // namespace qv
