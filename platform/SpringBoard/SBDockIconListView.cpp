#include "SBDockIconListView.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBDockIconListView::registerClass()
{
    SBDefineClass<SBDockIconListView>("SBIconListView", "SBDockIconListView", [](Class cls) {
        SBDockIconListViewMessages::defaultHeight.addMethod(cls, [](Class) { return double { SBCurrentGridMetrics().dockDefaultHeight() }; });
    });
}

Ref<SBDockIconListView> SBDockIconListView::create(Ref<SBIconListModel> model, int64_t orientation)
{
    return makeRef<SBDockIconListView>(std::move(model), orientation);
}

double SBDockIconListView::defaultHeight()
{
    return SBDockIconListViewMessages::defaultHeight(objc_getClass("SBDockIconListView"));
}

} // namespace qv
