#include "EditorTestSupport.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UITouchDriver.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVIconManagerTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override { QVSettings::currentSettings()->setSnapToGrid(false); }

    Ref<QVIconManager> manager() const { return screen.manager; }
    Ref<QVIcon> icon(size_t index) const { return manager()->icons().at(index); }
    // Icons on screen are subviews of the main view below the controls.
    bool onScreen(const QVIcon& icon) const
    {
        std::vector<Ref<UIView>> views = screen.mainView->subviews();
        auto position = [&](const UIView* view) {
            return std::find_if(views.begin(), views.end(), [&](const Ref<UIView>& candidate) { return candidate.ptr() == view; });
        };
        return position(&icon) != views.end() && position(&icon) < position(screen.controls.ptr());
    }

    IconScreen screen { GetParam() };
};

} // namespace

// New icons take the next number, grow into the default frame below the
// controls, and are numbered again after a delete from the middle.
TEST_P(QVIconManagerTest, Numbering)
{
    manager()->addIcons(5);
    manager()->addIcons(0);
    manager()->addIcons(-2);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3, 4, 5 }));
    screen.advance(0.5);
    for (const Ref<QVIcon>& listed : manager()->icons()) {
        EXPECT_TRUE(onScreen(listed));
        EXPECT_EQ(listed->frame(), manager()->defaultIconFrame());
    }
    Ref<QVIcon> third = icon(2);
    manager()->deleteIcon(third.ptr());
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3, 4 }));
    EXPECT_EQ(icon(2)->nameLabel()->text(), "Icon 3");
    EXPECT_EQ(icon(3)->idLabel()->text(), "4");
    EXPECT_FALSE(third->superview());
    // A second report of the same icon, or one of an icon never listed, is
    // ignored.
    manager()->deleteIcon(third.ptr());
    manager()->deleteIcon(manager()->iconWithFrame(CGRectMake(0, 0, 10, 10), -1).ptr());
    EXPECT_EQ(manager()->icons().size(), 4u);

    manager()->deleteIcon();
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3 }));
    manager()->deleteIcons(10);
    EXPECT_TRUE(manager()->icons().empty());
    manager()->deleteIcon();
    manager()->deleteIcons(2);
    EXPECT_TRUE(manager()->icons().empty());

    // Deleting the last icon through its own delete brings a fresh icon 1.
    Ref<QVIcon> only = manager()->addIcon();
    manager()->deleteIcon(only.ptr());
    ASSERT_EQ(manager()->icons().size(), 1u);
    EXPECT_NE(icon(0).ptr(), only.ptr());
    EXPECT_EQ(icon(0)->tag(), 1);
}

// Swapping exchanges places and slots, making the target first if need be.
TEST_P(QVIconManagerTest, Swap)
{
    manager()->addIcons(4);
    screen.advance(0.5);
    icon(1)->setFrame(CGRectMake(40, 50, 10, 10));
    icon(1)->setLockedIndex(2);
    manager()->swapIconWithId(2, 2);
    manager()->swapIconWithId(2, 0);
    manager()->swapIconWithId(9, 1);
    EXPECT_EQ(manager()->icons().size(), 4u);
    EXPECT_EQ(icon(1)->frame().origin, CGPointMake(40, 50));
    manager()->swapIconWithId(2, 7);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3, 4, 5, 6, 7 }));
    EXPECT_EQ(icon(6)->frame().origin, CGPointMake(40, 50));
    EXPECT_EQ(icon(6)->lockedIndex(), 2);
    EXPECT_EQ(icon(1)->frame(), manager()->defaultIconFrame());
    EXPECT_EQ(icon(1)->lockedIndex(), -1);
}

// Placing icons: at a centre in whole points within the bounds, with a
// frame clamped to 0...bounds, and made for a cache without showing.
TEST_P(QVIconManagerTest, AddAtCentreAndWithFrame)
{
    const CGSize bounds = manager()->iconBoundaries();
    const CGSize size = screen.iconSize();
    Ref<QVIcon> centred = manager()->addIconAtCenter(CGPointMake(100.7 + size.width / 2, 200.2 + size.height / 2), 5);
    EXPECT_EQ(centred->frame().origin, CGPointMake(100, 200));
    EXPECT_EQ(centred->lockedIndex(), 5);
    Ref<QVIcon> corner = manager()->addIconAtCenter(CGPointMake(bounds.width * 3, -50), 0);
    EXPECT_EQ(corner->frame().origin, CGPointMake(bounds.width, 20)) << "y below 0 gives 0, raised to the smallest origin";
    Ref<QVIcon> framed = manager()->addIconWithFrame(CGRectMake(-5, bounds.height + 9, size.width, size.height), 3);
    EXPECT_EQ(framed->frame().origin, CGPointMake(0, bounds.height));
    EXPECT_EQ(framed->lockedIndex(), 3);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3 }));
    Ref<QVIcon> cached = manager()->iconWithFrame(CGRectMake(7, 30, size.width, size.height), 1);
    EXPECT_FALSE(cached->superview());
    EXPECT_EQ(manager()->icons().size(), 3u);
    EXPECT_EQ(cached->frame().origin, CGPointMake(7, 30));
}

