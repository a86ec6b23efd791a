#include "SBNewsstandIcon.h"

#include "SBFolder.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBNewsstandIcon::registerClass()
{
    SBDefineClass<SBNewsstandIcon>("SBFolderIcon", "SBNewsstandIcon", [](Class) { });
}

Ref<SBNewsstandIcon> SBNewsstandIcon::create(Ref<SBFolder> folder)
{
    Ref<SBNewsstandIcon> icon = makeRef<SBNewsstandIcon>(folder);
    folder->setIcon(icon.ptr());
    return icon;
}

} // namespace qv
