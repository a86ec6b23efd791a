#include "SBRootFolder.h"

#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"

namespace qv {

void SBRootFolder::registerClass()
{
    SBDefineClass<SBRootFolder>("SBFolder", "SBRootFolder", [](Class) { });
}

Ref<SBRootFolder> SBRootFolder::create()
{
    return makeRef<SBRootFolder>();
}

SBRootFolder::SBRootFolder()
    : SBFolder("Home")
    , m_dock(SBIconListModel::create(this))
{
}

std::vector<Ref<SBIcon>> SBRootFolder::allIconObjects() const
{
    std::vector<Ref<SBIcon>> icons = SBFolder::allIconObjects();
    for (const Ref<SBIcon>& icon : m_dock->iconObjects())
        icons.push_back(icon);
    return icons;
}

} // namespace qv
