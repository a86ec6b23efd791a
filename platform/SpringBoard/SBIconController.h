#pragma once

#include "SBApplication.h"
#include "SBIcon.h"
#include "SBIconContentView.h"
#include "SBRootFolder.h"
#include "SBRootFolderController.h"
#include "SpringBoardTypes.h"
#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

#include <string>
#include <vector>

namespace qv {

class SBFolder;
class SBFolderController;
class SBIconListView;
class SBIconView;

// The home screen: the root folder with its pages and dock, the folder
// controllers that show them, the page on screen, the open folder, edit
// mode and the icon a finger holds. One per process (sharedInstance), made
// from the device's home screen on first use.
//
// The messages below are SpringBoard's and go through the runtime, so that
// an extension's replacements take effect; the C++ operations after them
// are what the home screen does when the user acts (they send SpringBoard's
// messages on the way).
class SBIconController : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // A controller for the home screen in the current orientation of a new
    // controller (portrait).
    static Ref<SBIconController> create(Ref<SBRootFolder> rootFolder);

    // Messages, sent through the runtime. Page indexes count from 0.
    static RefPtr<SBIconController> sharedInstance();
    RefPtr<SBIconContentView> contentView();
    int64_t orientation();
    bool isEditing();
    RefPtr<SBRootFolder> rootFolder();
    uint64_t currentIconListIndex();
    bool _iconListIndexIsValid(uint64_t index);
    RefPtr<SBIconListView> rootIconListAtIndex(uint64_t index);
    RefPtr<SBIconListView> currentRootIconList();
    // The open folder's page on screen; nil with no folder open.
    RefPtr<SBIconListView> currentFolderIconList();
    RefPtr<SBIconListView> dockListView();
    RefPtr<SBFolderController> _openFolderController();
    RefPtr<SBRootFolderController> _rootFolderController();
    // The icon a finger holds; nil when none is held.
    RefPtr<SBIcon> grabbedIcon();
    // The list view of a folder's page (the root folder's or another's);
    // with createIfNecessary the page right after the last is made. Nil
    // for any other index.
    RefPtr<SBIconListView> iconListViewAtIndex(uint64_t index, SBFolder* inFolder, bool createIfNecessary);
    // Puts the icon into the list at the index (at the end for an index
    // past it); a list that then holds more than its class's maxIcons
    // passes its last icons on to the next page of its folder. The lists
    // are laid out at once with moveNow, else on the next pass of the run
    // loop.
    void insertIcon(SBIcon* icon, SBIconListView* intoListView, uint64_t iconIndex, bool moveNow);
    // A long press on an icon: edit mode begins and the icon is held.
    void iconHandleLongPress(SBIcon* icon);
    // icon:touchEnded: the finger left the icon: a held icon drops into
    // its slot.
    void icon(SBIcon* icon, bool touchEnded);

    // What the home screen does.
    Ref<SBIconContentView> contentViewObject() const { return m_contentView; }
    Ref<SBRootFolderController> rootFolderControllerObject() const { return m_rootFolderController; }
    // Lays every list out for the first time.
    void finishLaunching();
    void setIsEditing(bool editing);
    // Shows another page: of the open folder when one is open, else of the
    // home screen. NO for a page that does not exist.
    bool scrollToIconListAtIndex(uint64_t index);
    // The held icon follows the finger to a point of the content view, and
    // the icons of its list make way for it where it would drop.
    void dragGrabbedIconToPoint(CGPoint point);
    // Launches an application icon, or opens a folder icon's folder. NO
    // for an icon that cannot be launched (a placeholder).
    bool launchIcon(SBIcon& icon);
    void openFolder(SBFolder& folder, bool animated);
    // Closes the open folder, zooming it back into its icon as the device
    // does unless told otherwise.
    void closeFolder(bool animated = true);
    void rotateToInterfaceOrientation(int64_t orientation);

