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
        SBViewMessages<SBIconListView>::addTo(cls);

        SBIconListViewMessages::icons.addMethod(cls, [](SBIconListView* self) { return self->m_model->icons(); });
        SBIconListViewMessages::orientation.addMethod(cls, [](SBIconListView* self) { return self->m_orientation; });
        SBIconListViewMessages::setOrientation.addMethod(cls, [](SBIconListView* self, int64_t orientation) { self->m_orientation = orientation; });
        SBIconListViewMessages::defaultIconSize.addMethod(cls, [](SBIconListView*) { return SBCurrentGridMetrics().defaultIconSize(); });
        SBIconListViewMessages::viewForIcon.addMethod(cls, [](SBIconListView* self, SBIcon* icon) { return self->iconViewForIcon(icon); });
        SBIconListViewMessages::indexForCoordinate.addMethod(cls, [](SBIconListView* self, SBIconCoordinate coordinate, int64_t orientation) {
            return self->stockIndexForCoordinate(coordinate, orientation);
        });
        SBIconListViewMessages::isEditing.addMethod(cls, [](SBIconListView* self) { return self->m_editing; });
        SBIconListViewMessages::setEditing.addMethod(cls, [](SBIconListView* self, bool editing) { self->m_editing = editing; });
        SBIconListViewMessages::removeIcon.addMethod(cls, [](SBIconListView* self, SBIcon* icon) { self->stockRemoveIcon(icon); });
        SBIconListViewMessages::firstFreeSlotIndex.addMethod(cls, [](SBIconListView* self) {
            uint64_t count = self->m_model->count();
            return count < self->maxIcons() ? count : NSNotFound;
        });
        SBIconListViewMessages::layoutIconsNow.addMethod(cls, [](SBIconListView* self) { self->stockLayoutIconsNow(); });
        SBIconListViewMessages::originForIconAtIndex.addMethod(cls, [](SBIconListView* self, uint64_t index) { return self->stockOriginForIconAtIndex(index); });
        SBIconListViewMessages::originForIcon.addMethod(cls, [](SBIconListView* self, SBIcon* icon) {
            return self->originForIconAtIndex(self->m_model->indexOfIcon(icon));
        });
        SBIconListViewMessages::originForIconAtCoordinate.addMethod(cls, [](SBIconListView* self, SBIconCoordinate coordinate) {
            return self->originForIconAtIndex(self->indexForCoordinate(coordinate, self->orientation()));
        });
        SBIconListViewMessages::centerForIcon.addMethod(cls, [](SBIconListView* self, SBIcon* icon) {
            CGPoint origin = self->originForIcon(icon);
            CGSize size = self->defaultIconSize();
            return CGPointMake(origin.x + size.width / 2, origin.y + size.height / 2);
        });
        SBIconListViewMessages::centerForIconCoordinate.addMethod(cls, [](SBIconListView* self, SBIconCoordinate coordinate) {
            CGPoint origin = self->originForIconAtCoordinate(coordinate);
            CGSize size = self->defaultIconSize();
            return CGPointMake(origin.x + size.width / 2, origin.y + size.height / 2);
        });
        SBIconListViewMessages::rowAtPoint.addMethod(cls, [](SBIconListView* self, CGPoint point) { return self->stockRowAtPoint(point); });
        SBIconListViewMessages::columnAtPoint.addMethod(cls, [](SBIconListView* self, CGPoint point) { return self->stockColumnAtPoint(point); });
        SBIconListViewMessages::prepareToRotateToInterfaceOrientation.addMethod(cls, [](SBIconListView* self, int64_t orientation) {
            self->setOrientation(orientation);
            self->layoutIconsNow();
        });
        SBIconListViewMessages::compactIcons.addMethod(cls, [](SBIconListView* self, bool animated) { self->stockCompactIcons(animated); });

        SBIconListViewMessages::maxIcons.addMethod(cls, [](Class self) {
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
        SBIconListViewMessages::iconColumnsForInterfaceOrientation.addMethod(cls, [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).columns;
        });
        SBIconListViewMessages::iconRowsForInterfaceOrientation.addMethod(cls, [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).rows;
        });
        SBIconListViewMessages::maxVisibleIconRowsInterfaceOrientation.addMethod(cls, [](Class self, int64_t orientation) {
            return stockGeometry(kindOfListClass(self), orientation).rows;
        });
    });
}

