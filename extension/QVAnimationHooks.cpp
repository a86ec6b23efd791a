// Icons near a launched app or an opening folder fade out of the
// animation's way and come back when it is cleaned up or after an unlock.

#include "QVHooks.h"
#include "QVLayoutManager.h"
#include "QVPreferences.h"
#include "platform/SpringBoard/SBDockIconListView.h"
#include "platform/SpringBoard/SBIconContentView.h"

#include <cmath>

namespace qv {

namespace {

// Around an icon: its size, 10 points wider and 30 taller.
constexpr double searchExtraWidth = 10.0;
constexpr double searchExtraHeight = 30.0;
// The nearest slot is looked for within 1800 points, and within 50
// vertically.
constexpr double farthestSquaredDistance = 3240000.0;
constexpr double farthestVerticalDistance = 50.0;
constexpr double fadeOutDuration = 0.3;
constexpr double showAfterUnlockDelay = 0.5;

bool hidingIcons(bool evenWithReducedMotion = false)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    return preferences && preferences->enabled() && preferences->hiddenIconsEnabled() && (evenWithReducedMotion || !preferences->reduceMotionEnabled());
}

CGPoint slotCenter(SBIconListView* list, uint64_t index, double iconWidth)
{
    CGPoint origin = list->originForIconAtIndex(index);
    return CGPointMake(origin.x + iconWidth / 2, origin.y + iconWidth / 2);
}

// The list an animation from an icon starts on: the open folder's page when
// folder layouts are on, else the home screen's page on screen.
RefPtr<SBIconListView> animatedList(SBIconController& controller)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    RefPtr<SBIconListView> folderList = controller.currentFolderIconList();
    if (folderList && preferences && preferences->folderLayoutsEnabled())
        return folderList;
    return controller.currentRootIconList();
}

void hideAroundIcon(SBIcon* icon)
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    RefPtr<SBIconListView> list = controller ? animatedList(*controller) : nullptr;
    if (!list || !manager || !icon)
        return;
    // Only an icon on that list has neighbours there to fade.
    RefPtr<NSArray> icons = list->icons();
    if (icons && icons->containsObject(icon))
        manager->hideIconViews(QVIconListMessages::allIconsConflictingWithAnimationFromIcon(list, icon), fadeOutDuration);
}

} // namespace

RefPtr<NSArray> allIconsConflictingWithAnimationAtPoint(SBIconListView* self, SEL, CGPoint point, SBIcon* exception, CGSize searchArea)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled() || preferences->reduceMotionEnabled())
        return nullptr;
    RefPtr<NSArray> icons = self->icons();
    Ref<NSArray> views = NSArray::create();
    double iconWidth = self->defaultIconSize().width;
    for (uint64_t index = 0; icons && index < icons->count(); ++index) {
        CGPoint center = slotCenter(self, index, iconWidth);
        RefPtr<SBIcon> icon = icons->objectAtIndex<SBIcon>(index);
        if (!icon || (exception && icon.get() == exception))
            continue;
        if (std::fabs(center.x - point.x) <= searchArea.width && std::fabs(center.y - point.y) <= searchArea.height) {
            if (RefPtr<SBIconView> view = self->viewForIcon(icon.get()))
                views->addObject(view.toRef());
        }
    }
    return views->count() ? RefPtr<NSArray>(views) : nullptr;
}

RefPtr<NSArray> allIconsConflictingWithAnimationFromIcon(SBIconListView* self, SEL, SBIcon* icon)
{
    CGSize size = self->defaultIconSize();
    CGPoint origin = self->originForIcon(icon);
    CGPoint center = CGPointMake(origin.x + size.width / 2, origin.y + size.width / 2);
    return QVIconListMessages::allIconsConflictingWithAnimationAtPoint(self, center, icon,
        CGSizeMake(size.width + searchExtraWidth, size.height + searchExtraHeight));
}

RefPtr<NSArray> allIconsConflictingWithCenterAnimation(SBIconListView* self, SEL)
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBIconContentView> contentView = controller ? controller->contentView() : nullptr;
    CGSize content = contentView ? contentView->frame().size : CGSizeZero;
    double dock = SBDockIconListViewMessages::defaultHeight(QVClassCache::dockIconListView());
    CGSize icon = self->defaultIconSize();
    return QVIconListMessages::allIconsConflictingWithAnimationAtPoint(self, CGPointMake(content.width / 2, content.height / 2 - dock), nullptr,
        CGSizeMake(icon.width / 2, icon.height));
}

uint64_t closestIndexToPoint(SBIconListView* self, SEL, CGPoint point)
{
    RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences();
    if (!preferences || !preferences->enabled())
        return NSNotFound;
    RefPtr<NSArray> icons = self->icons();
    uint64_t count = icons ? icons->count() : 0;
    if (!count)
        return 0;
    uint64_t best = count;
    double iconWidth = self->defaultIconSize().width;
    CGPoint listOrigin = self->bounds().origin;
    CGPoint local = CGPointMake(point.x - listOrigin.x, point.y - listOrigin.y);
    double bestDistance = farthestSquaredDistance;
    for (uint64_t index = 0; index < icons->count(); ++index) {
        CGPoint center = slotCenter(self, index, iconWidth);
        double dx = std::fabs(center.x - local.x);
        double dy = std::fabs(center.y - local.y);
        double distance = dx * dx + dy * dy;
        if (distance < bestDistance && dy <= farthestVerticalDistance) {
            best = index;
            bestDistance = distance;
        }
    }
    return best;
}

bool SBApplication_icon_launchFromLocation_hook(SBApplication* self, SEL, SBIcon* icon, SBIconLocation location)
{
    bool launched = QVSaved::iconLaunchFromLocation(self, icon, location);
    if (!hidingIcons())
        return launched;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (controller && QVClassCache::isKindOf(icon, QVClassCache::folderIcon()) && controller->isEditing())
        return launched;
    hideAroundIcon(icon);
    return launched;
}

void SBFolderController_pushFolder_animated_completion_hook(SBFolderController* self, SEL, SBFolder* folder, bool animated, SBCompletionBlock* completion)
{
    // A folder opened in edit mode moves nothing out of the way, as a tap
    // on a folder icon there launches nothing.
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    bool editing = controller && controller->isEditing();
    if (animated && !editing && hidingIcons() && folder) {
        RefPtr<SBFolderIcon> folderIcon = folder->icon();
        hideAroundIcon(folderIcon.get());
    }
    QVSaved::pushFolder(self, folder, animated, completion);
}

void SBLockScreenViewController_finishUIUnlockFromSource_hook(SBLockScreenViewController* self, SEL, int32_t source)
{
    QVSaved::finishUIUnlockFromSource(self, source);
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    // Views faded before a switch went off come back all the same.
    if (manager && (hidingIcons(true) || manager->hiddenIconViews()))
        manager->showIconViewsAfterDelay(showAfterUnlockDelay);
}

void SBIconAnimator_cleanupAnimation_hook(SBIconAnimator* self, SEL)
{
    QVSaved::_cleanupAnimation(self);
    RefPtr<QVLayoutManager> manager = QVLayoutManager::sharedInstance();
    if (manager && (hidingIcons(true) || manager->hiddenIconViews()))
        manager->showIconViews();
}

void SpringBoard_applicationDidFinishLaunching_hook(SpringBoard* self, SEL, objc_object* application)
{
    if (RefPtr<QVPreferences> preferences = QVPreferences::currentPreferences())
        preferences->reloadSettings();
    QVSaved::applicationDidFinishLaunching(self, application);
}

} // namespace qv
