#include "SBNewsstandIconListView.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBNewsstandIconListView::registerClass()
{
    SBDefineClass<SBNewsstandIconListView>("SBIconListView", "SBNewsstandIconListView", [](Class) { });
}

Ref<SBNewsstandIconListView> SBNewsstandIconListView::create(Ref<SBIconListModel> model, int64_t orientation)
{
    return makeRef<SBNewsstandIconListView>(std::move(model), orientation);
}

} // namespace qv
