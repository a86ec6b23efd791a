#pragma once

// The methods the extension installs in SpringBoard, in install order: the
// replacements with the place of each one's saved implementation, and the
// methods it adds to SpringBoard's icon lists.

#include "QVExtensionMessages.h"
#include "platform/SpringBoard/SBApplication.h"
#include "platform/SpringBoard/SBFolderController.h"
#include "platform/SpringBoard/SBFolderIcon.h"
#include "platform/SpringBoard/SBIconAnimator.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SBIconListView.h"
#include "platform/SpringBoard/SBLockScreenViewController.h"
#include "platform/SpringBoard/SpringBoard.h"

namespace qv {

// Process-wide flags of the extension.
struct QVExtensionState {
    // The Infiniboard library file was there when the extension loaded.
    static inline bool infiniboardInstalled = false;
    // A move of overflowing icons is in progress.
    static inline bool movingOverflowIcons = false;
    // The reset argument of the placeholder toggle in progress.
    static inline bool placeholderToggleBusy = false;
};

// What each replacement replaced: SpringBoard's own implementation, which it
// calls to pass a call on. An absent one answers zero instead of being called.
struct QVSaved {
    static inline ObjCSavedImplementation<objc_class, uint64_t()> maxIcons;
    static inline ObjCSavedImplementation<objc_class, uint64_t(int64_t)> iconRowsForInterfaceOrientation;
    static inline ObjCSavedImplementation<objc_class, uint64_t(int64_t)> maxVisibleIconRowsInterfaceOrientation;
    static inline ObjCSavedImplementation<SBIconListView, CGPoint(SBIconCoordinate)> centerForIconCoordinate;
    static inline ObjCSavedImplementation<SBIconListView, CGPoint(SBIcon*)> centerForIcon;
    static inline ObjCSavedImplementation<SBIconListView, void(int64_t)> prepareToRotateToInterfaceOrientation;
    static inline ObjCSavedImplementation<SBIconListView, uint64_t(CGPoint)> rowAtPoint;
    static inline ObjCSavedImplementation<SBIconListView, uint64_t(CGPoint)> columnAtPoint;
    static inline ObjCSavedImplementation<SBIconListView, CGPoint(SBIcon*)> originForIcon;
    static inline ObjCSavedImplementation<SBIconListView, CGPoint(SBIconCoordinate)> originForIconAtCoordinate;
    static inline ObjCSavedImplementation<SBIconListView, CGPoint(uint64_t)> originForIconAtIndex;
    static inline ObjCSavedImplementation<SBIconListView, void(bool)> setEditing;
    static inline ObjCSavedImplementation<SBIconListView, void(bool)> compactIcons;
    static inline ObjCSavedImplementation<SBApplication, bool(SBIcon*, SBIconLocation)> iconLaunchFromLocation;
    static inline ObjCSavedImplementation<SBIconController, void(SBIcon*)> iconHandleLongPress;
    static inline ObjCSavedImplementation<SBIconController, void(SBIcon*, bool)> iconTouchEnded;
    static inline ObjCSavedImplementation<objc_class, uint64_t()> _maxIconsInGridImage;
    static inline ObjCSavedImplementation<SBLockScreenViewController, void(int32_t)> finishUIUnlockFromSource;
    static inline ObjCSavedImplementation<SBFolderController, void(SBFolder*, bool, SBCompletionBlock*)> pushFolder;
    static inline ObjCSavedImplementation<SpringBoard, void(objc_object*)> applicationDidFinishLaunching;
    static inline ObjCSavedImplementation<SBIconAnimator, void()> _cleanupAnimation;
};

// Installs every method of the table, in its order.
void QVInstallMethods();

// Icon capacity.
uint64_t SBIconListView_maxIcons_hook(Class self, SEL selector);
uint64_t SBIconListView_iconRowsForInterfaceOrientation_hook(Class self, SEL selector, int64_t orientation);
uint64_t SBIconListView_maxVisibleIconRowsInterfaceOrientation_hook(Class self, SEL selector, int64_t orientation);
uint64_t SBFolderIcon_maxIconsInGridImage_hook(Class self, SEL selector);

// Icon placement.
bool isFolderListView(SBIconListView* self, SEL selector);
bool isRootListView(SBIconListView* self, SEL selector);
uint64_t indexForCurrentIconList(SBIconListView* self, SEL selector);
CGPoint SBIconListView_centerForIconCoordinate_hook(SBIconListView* self, SEL selector, SBIconCoordinate coordinate);
CGPoint SBIconListView_centerForIcon_hook(SBIconListView* self, SEL selector, SBIcon* icon);
void SBIconListView_prepareToRotateToInterfaceOrientation_hook(SBIconListView* self, SEL selector, int64_t orientation);
uint64_t SBIconListView_rowAtPoint_hook(SBIconListView* self, SEL selector, CGPoint point);
uint64_t SBIconListView_columnAtPoint_hook(SBIconListView* self, SEL selector, CGPoint point);
CGPoint SBIconListView_originForIcon_hook(SBIconListView* self, SEL selector, SBIcon* icon);
CGPoint SBIconListView_originForIconAtCoordinate_hook(SBIconListView* self, SEL selector, SBIconCoordinate coordinate);
CGPoint SBIconListView_originForIconAtIndex_hook(SBIconListView* self, SEL selector, uint64_t index);
// The list gate: the extension is on, the list is a home-screen page or a
// folder page, and a folder page only with folder layouts on.
bool QVListPassesGate(SBIconListView* list);
// The folder a list shows, through SpringBoard's private _model; null for a
// list without a model or folder.
RefPtr<SBFolder> QVFolderOfList(SBIconListView* list);
// The layout that governs a list: its folder's for a folder page, its
// page's otherwise; null for none.
RefPtr<NSDictionary> QVLayoutForList(SBIconListView* list);

// Overflow to later pages.
void moveAllIconsFromIndexToFirstAvailablePage(SBIconListView* self, SEL selector, uint64_t index);
bool moveIconToFirstAvailablePage(SBIconListView* self, SEL selector, SBIcon* icon);

// Icons out of the way of animations.
RefPtr<NSArray> allIconsConflictingWithAnimationAtPoint(SBIconListView* self, SEL selector, CGPoint point, SBIcon* exception, CGSize searchArea);
RefPtr<NSArray> allIconsConflictingWithAnimationFromIcon(SBIconListView* self, SEL selector, SBIcon* icon);
RefPtr<NSArray> allIconsConflictingWithCenterAnimation(SBIconListView* self, SEL selector);
uint64_t closestIndexToPoint(SBIconListView* self, SEL selector, CGPoint point);
bool SBApplication_icon_launchFromLocation_hook(SBApplication* self, SEL selector, SBIcon* icon, SBIconLocation location);
void SBFolderController_pushFolder_animated_completion_hook(SBFolderController* self, SEL selector, SBFolder* folder, bool animated,
    SBCompletionBlock* completion);
void SBLockScreenViewController_finishUIUnlockFromSource_hook(SBLockScreenViewController* self, SEL selector, int32_t source);
void SBIconAnimator_cleanupAnimation_hook(SBIconAnimator* self, SEL selector);
void SpringBoard_applicationDidFinishLaunching_hook(SpringBoard* self, SEL selector, objc_object* application);

// Placeholder slots.
void toggleQVPlaceholderIcons(SBIconListView* self, SEL selector, bool show, bool animated, bool reset);
void toggleQVPlaceholderIconsAfterDelay(SBIconListView* self, SEL selector);
void SBIconListView_setEditing_hook(SBIconListView* self, SEL selector, bool editing);
void SBIconListView_compactIcons_hook(SBIconListView* self, SEL selector, bool animated);
void SBIconController_iconHandleLongPress_hook(SBIconController* self, SEL selector, SBIcon* icon);
void SBIconController_icon_touchEnded_hook(SBIconController* self, SEL selector, SBIcon* icon, bool touchEnded);

} // namespace qv