// Bounds: setting them changes what icons may do, not where they are; an
// update moves every icon within them.
TEST_P(QVIconManagerTest, Boundaries)
{
    manager()->addIcons(2);
    screen.advance(0.5);
    icon(0)->setFrame(CGRectMake(200, 300, 10, 10));
    manager()->setIconBoundaries(CGSizeMake(150, 250));
    manager()->setMinimumIconPoint(CGPointMake(0, 64));
    EXPECT_EQ(icon(0)->frame().origin, CGPointMake(200, 300));
    EXPECT_EQ(icon(0)->maxPosition(), CGPointMake(150, 250));
    EXPECT_EQ(icon(1)->minimumOrigin(), CGPointMake(0, 64));
    manager()->updateAllIconsToNewBoundaries();
    EXPECT_EQ(icon(0)->frame().origin, CGPointMake(150, 250));
    EXPECT_EQ(icon(1)->frame().origin, CGPointMake(0, 64));
}

// Captions and delete buttons apply to the icons on screen and to later
// ones; cached icons come back as they were.
TEST_P(QVIconManagerTest, CaptionsAndDeleteButtons)
{
    manager()->addIcon();
    manager()->showIconNameLabels(true);
    manager()->showDeleteButtonOnIcons(true);
    Ref<QVIcon> later = manager()->addIcon();
    EXPECT_EQ(icon(0)->nameLabel()->alpha(), 1);
    EXPECT_EQ(later->nameLabel()->alpha(), 1);
    EXPECT_FALSE(later->deleteIconButton()->hidden());
    manager()->loadLandscapeOrientation();
    manager()->showIconNameLabels(false);
    manager()->showDeleteButtonOnIcons(false);
    manager()->loadPortraitOrientation();
    EXPECT_EQ(icon(0)->nameLabel()->alpha(), 1) << "cached icons keep what they showed";
    EXPECT_FALSE(icon(1)->deleteIconButton()->hidden());
}

// Selection mode: touches toggle icons, whose readouts show; the list
// keeps the order of selection; leaving the mode clears it.
TEST_P(QVIconManagerTest, Selection)
{
    manager()->addIcons(3);
    screen.advance(0.5);
    for (size_t index = 0; index < 3; ++index)
        icon(index)->setFrame(CGRectMake(10 + 100.0 * index, 100, screen.iconSize().width, screen.iconSize().height));
    manager()->setSelecting(true);
    Ref<QVIcon> later = manager()->addIcon();
    EXPECT_TRUE(later->selecting()) << "a new icon starts in the mode";
    for (size_t index : { 2u, 0u }) {
        ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, icon(index)->center()));
    }
    ASSERT_EQ(manager()->selectedIcons().size(), 2u);
    EXPECT_EQ(manager()->selectedIcons()[0].ptr(), icon(2).ptr());
    EXPECT_EQ(manager()->selectedIcons()[1].ptr(), icon(0).ptr());
    EXPECT_TRUE(icon(0)->selected());
    EXPECT_FALSE(icon(0)->positionView()->hidden());
    EXPECT_FALSE(icon(0)->selectedIcon()->hidden());
    EXPECT_EQ(icon(0)->frame().origin, CGPointMake(10, 100)) << "selecting moves nothing";
    ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, icon(2)->center()));
    ASSERT_EQ(manager()->selectedIcons().size(), 1u);
    EXPECT_TRUE(icon(2)->positionView()->hidden());
    manager()->setSelecting(false);
    EXPECT_TRUE(manager()->selectedIcons().empty());
    EXPECT_FALSE(icon(0)->selected());
    EXPECT_TRUE(icon(0)->positionView()->hidden());
}

