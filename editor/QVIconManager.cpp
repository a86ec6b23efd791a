#include "QVIconManager.h"

#include "QVGridDimensions.h"

#include "platform/Foundation/StringFormat.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// Below 0 gives 0, above the bound gives the bound.
CGFloat withinBound(CGFloat value, CGFloat bound)
{
    if (value > bound)
        return bound;
    if (value < 0)
        return 0;
    return value;
}

} // namespace

QVIconManager::QVIconManager(CGRect defaultIconFrame, Ref<UIView> iconView, CGSize iconBoundaries, RefPtr<UIView> lowestSubview)
    : m_settings(QVSettings::currentSettings())
    , m_defaultIconFrame(defaultIconFrame)
    , m_iconView(std::move(iconView))
    , m_lowestSubview(std::move(lowestSubview))
    , m_iconBoundaries(iconBoundaries)
{
}

// Making icons

Ref<QVIcon> QVIconManager::makeIcon(CGRect frame, bool useId, int32_t iconId)
{
    const CGPoint maximum = CGPointMake(m_iconBoundaries.width, m_iconBoundaries.height);
    WeakPtr<QVIconDelegate> self(this);
    if (useId)
        return makeRef<QVIcon>(frame, maximum, m_minimumIconPoint, iconId, self);
    return makeRef<QVIcon>(frame, maximum, m_minimumIconPoint, self);
}

Ref<QVIcon> QVIconManager::makeIconAtExactFrame(CGRect frame)
{
    // The icon clamps its first frame to its limits: it is made with limits
    // wide enough to hold the origin, and gets the manager's afterwards
    // (which moves nothing).
    const CGPoint maximum = CGPointMake(m_iconBoundaries.width, m_iconBoundaries.height);
    const CGPoint wideMaximum = CGPointMake(std::max(maximum.x, frame.origin.x), std::max(maximum.y, frame.origin.y));
    const CGPoint wideMinimum = CGPointMake(std::min(m_minimumIconPoint.x, frame.origin.x), std::min(m_minimumIconPoint.y, frame.origin.y));
    Ref<QVIcon> icon = makeRef<QVIcon>(frame, wideMaximum, wideMinimum, WeakPtr<QVIconDelegate>(this));
    icon->setMaxPosition(maximum);
    icon->setMinimumOrigin(m_minimumIconPoint);
    return icon;
}

void QVIconManager::insertIcon(QVIcon& icon)
{
    m_iconView->insertSubviewBelowSubview(&icon, m_lowestSubview.get());
}

Ref<QVIcon> QVIconManager::addIconUsingId(bool useId, int32_t iconId)
{
    Ref<QVIcon> icon = makeIcon(m_defaultIconFrame, useId, iconId);
    // It grows out of the smallest origin into the default frame.
    icon->setFrame(CGRectZero);
    insertIcon(icon);
    UIView::beginAnimations("");
    UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
    icon->setFrame(m_defaultIconFrame);
    UIView::commitAnimations();
    return icon;
}

Ref<QVIcon> QVIconManager::addIcon()
{
    Ref<QVIcon> icon = addIconUsingId(false, 0);
    m_icons.push_back(icon);
    return icon;
}

void QVIconManager::addIcons(int32_t count)
{
    for (int32_t added = 0; added < count; ++added)
        addIcon();
}

Ref<QVIcon> QVIconManager::addIconAtCenter(CGPoint center, int32_t lockedIndex)
{
    Ref<QVIcon> icon = addIcon();
    icon->setCenter(center);
    icon->setLockedIndex(lockedIndex);
    CGRect frame = icon->frame();
    frame.origin.x = withinBound(std::trunc(frame.origin.x), m_iconBoundaries.width);
    frame.origin.y = withinBound(std::trunc(frame.origin.y), m_iconBoundaries.height);
    icon->setFrame(frame);
    return icon;
}

