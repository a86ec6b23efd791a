#include "SBIconGridMetrics.h"

#include <cmath>

namespace qv {

CGPoint SBIconListGeometry::originForIconAtIndex(uint64_t index) const
{
    if (!columns || !rows)
        return contentRect.origin;
    // Each icon sits in the middle of its cell, on whole points as SpringBoard
    // places them.
    CGFloat cellWidth = contentRect.size.width / columns;
    CGFloat cellHeight = contentRect.size.height / rows;
    CGFloat column = index % columns;
    CGFloat row = index / columns;
    return CGPointMake(std::floor(contentRect.origin.x + (column + 0.5) * cellWidth - iconSize.width / 2),
        std::floor(contentRect.origin.y + (row + 0.5) * cellHeight - iconSize.height / 2));
}

CGRect SBIconListGeometry::frameForIconAtIndex(uint64_t index) const
{
    return CGRect { originForIconAtIndex(index), iconSize };
}

const std::vector<SBIconGridMetrics>& SBIconGridMetrics::all()
{
    using Insets = SBIconGridMetrics::Insets;
    // Phones keep the dock at the side in landscape: a page of four rows
    // would not fit above it in the short height.
    const Insets phonePage { 8, 16, 8, 16 };
    const Insets phonePageLandscape { 2, 8, 2, 8 };
    const Insets phoneDock { 0, 16, 0, 16 };
    const Insets phoneFolder { 16, 16, 16, 16 };
    const CGSize phoneIcon { 60, 72 };
    const Insets padPage { 24, 48, 24, 48 };
    static const std::vector<SBIconGridMetrics> table {
        SBIconGridMetrics({ 0, { 320, 480 }, phoneIcon, 4, 4, phonePage, phonePageLandscape, 96, 4, phoneDock, true,
            { 272, 272 }, 36, 3, 3, phoneFolder }),
        SBIconGridMetrics({ 1, { 320, 568 }, phoneIcon, 4, 5, phonePage, phonePageLandscape, 96, 4, phoneDock, true,
            { 272, 272 }, 36, 3, 3, phoneFolder }),
        SBIconGridMetrics({ 2, { 375, 667 }, phoneIcon, 4, 6, phonePage, phonePageLandscape, 96, 4, phoneDock, true,
            { 312, 312 }, 36, 3, 3, phoneFolder }),
        SBIconGridMetrics({ 3, { 414, 736 }, phoneIcon, 4, 6, phonePage, phonePageLandscape, 96, 4, phoneDock, true,
            { 336, 336 }, 36, 3, 3, phoneFolder }),
        SBIconGridMetrics({ 4, { 768, 1024 }, { 76, 93 }, 4, 5, padPage, padPage, 120, 6, { 0, 48, 0, 48 }, false,
            { 480, 480 }, 44, 4, 4, { 24, 24, 24, 24 } }),
    };
    return table;
}

const SBIconGridMetrics* SBIconGridMetrics::forDeviceClass(int64_t deviceClass)
{
    for (const SBIconGridMetrics& metrics : all()) {
        if (metrics.deviceClass() == deviceClass)
            return &metrics;
    }
    return nullptr;
}

CGSize SBIconGridMetrics::screenSize(SBGridOrientation orientation) const
{
    CGSize portrait = m_table.portraitScreen;
    return orientation == SBGridOrientation::Portrait ? portrait : CGSizeMake(portrait.height, portrait.width);
}

bool SBIconGridMetrics::dockAtSide(SBGridOrientation orientation) const
{
    return orientation == SBGridOrientation::Landscape && m_table.dockAtSideInLandscape;
}

static SBIconListGeometry makeList(CGRect frame, const SBIconGridMetrics::Insets& insets, CGSize iconSize,
    uint64_t columns, uint64_t rows)
{
    SBIconListGeometry list;
    list.frame = frame;
    list.contentRect = CGRectMake(insets.left, insets.top, frame.size.width - insets.left - insets.right,
        frame.size.height - insets.top - insets.bottom);
    list.iconSize = iconSize;
    list.columns = columns;
    list.rows = rows;
    return list;
}

SBIconListGeometry SBIconGridMetrics::homePage(SBGridOrientation orientation) const
{
    CGSize screen = screenSize(orientation);
    CGFloat top = statusBarHeight();
    CGFloat dock = m_table.dockHeight;
    if (orientation == SBGridOrientation::Portrait) {
        return makeList(CGRectMake(0, top, screen.width, screen.height - top - dock), m_table.homeInsetsPortrait,
            m_table.iconSize, m_table.homeColumns, m_table.homeRows);
    }
    CGRect frame = dockAtSide(orientation) ? CGRectMake(0, top, screen.width - dock, screen.height - top)
                                           : CGRectMake(0, top, screen.width, screen.height - top - dock);
    return makeList(frame, m_table.homeInsetsLandscape, m_table.iconSize, m_table.homeRows, m_table.homeColumns);
}

SBIconListGeometry SBIconGridMetrics::folderPage(SBGridOrientation orientation) const
{
    CGRect background { CGPointZero, m_table.folderBackgroundSize };
    bool portrait = orientation == SBGridOrientation::Portrait;
    return makeList(background, m_table.folderInsets, m_table.iconSize,
        portrait ? m_table.folderColumns : m_table.folderRows, portrait ? m_table.folderRows : m_table.folderColumns);
}

SBIconListGeometry SBIconGridMetrics::dock(SBGridOrientation orientation) const
{
    CGSize screen = screenSize(orientation);
    CGFloat thickness = m_table.dockHeight;
    if (dockAtSide(orientation)) {
        // Standing at the side, the dock's icons line up with the page's rows.
        CGFloat top = statusBarHeight();
        Insets along { m_table.homeInsetsLandscape.top, 0, m_table.homeInsetsLandscape.bottom, 0 };
        return makeList(CGRectMake(screen.width - thickness, top, thickness, screen.height - top), along,
            m_table.iconSize, 1, m_table.dockIcons);
    }
    return makeList(CGRectMake(0, screen.height - thickness, screen.width, thickness), m_table.dockInsets,
        m_table.iconSize, m_table.dockIcons, 1);
}

} // namespace qv