Ref<SBIconListView> SBIconListView::create(Ref<SBIconListModel> model, int64_t orientation, const char* className)
{
    return SBBecomeInstanceOf(makeRef<SBIconListView>(std::move(model), orientation), className);
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
    return SBIconListViewMessages::icons(this);
}

int64_t SBIconListView::orientation()
{
    return SBIconListViewMessages::orientation(this);
}

void SBIconListView::setOrientation(int64_t orientation)
{
    SBIconListViewMessages::setOrientation(this, orientation);
}

CGSize SBIconListView::defaultIconSize()
{
    return SBIconListViewMessages::defaultIconSize(this);
}

RefPtr<SBIconView> SBIconListView::viewForIcon(SBIcon* icon)
{
    return SBIconListViewMessages::viewForIcon(this, icon);
}

uint64_t SBIconListView::indexForCoordinate(SBIconCoordinate coordinate, int64_t forOrientation)
{
    return SBIconListViewMessages::indexForCoordinate(this, coordinate, forOrientation);
}

bool SBIconListView::isEditing()
{
    return SBIconListViewMessages::isEditing(this);
}

void SBIconListView::setEditing(bool editing)
{
    SBIconListViewMessages::setEditing(this, editing);
}

void SBIconListView::removeIcon(SBIcon* icon)
{
    SBIconListViewMessages::removeIcon(this, icon);
}

uint64_t SBIconListView::firstFreeSlotIndex()
{
    return SBIconListViewMessages::firstFreeSlotIndex(this);
}

void SBIconListView::layoutIconsNow()
{
    SBIconListViewMessages::layoutIconsNow(this);
}

CGPoint SBIconListView::originForIconAtIndex(uint64_t index)
{
    return SBIconListViewMessages::originForIconAtIndex(this, index);
}

CGPoint SBIconListView::originForIcon(SBIcon* icon)
{
    return SBIconListViewMessages::originForIcon(this, icon);
}

CGPoint SBIconListView::originForIconAtCoordinate(SBIconCoordinate coordinate)
{
    return SBIconListViewMessages::originForIconAtCoordinate(this, coordinate);
}

CGPoint SBIconListView::centerForIcon(SBIcon* icon)
{
    return SBIconListViewMessages::centerForIcon(this, icon);
}

CGPoint SBIconListView::centerForIconCoordinate(SBIconCoordinate coordinate)
{
    return SBIconListViewMessages::centerForIconCoordinate(this, coordinate);
}

uint64_t SBIconListView::rowAtPoint(CGPoint point)
{
    return SBIconListViewMessages::rowAtPoint(this, point);
}

uint64_t SBIconListView::columnAtPoint(CGPoint point)
{
    return SBIconListViewMessages::columnAtPoint(this, point);
}

void SBIconListView::prepareToRotateToInterfaceOrientation(int64_t orientation)
{
    SBIconListViewMessages::prepareToRotateToInterfaceOrientation(this, orientation);
}

void SBIconListView::compactIcons(bool animated)
{
    SBIconListViewMessages::compactIcons(this, animated);
}

// Class messages.

uint64_t SBIconListView::maxIcons(Class listClass)
{
    return SBIconListViewMessages::maxIcons(listClass);
}

uint64_t SBIconListView::iconColumnsForInterfaceOrientation(Class listClass, int64_t orientation)
{
    return SBIconListViewMessages::iconColumnsForInterfaceOrientation(listClass, orientation);
}

uint64_t SBIconListView::iconRowsForInterfaceOrientation(Class listClass, int64_t orientation)
{
    return SBIconListViewMessages::iconRowsForInterfaceOrientation(listClass, orientation);
}

uint64_t SBIconListView::maxVisibleIconRowsInterfaceOrientation(Class listClass, int64_t orientation)
{
    return SBIconListViewMessages::maxVisibleIconRowsInterfaceOrientation(listClass, orientation);
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
