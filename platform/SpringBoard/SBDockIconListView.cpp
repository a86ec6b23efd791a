#include "SBDockIconListView.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBDockIconListView::registerClass()
{
    SBDefineClass<SBDockIconListView>("SBIconListView", "SBDockIconListView", [](Class cls) {
        SBAddClassMethod(cls, "defaultHeight", [](Class) { return double { SBCurrentGridMetrics().dockDefaultHeight() }; });
    });
}

Ref<SBDockIconListView> SBDockIconListView::create(Ref<SBIconListModel> model, int64_t orientation)
{
    return makeRef<SBDockIconListView>(std::move(model), orientation);
}

double SBDockIconListView::defaultHeight()
{
    return msgSend<double>(objc_getClass("SBDockIconListView"), "defaultHeight");
}

} // namespace qv
