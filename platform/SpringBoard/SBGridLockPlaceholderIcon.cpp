#include "SBGridLockPlaceholderIcon.h"

#include "SpringBoardRuntime.h"

namespace qv {

void SBGridLockPlaceholderIcon::registerClass()
{
    SBDefineClass<SBGridLockPlaceholderIcon>("SBIcon", "SBGridLockPlaceholderIcon", [](Class) { });
}

Ref<SBGridLockPlaceholderIcon> SBGridLockPlaceholderIcon::create(std::string displayName)
{
    return makeRef<SBGridLockPlaceholderIcon>(std::move(displayName));
}

} // namespace qv
