#include "SBNewsstandFolder.h"

#include "SpringBoardRuntime.h"

namespace qv {

void SBNewsstandFolder::registerClass()
{
    SBDefineClass<SBNewsstandFolder>("SBFolder", "SBNewsstandFolder", [](Class) { });
}

Ref<SBNewsstandFolder> SBNewsstandFolder::create(std::string displayName)
{
    return makeRef<SBNewsstandFolder>(std::move(displayName));
}

} // namespace qv
