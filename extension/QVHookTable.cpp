#include "QVHooks.h"

namespace qv {

void QVInstallMethods()
{
    using List = SBIconListViewMessages;
    using Added = QVIconListMessages;
    Class list = objc_getClass("SBIconListView");
    Class listMeta = object_getClass(list);
    MSHookMessageEx(listMeta, List::maxIcons, &SBIconListView_maxIcons_hook, &QVSaved::maxIcons);
    MSHookMessageEx(listMeta, List::iconRowsForInterfaceOrientation, &SBIconListView_iconRowsForInterfaceOrientation_hook,
        &QVSaved::iconRowsForInterfaceOrientation);
    MSHookMessageEx(listMeta, List::maxVisibleIconRowsInterfaceOrientation, &SBIconListView_maxVisibleIconRowsInterfaceOrientation_hook,
        &QVSaved::maxVisibleIconRowsInterfaceOrientation);
    Added::isFolderListView.addMethod(list, &isFolderListView);
    Added::isRootListView.addMethod(list, &isRootListView);
    MSHookMessageEx(list, List::centerForIconCoordinate, &SBIconListView_centerForIconCoordinate_hook, &QVSaved::centerForIconCoordinate);
    MSHookMessageEx(list, List::centerForIcon, &SBIconListView_centerForIcon_hook, &QVSaved::centerForIcon);
    Added::allIconsConflictingWithAnimationFromIcon.addMethod(list, &allIconsConflictingWithAnimationFromIcon);
    Added::allIconsConflictingWithCenterAnimation.addMethod(list, &allIconsConflictingWithCenterAnimation);
    Added::allIconsConflictingWithAnimationAtPoint.addMethod(list, &allIconsConflictingWithAnimationAtPoint);
    Added::closestIndexToPoint.addMethod(list, &closestIndexToPoint);
    MSHookMessageEx(list, List::prepareToRotateToInterfaceOrientation, &SBIconListView_prepareToRotateToInterfaceOrientation_hook,
        &QVSaved::prepareToRotateToInterfaceOrientation);
    MSHookMessageEx(list, List::rowAtPoint, &SBIconListView_rowAtPoint_hook, &QVSaved::rowAtPoint);
    MSHookMessageEx(list, List::columnAtPoint, &SBIconListView_columnAtPoint_hook, &QVSaved::columnAtPoint);
    MSHookMessageEx(list, List::originForIcon, &SBIconListView_originForIcon_hook, &QVSaved::originForIcon);
    MSHookMessageEx(list, List::originForIconAtCoordinate, &SBIconListView_originForIconAtCoordinate_hook, &QVSaved::originForIconAtCoordinate);
    Added::indexForCurrentIconList.addMethod(list, &indexForCurrentIconList);
    MSHookMessageEx(list, List::originForIconAtIndex, &SBIconListView_originForIconAtIndex_hook, &QVSaved::originForIconAtIndex);
    Added::moveAllIconsFromIndexToFirstAvailablePage.addMethod(list, &moveAllIconsFromIndexToFirstAvailablePage);
    Added::moveIconToFirstAvailablePage.addMethod(list, &moveIconToFirstAvailablePage);
    Added::toggleQVPlaceholderIcons.addMethod(list, &toggleQVPlaceholderIcons);
    MSHookMessageEx(list, List::setEditing, &SBIconListView_setEditing_hook, &QVSaved::setEditing);
    MSHookMessageEx(list, List::compactIcons, &SBIconListView_compactIcons_hook, &QVSaved::compactIcons);
    Added::toggleQVPlaceholderIconsAfterDelay.addMethod(list, &toggleQVPlaceholderIconsAfterDelay);

    // The other classes are looked up just before their own install.
    MSHookMessageEx(objc_getClass("SBApplication"), SBApplicationMessages::iconLaunchFromLocation, &SBApplication_icon_launchFromLocation_hook,
        &QVSaved::iconLaunchFromLocation);
    MSHookMessageEx(objc_getClass("SBIconController"), SBIconControllerMessages::iconHandleLongPress, &SBIconController_iconHandleLongPress_hook,
        &QVSaved::iconHandleLongPress);
    MSHookMessageEx(objc_getClass("SBIconController"), SBIconControllerMessages::iconTouchEnded, &SBIconController_icon_touchEnded_hook,
        &QVSaved::iconTouchEnded);
    MSHookMessageEx(object_getClass(objc_getClass("SBFolderIcon")), SBFolderIconMessages::_maxIconsInGridImage, &SBFolderIcon_maxIconsInGridImage_hook,
        &QVSaved::_maxIconsInGridImage);
    MSHookMessageEx(objc_getClass("SBLockScreenViewController"), SBLockScreenViewControllerMessages::finishUIUnlockFromSource,
        &SBLockScreenViewController_finishUIUnlockFromSource_hook, &QVSaved::finishUIUnlockFromSource);
    MSHookMessageEx(objc_getClass("SBFolderController"), SBFolderControllerMessages::pushFolder, &SBFolderController_pushFolder_animated_completion_hook,
        &QVSaved::pushFolder);
    MSHookMessageEx(objc_getClass("SpringBoard"), SpringBoardMessages::applicationDidFinishLaunching, &SpringBoard_applicationDidFinishLaunching_hook,
        &QVSaved::applicationDidFinishLaunching);
    MSHookMessageEx(objc_getClass("SBIconAnimator"), SBIconAnimatorMessages::_cleanupAnimation, &SBIconAnimator_cleanupAnimation_hook,
        &QVSaved::_cleanupAnimation);
}

} // namespace qv
