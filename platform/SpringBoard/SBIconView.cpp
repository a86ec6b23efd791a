#include "SBIconView.h"

#include "SBIcon.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBIconView::registerClass()
{
    SBDefineClass<SBIconView>("NSObject", "SBIconView", [](Class cls) {
        SBAddViewMethods<SBIconView>(cls);
        SBAddMethod(cls, "icon", [](SBIconView* self) { return RefPtr<SBIcon>(self->m_icon); });
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
    return msgSend<RefPtr<SBIcon>>(this, "icon");
}

} // namespace qv
