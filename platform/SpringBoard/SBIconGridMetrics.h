#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>
#include <vector>

namespace qv {

enum class SBGridOrientation { Portrait, Landscape };

// The stock grid of one icon list: where the list lies, how many icons it
// holds and where each of them goes.
struct SBIconListGeometry {
    // In the list's container: the screen for home-screen pages and the dock,
    // the open folder's background for folder pages.
    CGRect frame;
    // In the list's own coordinates: its bounds less the insets SpringBoard
    // keeps clear at the edges.
    CGRect contentRect;
    CGSize iconSize;
    uint64_t columns = 0;
    uint64_t rows = 0;

    uint64_t capacity() const { return columns * rows; }
    // In the list's own coordinates, row by row. An index past the capacity
    // goes on in further rows below, as a list that briefly holds more icons
    // than fit lays them out.
    CGPoint originForIconAtIndex(uint64_t index) const;
    CGRect frameForIconAtIndex(uint64_t index) const;
};

// SpringBoard's stock icon geometry for each device class (0 3.5-inch,
// 1 4-inch, 2 4.7-inch, 3 5.5-inch phones, 4 iPad) in both orientations.
// Every placement of stock icons comes from here, so SpringBoard and the
// default layouts installed with the system agree.
class SBIconGridMetrics {
public:
    // Null for any other device class.
    static const SBIconGridMetrics* forDeviceClass(int64_t deviceClass);
    static const std::vector<SBIconGridMetrics>& all();

    int64_t deviceClass() const { return m_table.deviceClass; }
    bool isPad() const { return m_table.deviceClass == 4; }
    // In points, turned with the interface.
    CGSize screenSize(SBGridOrientation orientation) const;
    CGFloat statusBarHeight() const { return 20; }
    // The icon view with its label.
    CGSize defaultIconSize() const { return m_table.iconSize; }

    SBIconListGeometry homePage(SBGridOrientation orientation) const;
    SBIconListGeometry folderPage(SBGridOrientation orientation) const;
    SBIconListGeometry dock(SBGridOrientation orientation) const;

    // SpringBoard asks capacity without an orientation, so the grids of both
    // orientations hold the same number of icons.
    uint64_t maxIcons() const { return homePage(SBGridOrientation::Portrait).capacity(); }
    uint64_t maxFolderIcons() const { return folderPage(SBGridOrientation::Portrait).capacity(); }
    uint64_t maxDockIcons() const { return dock(SBGridOrientation::Portrait).capacity(); }

    // The dock's thickness: its height at the bottom of the screen, its width
    // where a phone in landscape keeps it at the side.
    CGFloat dockDefaultHeight() const { return m_table.dockHeight; }
    bool dockAtSide(SBGridOrientation orientation) const;
    CGSize folderBackgroundSize() const { return m_table.folderBackgroundSize; }
    CGFloat folderCornerRadius() const { return m_table.folderCornerRadius; }

    struct Insets {
        CGFloat top = 0, left = 0, bottom = 0, right = 0;
    };
    // One row of the table.
    struct Table {
        int64_t deviceClass;
        CGSize portraitScreen;
        CGSize iconSize;
        uint64_t homeColumns, homeRows; // portrait; landscape is transposed
        Insets homeInsetsPortrait, homeInsetsLandscape;
        CGFloat dockHeight;
        uint64_t dockIcons;
        Insets dockInsets; // for the dock at the bottom
        bool dockAtSideInLandscape;
        CGSize folderBackgroundSize;
        CGFloat folderCornerRadius;
        uint64_t folderColumns, folderRows;
        Insets folderInsets;
    };
    explicit SBIconGridMetrics(const Table& table) : m_table(table) {}

private:
    Table m_table;
};

} // namespace qv
