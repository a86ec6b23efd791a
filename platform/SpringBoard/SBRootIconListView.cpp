#include "SBRootIconListView.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBRootIconListView::registerClass()
{
    SBDefineClass<SBRootIconListView>("SBIconListView", "SBRootIconListView", [](Class) { });
}

Ref<SBRootIconListView> SBRootIconListView::create(Ref<SBIconListModel> model, int64_t orientation)
{
    return makeRef<SBRootIconListView>(std::move(model), orientation);
}

} // namespace qv