// Turning back and forth keeps every icon of both orientations, with its
// frame, slot and grid, through adds and deletes on either side; an
// orientation never cached starts with one icon and the default grid.
TEST_P(QVIconManagerTest, OrientationCaches)
{
    Ref<QVSettings> settings = QVSettings::currentSettings();
    settings->setGridSize(CGSizeMake(4, 6));
    manager()->addIcons(3);
    screen.advance(0.5);
    icon(0)->setFrame(CGRectMake(30, 40, 10, 10));
    icon(0)->setLockedIndex(7);
    const std::vector<Ref<QVIcon>> portrait = manager()->icons();
    screen.owner->gridFrame = CGRectMake(5, 6, 7, 8);

    manager()->loadLandscapeOrientation();
    ASSERT_EQ(manager()->icons().size(), 1u);
    EXPECT_EQ(icon(0)->tag(), 1);
    EXPECT_EQ(screen.owner->restoredGridFrames.back(), CGRectZero);
    EXPECT_EQ(settings->gridSize(), QVDevice::currentDevice()->defaultNumberOfGridLines());
    for (const Ref<QVIcon>& cached : portrait)
        EXPECT_FALSE(cached->superview());
    EXPECT_EQ(manager()->portraitIconCache().size(), 3u);
    EXPECT_EQ(manager()->portraitGridFrameCache(), CGRectMake(5, 6, 7, 8));
    EXPECT_EQ(manager()->portraitGridSizeCache(), CGSizeMake(4, 6));

    manager()->addIcons(2);
    settings->setGridSize(CGSizeMake(9, 3));
    screen.owner->gridFrame = CGRectMake(1, 1, 2, 2);
    const std::vector<Ref<QVIcon>> landscape = manager()->icons();

    manager()->loadPortraitOrientation();
    EXPECT_EQ(manager()->icons(), portrait);
    EXPECT_EQ(icon(0)->frame().origin, CGPointMake(30, 40));
    EXPECT_EQ(icon(0)->lockedIndex(), 7);
    EXPECT_EQ(settings->gridSize(), CGSizeMake(4, 6));
    EXPECT_EQ(screen.owner->restoredGridFrames.back(), CGRectMake(5, 6, 7, 8));
    for (const Ref<QVIcon>& listed : manager()->icons())
        EXPECT_TRUE(onScreen(listed));

    manager()->deleteIcon(icon(1).ptr());
    manager()->loadLandscapeOrientation();
    EXPECT_EQ(manager()->icons(), landscape);
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2, 3 }));
    EXPECT_EQ(settings->gridSize(), CGSizeMake(9, 3));
    manager()->loadPortraitOrientation();
    ASSERT_EQ(manager()->icons().size(), 2u);
    EXPECT_EQ(icon(0).ptr(), portrait[0].ptr());
    EXPECT_EQ(icon(1).ptr(), portrait[2].ptr());
    EXPECT_EQ(screen.ids(), (std::vector<int64_t> { 1, 2 }));
}

// The icons of the orientation that goes off screen leave the selection.
TEST_P(QVIconManagerTest, RestoreDropsTheOutgoingSelection)
{
    manager()->addIcons(2);
    manager()->setSelecting(true);
    manager()->iconHasBeenSelected(1, true);
    manager()->iconHasBeenSelected(2, true);
    ASSERT_EQ(manager()->selectedIcons().size(), 2u);
    manager()->loadLandscapeOrientation();
    EXPECT_TRUE(manager()->selectedIcons().empty());
}

// A new icon picture reaches the icons on the screen and those cached.
TEST_P(QVIconManagerTest, IconImageReachesCachedIcons)
{
    manager()->addIcon();
    manager()->loadLandscapeOrientation();
    Ref<QVIcon> cached = manager()->portraitIconCache().at(0);
    PixelBuffer pixels(2, 2);
    RefPtr<UIImage> picture = UIImage::imageWithPixels(pixels);
    ASSERT_TRUE(picture);
    QVSettings::currentSettings()->setCurrentIconImage(picture);
    manager()->iconImageChanged();
    EXPECT_EQ(icon(0)->iconImageView()->image().get(), picture.get());
    EXPECT_EQ(cached->iconImageView()->image().get(), picture.get());
    QVSettings::currentSettings()->resetCurrentIconImage();
}

// A cached grid size from a file is held within what the grid draws.
TEST_P(QVIconManagerTest, RestoredGridSizeIsBounded)
{
    manager()->setLandscapeGridSizeCache(CGSizeMake(5000, 1));
    manager()->loadLandscapeOrientation();
    EXPECT_EQ(QVSettings::currentSettings()->gridSize(), CGSizeMake(100, 1));
}

// Icons that come from a cache take the bounds set when they come, not
// those they were cached with (a folder's): the icons a layout filled the
// cache with and those put away by a turn alike.
TEST_P(QVIconManagerTest, RestoredIconsTakeTheBoundsSetNow)
{
    auto bounds = [&](bool folder) {
        manager()->setMinimumIconPoint(folder ? CGPointMake(24, 128) : CGPointMake(0, 0));
        manager()->setIconBoundaries(folder ? CGSizeMake(237, 340) : CGSizeMake(400, 500));
    };
    auto expectWholeScreenOpen = [&](const char* how) {
        Ref<QVIcon> restored = icon(0);
        EXPECT_EQ(restored->minimumOrigin(), CGPointMake(0, 0)) << how;
        EXPECT_EQ(restored->maxPosition(), CGPointMake(400, 500)) << how;
        restored->setFrame(CGRectMake(10, 40, 59, 60));
        EXPECT_EQ(restored->frame().origin, CGPointMake(10, 40)) << how;
    };
    bounds(true);
    manager()->setLandscapeIconCache({ manager()->iconWithFrame(CGRectMake(30, 130, 59, 60), -1) });
    bounds(false);
    manager()->loadLandscapeOrientation();
    expectWholeScreenOpen("filled by a layout");

    bounds(true);
    manager()->loadPortraitOrientation();
    bounds(false);
    manager()->loadLandscapeOrientation();
    expectWholeScreenOpen("put away by a turn");
}

INSTANTIATE_TEST_SUITE_P(Devices, QVIconManagerTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
