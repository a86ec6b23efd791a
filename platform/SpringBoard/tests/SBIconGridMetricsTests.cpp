#include "platform/SpringBoard/SBIconGridMetrics.h"
#include "platform/UIKit/DeviceProfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace qv;

namespace {

const SBGridOrientation orientations[] = { SBGridOrientation::Portrait, SBGridOrientation::Landscape };

std::string describe(const SBIconGridMetrics& metrics, SBGridOrientation orientation)
{
    return "class " + std::to_string(metrics.deviceClass())
        + (orientation == SBGridOrientation::Portrait ? " portrait" : " landscape");
}

CGRect inContainer(const SBIconListGeometry& list, uint64_t index)
{
    CGRect icon = list.frameForIconAtIndex(index);
    return CGRectOffset(icon, list.frame.origin.x, list.frame.origin.y);
}

// Every icon of the list lies inside the area, on whole points, and no two
// of them overlap.
void expectIconsInsideWithoutOverlap(const SBIconListGeometry& list, CGRect area)
{
    for (uint64_t i = 0; i < list.capacity(); ++i) {
        CGRect icon = inContainer(list, i);
        EXPECT_TRUE(CGRectContainsRect(area, icon)) << "icon " << i << " " << NSStringFromCGRect(icon);
        EXPECT_EQ(icon.origin.x, std::floor(icon.origin.x)) << "icon " << i;
        EXPECT_EQ(icon.origin.y, std::floor(icon.origin.y)) << "icon " << i;
        for (uint64_t j = i + 1; j < list.capacity(); ++j)
            EXPECT_FALSE(CGRectIntersectsRect(icon, inContainer(list, j))) << "icons " << i << " and " << j;
    }
}

} // namespace

TEST(SBIconGridMetricsTest, TableCoversTheFiveDeviceClassesOnly)
{
    ASSERT_EQ(SBIconGridMetrics::all().size(), 5u);
    for (int64_t deviceClass = 0; deviceClass < 5; ++deviceClass) {
        const SBIconGridMetrics* metrics = SBIconGridMetrics::forDeviceClass(deviceClass);
        ASSERT_NE(metrics, nullptr);
        EXPECT_EQ(metrics->deviceClass(), deviceClass);
        EXPECT_EQ(metrics->isPad(), deviceClass == 4);
    }
    EXPECT_EQ(SBIconGridMetrics::forDeviceClass(-1), nullptr);
    EXPECT_EQ(SBIconGridMetrics::forDeviceClass(5), nullptr);
}

TEST(SBIconGridMetricsTest, ScreensAreThoseOfTheDeviceProfiles)
{
    const char* profiles[] = { "iphone-3.5", "iphone-4", "iphone-4.7", "iphone-5.5", "ipad" };
    for (int64_t deviceClass = 0; deviceClass < 5; ++deviceClass) {
        auto profile = DeviceProfile::named(profiles[deviceClass]);
        ASSERT_TRUE(profile);
        const SBIconGridMetrics& metrics = *SBIconGridMetrics::forDeviceClass(deviceClass);
        EXPECT_EQ(metrics.screenSize(SBGridOrientation::Portrait), profile->bounds.size) << profiles[deviceClass];
        CGSize turned = CGSizeMake(profile->bounds.size.height, profile->bounds.size.width);
        EXPECT_EQ(metrics.screenSize(SBGridOrientation::Landscape), turned) << profiles[deviceClass];
    }
}

TEST(SBIconGridMetricsTest, CapacitiesAndGridsAsChosen)
{
    struct Case {
        uint64_t columns, rows, folderColumns, folderRows, dockIcons;
        CGSize icon;
        CGFloat dockHeight;
    };
    const Case cases[] = {
        { 4, 4, 3, 3, 4, { 60, 72 }, 96 },
        { 4, 5, 3, 3, 4, { 60, 72 }, 96 },
        { 4, 6, 3, 3, 4, { 60, 72 }, 96 },
        { 4, 6, 3, 3, 4, { 60, 72 }, 96 },
        { 4, 5, 4, 4, 6, { 76, 93 }, 120 },
    };
    for (int64_t deviceClass = 0; deviceClass < 5; ++deviceClass) {
        SCOPED_TRACE(deviceClass);
        const Case& c = cases[deviceClass];
        const SBIconGridMetrics& metrics = *SBIconGridMetrics::forDeviceClass(deviceClass);
        SBIconListGeometry portrait = metrics.homePage(SBGridOrientation::Portrait);
        SBIconListGeometry landscape = metrics.homePage(SBGridOrientation::Landscape);
        EXPECT_EQ(portrait.columns, c.columns);
        EXPECT_EQ(portrait.rows, c.rows);
        // The landscape grid is the portrait one turned.
        EXPECT_EQ(landscape.columns, c.rows);
        EXPECT_EQ(landscape.rows, c.columns);
        EXPECT_EQ(metrics.maxIcons(), c.columns * c.rows);
        EXPECT_EQ(metrics.folderPage(SBGridOrientation::Portrait).columns, c.folderColumns);
        EXPECT_EQ(metrics.folderPage(SBGridOrientation::Landscape).rows, c.folderColumns);
        EXPECT_EQ(metrics.maxFolderIcons(), c.folderColumns * c.folderRows);
        EXPECT_EQ(metrics.maxDockIcons(), c.dockIcons);
        EXPECT_EQ(metrics.defaultIconSize(), c.icon);
        EXPECT_EQ(metrics.dockDefaultHeight(), c.dockHeight);
        for (SBGridOrientation orientation : orientations) {
            EXPECT_EQ(metrics.homePage(orientation).capacity(), metrics.maxIcons());
            EXPECT_EQ(metrics.folderPage(orientation).capacity(), metrics.maxFolderIcons());
            EXPECT_EQ(metrics.dock(orientation).capacity(), metrics.maxDockIcons());
        }
    }
}

