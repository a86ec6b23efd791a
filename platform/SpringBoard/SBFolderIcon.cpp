#include "SBFolderIcon.h"

#include "SBFolder.h"
#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSString.h"

namespace qv {

// The miniature grid is three by three.
static constexpr uint64_t gridImageIcons = 9;

void SBFolderIcon::registerClass()
{
    SBDefineClass<SBFolderIcon>("SBIcon", "SBFolderIcon", [](Class cls) {
        SBFolderIconMessages::folder.addMethod(cls, [](SBFolderIcon* self) { return RefPtr<SBFolder>(self->m_folder); });
        SBFolderIconMessages::_maxIconsInGridImage.addMethod(cls, [](Class) { return gridImageIcons; });
    });
}

Ref<SBFolderIcon> SBFolderIcon::create(Ref<SBFolder> folder, const char* className)
{
    Ref<SBFolderIcon> icon = SBBecomeInstanceOf(makeRef<SBFolderIcon>(folder), className);
    folder->setIcon(icon.ptr());
    return icon;
}

SBFolderIcon::SBFolderIcon(Ref<SBFolder> folder)
    : SBIcon(folder->name())
    , m_folder(std::move(folder))
{
}

RefPtr<SBFolder> SBFolderIcon::folder()
{
    return SBFolderIconMessages::folder(this);
}

uint64_t SBFolderIcon::_maxIconsInGridImage()
{
    return SBFolderIconMessages::_maxIconsInGridImage(objc_getClass("SBFolderIcon"));
}

std::vector<Ref<SBIcon>> SBFolderIcon::iconsInGridImage()
{
    std::vector<Ref<SBIcon>> icons;
    RefPtr<SBIconListModel> firstList = m_folder->listAtIndex(0);
    if (!firstList)
        return icons;
    uint64_t shown = _maxIconsInGridImage();
    for (const Ref<SBIcon>& icon : firstList->iconObjects()) {
        if (icons.size() >= shown)
            break;
        icons.push_back(icon);
    }
    return icons;
}

RefPtr<NSString> SBFolderIcon::stockDisplayName()
{
    // A folder icon is named after its folder, whatever the folder is called now.
    return m_folder->displayName();
}

} // namespace qv
