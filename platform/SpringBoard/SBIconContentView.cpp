#include "SBIconContentView.h"

#include "SpringBoardRuntime.h"

namespace qv {

void SBIconContentView::registerClass()
{
    SBDefineClass<SBIconContentView>("NSObject", "SBIconContentView", [](Class cls) { SBAddViewMethods<SBIconContentView>(cls); });
}

Ref<SBIconContentView> SBIconContentView::create(CGRect frame)
{
    return makeRef<SBIconContentView>(frame);
}

} // namespace qv
