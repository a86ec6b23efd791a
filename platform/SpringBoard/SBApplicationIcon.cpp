#include "SBApplicationIcon.h"

#include "SBApplication.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBApplicationIcon::registerClass()
{
    SBDefineClass<SBApplicationIcon>("SBIcon", "SBApplicationIcon", [](Class cls) {
        SBApplicationIconMessages::application.addMethod(cls, [](SBApplicationIcon* self) { return RefPtr<SBApplication>(self->m_application); });
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
    return SBApplicationIconMessages::application(this);
}

} // namespace qv