Ref<QVIcon> QVIconManager::iconWithFrame(CGRect frame, int32_t lockedIndex, bool checkIconPosition)
{
    RefPtr<QVIcon> icon;
    if (checkIconPosition) {
        frame.origin.x = withinBound(frame.origin.x, m_iconBoundaries.width);
        frame.origin.y = withinBound(frame.origin.y, m_iconBoundaries.height);
        icon = makeIcon(frame, false, 0);
    } else {
        // Unchecked icons fill a cache of the other orientation, whose
        // bounds are not the ones on the screen now: the frame is kept
        // exactly as given.
        icon = makeIconAtExactFrame(frame);
    }
    icon->setLockedIndex(lockedIndex);
    return icon.toRef();
}

Ref<QVIcon> QVIconManager::iconWithFrame(CGRect frame, int32_t lockedIndex)
{
    return iconWithFrame(frame, lockedIndex, false);
}

Ref<QVIcon> QVIconManager::listIcon(Ref<QVIcon> icon)
{
    insertIcon(icon);
    m_icons.push_back(icon);
    return icon;
}

Ref<QVIcon> QVIconManager::addIconWithFrame(CGRect frame, int32_t lockedIndex)
{
    return listIcon(iconWithFrame(frame, lockedIndex, true));
}

Ref<QVIcon> QVIconManager::addIconAtExactFrame(CGRect frame, int32_t lockedIndex)
{
    return listIcon(iconWithFrame(frame, lockedIndex, false));
}

// Deleting icons

void QVIconManager::removeFromSelection(const QVIcon& icon)
{
    std::erase_if(m_selectedIcons, [&](const Ref<QVIcon>& selected) { return selected.ptr() == &icon; });
}

void QVIconManager::removeIcon(QVIcon& icon)
{
    Ref<QVIcon> protectedIcon(icon);
    icon.removeFromSuperview();
    std::erase_if(m_icons, [&](const Ref<QVIcon>& listed) { return listed.ptr() == &icon; });
    removeFromSelection(icon);
}

void QVIconManager::deleteIcon()
{
    if (!m_icons.empty())
        removeIcon(m_icons.back());
}

void QVIconManager::deleteIcons(int32_t count)
{
    for (int32_t deleted = 0; deleted < count && !m_icons.empty(); ++deleted)
        deleteIcon();
}

void QVIconManager::deleteAllIcons(bool addOne)
{
    const std::vector<Ref<QVIcon>> all = m_icons;
    for (const Ref<QVIcon>& icon : all)
        removeIcon(icon);
    // What is added from now on is placed on the screen.
    m_iconsFolderRelative = false;
    if (addOne)
        addIcon();
}

void QVIconManager::deleteIcon(QVIcon* icon)
{
    if (!icon)
        return;
    auto listedIn = [&](const std::vector<Ref<QVIcon>>& list) {
        return std::any_of(list.begin(), list.end(), [&](const Ref<QVIcon>& listed) { return listed.ptr() == icon; });
    };
    if (listedIn(m_icons)) {
        removeIcon(*icon);
        if (m_icons.empty()) {
            // The fresh icon is placed on the screen, whatever the deleted
            // ones were waiting for.
            m_iconsFolderRelative = false;
            addIcon();
        } else {
            refreshIconLabels();
        }
        return;
    }
    // An icon whose shrink ended after a turn of the device sits in the
    // other orientation's cache: it leaves the cache (whose icons are
    // numbered again when they come back), and a cache left empty gets the
    // fresh icon the screen would have given it. An icon this manager no
    // longer holds (deleted twice, or let go of when a layout was opened)
    // is left alone.
    for (const bool landscape : { false, true }) {
        std::vector<Ref<QVIcon>>& cache = landscape ? m_landscapeIconCache : m_portraitIconCache;
        if (std::erase_if(cache, [&](const Ref<QVIcon>& cached) { return cached.ptr() == icon; }) && cache.empty())
            giveEmptiedCacheAFreshIcon(landscape);
    }
}

