#include "SBApplicationIcon.h"

#include "SBApplication.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBApplicationIcon::registerClass()
{
    SBDefineClass<SBApplicationIcon>("SBIcon", "SBApplicationIcon", [](Class cls) {
        SBAddMethod(cls, "application", [](SBApplicationIcon* self) { return RefPtr<SBApplication>(self->m_application); });
    });
}

Ref<SBApplicationIcon> SBApplicationIcon::create(Ref<SBApplication> application)
{
    return makeRef<SBApplicationIcon>(std::move(application));
}

SBApplicationIcon::SBApplicationIcon(Ref<SBApplication> application)
    : SBIcon(application->name())
    , m_application(std::move(application))
{
}

RefPtr<SBApplication> SBApplicationIcon::application()
{
    return msgSend<RefPtr<SBApplication>>(this, "application");
}

} // namespace qv
