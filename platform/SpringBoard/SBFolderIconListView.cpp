#include "SBFolderIconListView.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBFolderIconListView::registerClass()
{
    SBDefineClass<SBFolderIconListView>("SBIconListView", "SBFolderIconListView", [](Class) { });
}

Ref<SBFolderIconListView> SBFolderIconListView::create(Ref<SBIconListModel> model, int64_t orientation)
{
    return makeRef<SBFolderIconListView>(std::move(model), orientation);
}

} // namespace qv
