#include "SBIconContentView.h"

#include "SpringBoardRuntime.h"

namespace qv {

void SBIconContentView::registerClass()
{
    SBDefineClass<SBIconContentView>("NSObject", "SBIconContentView", [](Class cls) { SBViewMessages<SBIconContentView>::addTo(cls); });
}

Ref<SBIconContentView> SBIconContentView::create(CGRect frame)
{
    return makeRef<SBIconContentView>(frame);
}

} // namespace qv
