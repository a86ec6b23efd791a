#include "SBPlaceholderIcon.h"

#include "SpringBoardRuntime.h"

namespace qv {

void SBPlaceholderIcon::registerClass()
{
    SBDefineClass<SBPlaceholderIcon>("SBIcon", "SBPlaceholderIcon", [](Class) { });
}

Ref<SBPlaceholderIcon> SBPlaceholderIcon::create(std::string displayName)
{
    return makeRef<SBPlaceholderIcon>(std::move(displayName));
}

} // namespace qv