void QVIconManager::giveEmptiedCacheAFreshIcon(bool landscape)
{
    RefPtr<QVIconManagerDelegate> delegate = m_delegate.lock();
    const CGRect frame = delegate ? delegate->newIconFrameForIconManager(this, landscape) : m_defaultIconFrame;
    // Made for that orientation, so kept exactly where the editor places it
    // there (the bounds on the screen now are the other orientation's); the
    // only icon of its arrangement, icon 1.
    Ref<QVIcon> fresh = iconWithFrame(frame, -1, false);
    fresh->setIconId(1);
    // A cache set anew waits for no folder: the fresh icon's position is one
    // on the screen, not one of a folder layout as read.
    if (landscape)
        setLandscapeIconCache({ fresh });
    else
        setPortraitIconCache({ fresh });
}

void QVIconManager::refreshIconLabels()
{
    for (size_t index = 0; index < m_icons.size(); ++index)
        m_icons[index]->setIconId(static_cast<int32_t>(index + 1));
}

// What all icons show

void QVIconManager::setSelecting(bool selecting)
{
    m_selecting = selecting;
    for (const Ref<QVIcon>& icon : m_icons) {
        icon->setSelected(false);
        icon->setSelecting(selecting);
        icon->positionView()->setHidden(true);
    }
    m_selectedIcons.clear();
}

void QVIconManager::showIconNameLabels(bool show)
{
    m_nameLabelShowing = show;
    UIView::beginAnimations("Toggle Icon Name Labels");
    for (const Ref<QVIcon>& icon : m_icons)
        icon->nameLabel()->setAlpha(show ? 1 : 0);
    UIView::commitAnimations();
}

void QVIconManager::showDeleteButtonOnIcons(bool show)
{
    m_showDeleteOnIcons = show;
    for (const Ref<QVIcon>& icon : m_icons)
        icon->toggleDeleteIconShown(show);
}

void QVIconManager::iconImageChanged()
{
    // The cached orientations show the new picture too when they return.
    for (const std::vector<Ref<QVIcon>>* list : { &m_icons, &m_portraitIconCache, &m_landscapeIconCache }) {
        for (const Ref<QVIcon>& icon : *list)
            icon->updateBackgroundImage();
    }
}

void QVIconManager::setIconBoundaries(CGSize bounds)
{
    m_iconBoundaries = bounds;
    for (const Ref<QVIcon>& icon : m_icons)
        icon->setMaxPosition(CGPointMake(bounds.width, bounds.height));
}

void QVIconManager::setMinimumIconPoint(CGPoint point)
{
    m_minimumIconPoint = point;
    for (const Ref<QVIcon>& icon : m_icons)
        icon->setMinimumOrigin(point);
}

void QVIconManager::updateAllIconsToNewBoundaries()
{
    for (const Ref<QVIcon>& icon : m_icons) {
        CGRect frame = icon->frame();
        frame.origin.x = std::clamp<CGFloat>(frame.origin.x, m_minimumIconPoint.x, std::max(m_minimumIconPoint.x, m_iconBoundaries.width));
        frame.origin.y = std::clamp<CGFloat>(frame.origin.y, m_minimumIconPoint.y, std::max(m_minimumIconPoint.y, m_iconBoundaries.height));
        icon->setFrame(frame);
    }
}

// Selection, swapping and the position panel

RefPtr<QVIcon> QVIconManager::iconWithId(int32_t iconId) const
{
    if (iconId < 1 || static_cast<size_t>(iconId) > m_icons.size())
        return nullptr;
    return m_icons[iconId - 1];
}

void QVIconManager::iconHasBeenSelected(int32_t iconId, bool selected)
{
    RefPtr<QVIcon> icon = iconWithId(iconId);
    if (!icon)
        return;
    icon->positionView()->setHidden(!selected);
    removeFromSelection(*icon);
    if (selected)
        m_selectedIcons.push_back(icon.toRef());
}

