#pragma once

#include "SBCompletionBlock.h"
#include "SBFolder.h"
#include "SBFolderBackgroundView.h"
#include "SBIconListModel.h"
#include "SBIconListView.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

#include <vector>

namespace qv {

class UIView;

// Shows one folder's pages, one list view per page. A folder's controller
// shows them on a folder background in the content view while the folder
// is open; the root folder's controller (SBRootFolderController) shows the
// home screen's pages and pushes the folder that opens on top of it.
class SBFolderController : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // For a folder (or the newsstand), with its pages in the orientation.
    static Ref<SBFolderController> create(Ref<SBFolder> folder, int64_t orientation);


    // Messages, sent through the runtime.
    RefPtr<SBFolder> folder();
    // The list views of the pages, in order.
    RefPtr<NSArray> iconListViews();
    // This controller and the controllers pushed on it, outermost first.
    RefPtr<NSArray> folderControllers();
    // pushFolder:animated:completion: opens a folder on top of this
    // controller's (closing one open before): its background and pages
    // come into the content view and are laid out; animated, the folder
    // zooms open from its icon (SBFolderIconZoomAnimator). The completion
    // runs when the folder is open.
    void pushFolder(SBFolder* folder, bool animated, SBCompletionBlock* completion);

    // SpringBoard's own access.
    const Ref<SBFolder>& folderObject() const { return m_folder; }
    std::vector<Ref<SBIconListView>> listViews() const { return m_listViews; }
    // The page's list view; with createIfNecessary, a new page right after
    // the last is made first. Null otherwise.
    RefPtr<SBIconListView> listViewAtIndex(uint64_t index, bool createIfNecessary);
    // NSNotFound for a list of another controller.
    uint64_t indexOfListView(const SBIconListView* listView) const;
    RefPtr<SBFolderController> innerFolderController() const { return m_innerFolderController; }
    // Closes the folder pushed on this controller, if any: at once, or,
    // animated, zooming back into its icon while its background fades out.
    void popFolder(bool animated = false);
    // The page on screen; only it is shown.
    uint64_t currentPageIndex() const { return m_currentPageIndex; }
    bool setCurrentPageIndex(uint64_t index);
    RefPtr<SBIconListView> currentIconListView() const;
    // The panel the folder's pages lie on; null for the root folder.
    virtual RefPtr<SBFolderBackgroundView> backgroundView() const { return m_backgroundView; }
    // Places the pages (and the background) for the orientation in a
    // content view of the given bounds.
    virtual void placeForOrientation(int64_t orientation, CGRect contentBounds);

protected:
    SBFolderController(Ref<SBFolder> folder, RefPtr<SBFolderBackgroundView> backgroundView);
    ~SBFolderController() override = default;

    // Makes the list views of the folder's pages.
    void makeListViews(int64_t orientation);
    virtual Ref<SBIconListView> makeListView(Ref<SBIconListModel> model, int64_t orientation);
    // Where the list views go.
    virtual RefPtr<UIView> listContainer() const;
    void showCurrentPageOnly();

private:
    void stockPushFolder(SBFolder* folder, bool animated, SBCompletionBlock* completion);

    Ref<SBFolder> m_folder;
    RefPtr<SBFolderBackgroundView> m_backgroundView;
    std::vector<Ref<SBIconListView>> m_listViews;
    RefPtr<SBFolderController> m_innerFolderController;
    uint64_t m_currentPageIndex = 0;
};

struct SBFolderControllerMessages {
    static inline const ObjCMessage<SBFolderController, RefPtr<SBFolder>()> folder { "folder" };
    static inline const ObjCMessage<SBFolderController, RefPtr<NSArray>()> iconListViews { "iconListViews" };
    static inline const ObjCMessage<SBFolderController, RefPtr<NSArray>()> folderControllers { "folderControllers" };
    static inline const ObjCMessage<SBFolderController, void(SBFolder*, bool, SBCompletionBlock*)> pushFolder { "pushFolder:animated:completion:" };
};

} // namespace qv
