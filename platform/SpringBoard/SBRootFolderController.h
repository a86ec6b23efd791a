#pragma once

#include "SBDockIconListView.h"
#include "SBFolderController.h"
#include "SBRootFolder.h"

namespace qv {

// The home screen's controller: its pages and the dock, straight in the
// content view, and the folder pushed on top of them.
class SBRootFolderController : public SBFolderController {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBRootFolderController> create(Ref<SBRootFolder> folder, UIView& contentView, int64_t orientation);


    RefPtr<SBDockIconListView> dockListView() const { return m_dockListView; }
    void placeForOrientation(int64_t orientation, CGRect contentBounds) override;

private:
    SBRootFolderController(Ref<SBRootFolder> folder, UIView& contentView);
    ~SBRootFolderController() override = default;

    Ref<SBIconListView> makeListView(Ref<SBIconListModel> model, int64_t orientation) override;
    RefPtr<UIView> listContainer() const override;

    WeakPtr<UIView> m_contentView;
    RefPtr<SBDockIconListView> m_dockListView;
};

} // namespace qv