void QVIconManager::swapIconWithId(int32_t iconId, int32_t otherId)
{
    // Numbers start at 1; the icon asking must be one of the list.
    if (iconId == otherId || otherId < 1 || !iconWithId(iconId))
        return;
    if (m_icons.size() < static_cast<size_t>(otherId))
        addIcons(otherId - static_cast<int32_t>(m_icons.size()));
    Ref<QVIcon> first = iconWithId(iconId).toRef();
    Ref<QVIcon> second = iconWithId(otherId).toRef();
    const int32_t firstSlot = first->lockedIndex();
    first->setLockedIndex(second->lockedIndex());
    second->setLockedIndex(firstSlot);
    const CGRect firstFrame = first->frame();
    const CGRect secondFrame = second->frame();
    UIView::beginAnimations("Swap Icon");
    first->setFrame(secondFrame);
    second->setFrame(firstFrame);
    UIView::commitAnimations();
}

int32_t QVIconManager::getNewIconIdForIcon(QVIcon*)
{
    return static_cast<int32_t>(m_icons.size() + 1);
}

void QVIconManager::iconStartedShowingPositionPopover(QVIcon* icon)
{
    if (RefPtr<QVIconManagerDelegate> delegate = m_delegate.lock())
        delegate->iconManagerObservedPositionPopoverFromIcon(this, icon);
}

// Orientations

void QVIconManager::loadPortraitOrientation()
{
    restore({ m_portraitIconCache, m_portraitGridSizeCache, m_portraitGridFrameCache, m_portraitCacheFolderRelative },
        { m_landscapeIconCache, m_landscapeGridSizeCache, m_landscapeGridFrameCache, m_landscapeCacheFolderRelative });
}

void QVIconManager::loadLandscapeOrientation()
{
    restore({ m_landscapeIconCache, m_landscapeGridSizeCache, m_landscapeGridFrameCache, m_landscapeCacheFolderRelative },
        { m_portraitIconCache, m_portraitGridSizeCache, m_portraitGridFrameCache, m_portraitCacheFolderRelative });
}

void QVIconManager::restore(Arrangement incoming, Arrangement outgoing)
{
    RefPtr<QVIconManagerDelegate> delegate = m_delegate.lock();
    outgoing.gridFrame = delegate ? delegate->gridFrameForIconManager(this) : CGRectZero;
    outgoing.gridSize = m_settings->gridSize();
    outgoing.icons = m_icons;
    // The marks go with the icons: the screen's to the cache it fills, the
    // cache's to the screen (the cache just read keeps its icons until the
    // next switch overwrites it, but they are the screen's now).
    outgoing.folderRelative = m_iconsFolderRelative;
    m_iconsFolderRelative = incoming.folderRelative && !incoming.icons.empty();
    incoming.folderRelative = false;

    for (const Ref<QVIcon>& icon : m_icons) {
        icon->removeFromSuperview();
        // A selection drag must never move icons that are off screen.
        removeFromSelection(icon);
    }
    m_icons.clear();

    for (const Ref<QVIcon>& icon : incoming.icons) {
        // Both bounds are this screen's now: the ones an icon was cached
        // with belong to the orientation and mode it was cached in, which
        // may no longer hold (folder mode left meanwhile).
        icon->setMaxPosition(CGPointMake(m_iconBoundaries.width, m_iconBoundaries.height));
        icon->setMinimumOrigin(m_minimumIconPoint);
        insertIcon(icon);
        m_icons.push_back(icon);
    }
    if (incoming.icons.empty())
        addIcon();

    if (delegate)
        delegate->setGridFrameFromIconManager(incoming.gridFrame, this);
    m_settings->setGridSize(QVBoundedGridSize(incoming.gridSize));
    refreshIconLabels();
}

} // namespace qv
