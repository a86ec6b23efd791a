#include "SBIcon.h"

#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSString.h"

namespace qv {

void SBIcon::registerClass()
{
    SBDefineClass<SBIcon>("NSObject", "SBIcon", [](Class cls) {
        SBAddMethod(cls, "displayName", [](SBIcon* self) { return self->stockDisplayName(); });
    });
}

RefPtr<NSString> SBIcon::displayName()
{
    return msgSend<RefPtr<NSString>>(this, "displayName");
}

RefPtr<NSString> SBIcon::stockDisplayName()
{
    return NSString::create(m_name);
}

} // namespace qv