    // Every list view: the pages, the dock and every folder's pages.
    std::vector<Ref<SBIconListView>> allIconLists() const;
    // The controllers of the folders, in the order of the home screen.
    std::vector<Ref<SBFolderController>> folderControllersOfFolders() const { return m_folderControllers; }
    RefPtr<SBFolderController> folderControllerForFolder(const SBFolder* folder) const;
    // The first icon of that name: on the lists on screen first, then
    // anywhere.
    RefPtr<SBIcon> iconNamed(const std::string& name) const;
    // The list on screen that shows the icon (the open folder's page, the
    // page on screen or the dock), or null.
    RefPtr<SBIconListView> visibleListContainingIcon(const SBIcon* icon) const;
    RefPtr<SBIconView> visibleViewForIcon(const SBIcon* icon) const;
    std::vector<Ref<SBIconListView>> visibleIconLists() const;

    void noteApplicationLaunched(SBApplication& application);
    RefPtr<SBApplication> lastLaunchedApplication() const { return m_lastLaunchedApplication; }

private:
    explicit SBIconController(Ref<SBRootFolder> rootFolder);
    ~SBIconController() override = default;

    RefPtr<SBIconListView> stockIconListViewAtIndex(uint64_t index, SBFolder* folder, bool createIfNecessary);
    void stockInsertIcon(SBIcon* icon, SBIconListView* listView, uint64_t index, bool moveNow);
    void stockIconHandleLongPress(SBIcon* icon);
    void stockIconTouchEnded(SBIcon* icon, bool ended);
    RefPtr<SBFolderController> controllerShowing(const SBFolder* folder) const;

    Ref<SBRootFolder> m_rootFolder;
    Ref<SBIconContentView> m_contentView;
    Ref<SBRootFolderController> m_rootFolderController;
    std::vector<Ref<SBFolderController>> m_folderControllers;
    int64_t m_orientation = UIInterfaceOrientationPortrait;
    bool m_editing = false;
    RefPtr<SBIcon> m_grabbedIcon;
    RefPtr<SBApplication> m_lastLaunchedApplication;
};

struct SBIconControllerMessages {
    static inline const ObjCClassMessage<RefPtr<SBIconController>()> sharedInstance { "sharedInstance" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconContentView>()> contentView { "contentView" };
    static inline const ObjCMessage<SBIconController, int64_t()> orientation { "orientation" };
    static inline const ObjCMessage<SBIconController, bool()> isEditing { "isEditing" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBRootFolder>()> rootFolder { "rootFolder" };
    static inline const ObjCMessage<SBIconController, uint64_t()> currentIconListIndex { "currentIconListIndex" };
    static inline const ObjCMessage<SBIconController, bool(uint64_t)> _iconListIndexIsValid { "_iconListIndexIsValid:" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconListView>(uint64_t)> rootIconListAtIndex { "rootIconListAtIndex:" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconListView>()> currentRootIconList { "currentRootIconList" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconListView>()> currentFolderIconList { "currentFolderIconList" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconListView>()> dockListView { "dockListView" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBFolderController>()> _openFolderController { "_openFolderController" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBRootFolderController>()> _rootFolderController { "_rootFolderController" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIcon>()> grabbedIcon { "grabbedIcon" };
    static inline const ObjCMessage<SBIconController, RefPtr<SBIconListView>(uint64_t, SBFolder*, bool)> iconListViewAtIndex {
        "iconListViewAtIndex:inFolder:createIfNecessary:"
    };
    static inline const ObjCMessage<SBIconController, void(SBIcon*, SBIconListView*, uint64_t, bool)> insertIcon {
        "insertIcon:intoListView:iconIndex:moveNow:"
    };
    static inline const ObjCMessage<SBIconController, void(SBIcon*)> iconHandleLongPress { "iconHandleLongPress:" };
    static inline const ObjCMessage<SBIconController, void(SBIcon*, bool)> iconTouchEnded { "icon:touchEnded:" };
};

} // namespace qv