TEST(SBIconGridMetricsTest, HomePagesAndDocksFitTheScreenWithoutOverlaps)
{
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all()) {
        for (SBGridOrientation orientation : orientations) {
            SCOPED_TRACE(describe(metrics, orientation));
            CGSize screenSize = metrics.screenSize(orientation);
            CGRect screen { CGPointZero, screenSize };
            CGRect belowStatusBar = CGRectMake(0, metrics.statusBarHeight(), screenSize.width,
                screenSize.height - metrics.statusBarHeight());
            SBIconListGeometry page = metrics.homePage(orientation);
            SBIconListGeometry dock = metrics.dock(orientation);

            EXPECT_TRUE(CGRectContainsRect(belowStatusBar, page.frame));
            EXPECT_TRUE(CGRectContainsRect(screen, dock.frame));
            EXPECT_FALSE(CGRectIntersectsRect(page.frame, dock.frame));
            CGFloat thickness = metrics.dockAtSide(orientation) ? dock.frame.size.width : dock.frame.size.height;
            EXPECT_EQ(thickness, metrics.dockDefaultHeight());
            EXPECT_EQ(metrics.dockAtSide(orientation), !metrics.isPad() && orientation == SBGridOrientation::Landscape);

            expectIconsInsideWithoutOverlap(page, page.frame);
            expectIconsInsideWithoutOverlap(dock, dock.frame);
        }
    }
}

TEST(SBIconGridMetricsTest, FoldersFitTheirBackgroundAndTheScreen)
{
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all()) {
        for (SBGridOrientation orientation : orientations) {
            SCOPED_TRACE(describe(metrics, orientation));
            SBIconListGeometry folder = metrics.folderPage(orientation);
            CGSize background = metrics.folderBackgroundSize();
            EXPECT_EQ(folder.frame, (CGRect { CGPointZero, background }));
            expectIconsInsideWithoutOverlap(folder, folder.frame);
            CGSize screen = metrics.screenSize(orientation);
            EXPECT_LE(background.width, screen.width);
            EXPECT_LE(background.height, screen.height - metrics.statusBarHeight());
            EXPECT_GT(metrics.folderCornerRadius(), 0);
            EXPECT_LT(metrics.folderCornerRadius(), background.width / 2);
        }
    }
}

TEST(SBIconGridMetricsTest, IconsGoRowByRowAndSpreadEvenly)
{
    // 4-inch portrait: four columns over 288 points from x 16, five rows over
    // 436 points from y 8, each 60 x 72 icon in the middle of its cell.
    SBIconListGeometry page = SBIconGridMetrics::forDeviceClass(1)->homePage(SBGridOrientation::Portrait);
    EXPECT_EQ(page.frame, CGRectMake(0, 20, 320, 452));
    EXPECT_EQ(page.originForIconAtIndex(0), CGPointMake(22, 15));
    EXPECT_EQ(page.originForIconAtIndex(1), CGPointMake(94, 15));
    EXPECT_EQ(page.originForIconAtIndex(3), CGPointMake(238, 15));
    EXPECT_EQ(page.originForIconAtIndex(4), CGPointMake(22, 102));
    EXPECT_EQ(page.originForIconAtIndex(19), CGPointMake(238, 364));
    // Past the capacity the pattern goes on below the last row.
    EXPECT_EQ(page.originForIconAtIndex(20), CGPointMake(22, 451));

    SBIconListGeometry empty;
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_EQ(empty.originForIconAtIndex(3), CGPointZero);
}
