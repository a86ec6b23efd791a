#include "SBFolderController.h"

#include "SBCompletionBlock.h"
#include "SBFolder.h"
#include "SBFolderBackgroundView.h"
#include "SBFolderIconZoomAnimator.h"
#include "SBIconContentView.h"
#include "SBIconController.h"
#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSArray.h"

namespace qv {

void SBFolderController::registerClass()
{
    SBDefineClass<SBFolderController>("NSObject", "SBFolderController", [](Class cls) {
        SBFolderControllerMessages::folder.addMethod(cls, [](SBFolderController* self) { return RefPtr<SBFolder>(self->m_folder); });
        SBFolderControllerMessages::iconListViews.addMethod(cls, [](SBFolderController* self) {
            std::vector<Ref<NSObject>> views(self->m_listViews.begin(), self->m_listViews.end());
            return RefPtr<NSArray>(NSArray::arrayWithObjects(std::move(views)));
        });
        SBFolderControllerMessages::folderControllers.addMethod(cls, [](SBFolderController* self) {
            std::vector<Ref<NSObject>> controllers;
            for (RefPtr<SBFolderController> controller = self; controller; controller = controller->m_innerFolderController)
                controllers.push_back(*controller);
            return RefPtr<NSArray>(NSArray::arrayWithObjects(std::move(controllers)));
        });
        SBFolderControllerMessages::pushFolder.addMethod(cls, [](SBFolderController* self, SBFolder* folder, bool animated, SBCompletionBlock* completion) {
            self->stockPushFolder(folder, animated, completion);
        });
    });
}

Ref<SBFolderController> SBFolderController::create(Ref<SBFolder> folder, int64_t orientation)
{
    Ref<SBFolderController> controller = makeRef<SBFolderController>(std::move(folder), SBFolderBackgroundView::create());
    controller->makeListViews(orientation);
    return controller;
}

SBFolderController::SBFolderController(Ref<SBFolder> folder, RefPtr<SBFolderBackgroundView> backgroundView)
    : m_folder(std::move(folder))
    , m_backgroundView(std::move(backgroundView))
{
}

void SBFolderController::makeListViews(int64_t orientation)
{
    for (const Ref<SBIconListModel>& model : m_folder->listModels()) {
        Ref<SBIconListView> view = makeListView(model, orientation);
        view->setFrame(view->frameForOrientation(orientation));
        if (RefPtr<UIView> container = listContainer())
            container->addSubview(view);
        m_listViews.push_back(view);
    }
    showCurrentPageOnly();
}

Ref<SBIconListView> SBFolderController::makeListView(Ref<SBIconListModel> model, int64_t orientation)
{
    bool newsstand = SBIsKindOfClass(m_folder.ptr(), "SBNewsstandFolder");
    return SBIconListView::create(std::move(model), orientation, newsstand ? "SBNewsstandIconListView" : "SBFolderIconListView");
}

RefPtr<UIView> SBFolderController::listContainer() const
{
    return m_backgroundView;
}

RefPtr<SBFolder> SBFolderController::folder()
{
    return SBFolderControllerMessages::folder(this);
}

RefPtr<NSArray> SBFolderController::iconListViews()
{
    return SBFolderControllerMessages::iconListViews(this);
}

RefPtr<NSArray> SBFolderController::folderControllers()
{
    return SBFolderControllerMessages::folderControllers(this);
}

void SBFolderController::pushFolder(SBFolder* folder, bool animated, SBCompletionBlock* completion)
{
    SBFolderControllerMessages::pushFolder(this, folder, animated, completion);
}

RefPtr<SBIconListView> SBFolderController::listViewAtIndex(uint64_t index, bool createIfNecessary)
{
    if (index < m_listViews.size())
        return m_listViews[index];
    if (!createIfNecessary || index != m_listViews.size())
        return nullptr;
    Ref<SBIconListModel> model = m_folder->addEmptyList();
    int64_t orientation = m_listViews.empty() ? UIInterfaceOrientationPortrait : m_listViews.front()->orientation();
    Ref<SBIconListView> view = makeListView(model, orientation);
    view->setFrame(view->frameForOrientation(orientation));
    view->setHidden(true);
    view->setEditing(!m_listViews.empty() && m_listViews.front()->isEditing());
    if (RefPtr<UIView> container = listContainer())
        container->addSubview(view);
    m_listViews.push_back(view);
    return view;
}

uint64_t SBFolderController::indexOfListView(const SBIconListView* listView) const
{
    for (size_t index = 0; index < m_listViews.size(); ++index) {
        if (m_listViews[index].ptr() == listView)
            return index;
    }
    return NSNotFound;
}

bool SBFolderController::setCurrentPageIndex(uint64_t index)
{
    if (index >= m_listViews.size())
        return false;
    m_currentPageIndex = index;
    showCurrentPageOnly();
    return true;
}

RefPtr<SBIconListView> SBFolderController::currentIconListView() const
{
    return m_currentPageIndex < m_listViews.size() ? RefPtr<SBIconListView>(m_listViews[m_currentPageIndex]) : nullptr;
}

void SBFolderController::showCurrentPageOnly()
{
    for (size_t index = 0; index < m_listViews.size(); ++index)
        m_listViews[index]->setHidden(index != m_currentPageIndex);
}

void SBFolderController::placeForOrientation(int64_t orientation, CGRect contentBounds)
{
    if (m_backgroundView) {
        CGSize size = SBFolderBackgroundView::folderBackgroundSize();
        m_backgroundView->setFrame(CGRectMake(contentBounds.origin.x + (contentBounds.size.width - size.width) / 2,
            contentBounds.origin.y + (contentBounds.size.height - size.height) / 2, size.width, size.height));
    }
    for (const Ref<SBIconListView>& view : m_listViews)
        view->setFrame(view->frameForOrientation(orientation));
}

void SBFolderController::stockPushFolder(SBFolder* folder, bool animated, SBCompletionBlock* completion)
{
    RefPtr<SBIconController> iconController = SBIconController::sharedInstance();
    RefPtr<SBFolderController> pushed = iconController ? iconController->folderControllerForFolder(folder) : nullptr;
    if (!pushed || pushed.get() == this) {
        if (completion)
            completion->invoke(false);
        return;
    }
    if (m_innerFolderController != pushed) {
        popFolder();
        m_innerFolderController = pushed;
        Ref<SBIconContentView> contentView = iconController->contentViewObject();
        int64_t orientation = iconController->orientation();
        pushed->placeForOrientation(orientation, contentView->bounds());
        pushed->setCurrentPageIndex(0);
        if (RefPtr<SBFolderBackgroundView> background = pushed->backgroundView())
            contentView->addSubview(background);
        bool editing = iconController->isEditing();
        for (const Ref<SBIconListView>& view : pushed->listViews()) {
            view->setOrientation(orientation);
            view->setEditing(editing);
            view->layoutIconsNow();
        }
    }
    RefPtr<SBFolderBackgroundView> background = pushed->backgroundView();
    RefPtr<SBCompletionBlock> keptCompletion = completion;
    if (!animated || !background) {
        if (background)
            background->setAlpha(1);
        if (keptCompletion)
            keptCompletion->invoke(true);
        return;
    }
    SBFolderIconZoomAnimator::create(*pushed, true)->animateZoom([keptCompletion](bool finished) {
        if (keptCompletion)
            keptCompletion->invoke(finished);
    });
}

void SBFolderController::popFolder(bool animated)
{
    RefPtr<SBFolderController> inner = std::exchange(m_innerFolderController, nullptr);
    if (!inner)
        return;
    inner->popFolder(false);
    RefPtr<SBFolderBackgroundView> background = inner->backgroundView();
    if (animated && background)
        SBFolderIconZoomAnimator::create(*inner, false)->animateZoom({});
    else if (background)
        background->removeFromSuperview();
}

} // namespace qv
