#include "SBIconView.h"

#include "SBIcon.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBIconView::registerClass()
{
    SBDefineClass<SBIconView>("NSObject", "SBIconView", [](Class cls) {
        SBViewMessages<SBIconView>::addTo(cls);
        SBIconViewMessages::icon.addMethod(cls, [](SBIconView* self) { return RefPtr<SBIcon>(self->m_icon); });
    });
}

Ref<SBIconView> SBIconView::create(Ref<SBIcon> icon)
{
    return makeRef<SBIconView>(std::move(icon));
}

SBIconView::SBIconView(Ref<SBIcon> icon)
    : m_icon(std::move(icon))
{
}

RefPtr<SBIcon> SBIconView::icon()
{
    return SBIconViewMessages::icon(this);
}

} // namespace qv
