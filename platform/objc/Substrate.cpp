#include "Substrate.h"

#include "RuntimeRegistry.h"

namespace qv {

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* replaced)
{
    RuntimeRegistry::shared().hookMessage(cls, selector, std::move(replacement), replaced);
}

} // namespace qv
