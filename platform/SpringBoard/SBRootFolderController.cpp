#include "SBRootFolderController.h"

#include "SBDockIconListView.h"
#include "SBIconListModel.h"
#include "SBRootFolder.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBRootFolderController::registerClass()
{
    SBDefineClass<SBRootFolderController>("SBFolderController", "SBRootFolderController", [](Class) { });
}

Ref<SBRootFolderController> SBRootFolderController::create(Ref<SBRootFolder> folder, UIView& contentView, int64_t orientation)
{
    Ref<SBRootFolderController> controller = makeRef<SBRootFolderController>(folder, contentView);
    controller->makeListViews(orientation);
    Ref<SBDockIconListView> dock = SBDockIconListView::create(folder->dockListModel(), orientation);
    dock->setFrame(dock->frameForOrientation(orientation));
    contentView.addSubview(dock);
    controller->m_dockListView = dock;
    return controller;
}

SBRootFolderController::SBRootFolderController(Ref<SBRootFolder> folder, UIView& contentView)
    : SBFolderController(std::move(folder), nullptr)
    , m_contentView(contentView)
{
}

Ref<SBIconListView> SBRootFolderController::makeListView(Ref<SBIconListModel> model, int64_t orientation)
{
    return SBIconListView::create(std::move(model), orientation, "SBRootIconListView");
}

RefPtr<UIView> SBRootFolderController::listContainer() const
{
    return m_contentView.lock();
}

void SBRootFolderController::placeForOrientation(int64_t orientation, CGRect contentBounds)
{
    SBFolderController::placeForOrientation(orientation, contentBounds);
    if (m_dockListView)
        m_dockListView->setFrame(m_dockListView->frameForOrientation(orientation));
}

} // namespace qv
