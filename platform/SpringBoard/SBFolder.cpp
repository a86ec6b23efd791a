#include "SBFolder.h"

#include "SBFolderIcon.h"
#include "SBIconListModel.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSSet.h"
#include "platform/Foundation/NSString.h"

namespace qv {

void SBFolder::registerClass()
{
    SBDefineClass<SBFolder>("NSObject", "SBFolder", [](Class cls) {
        SBFolderMessages::displayName.addMethod(cls, [](SBFolder* self) { return RefPtr<NSString>(NSString::create(self->m_name)); });
        SBFolderMessages::icon.addMethod(cls, [](SBFolder* self) { return self->m_icon.lock(); });
        SBFolderMessages::folderIcons.addMethod(cls, [](SBFolder* self) {
            Ref<NSSet> icons = NSSet::create();
            for (const Ref<SBIcon>& icon : self->allIconObjects()) {
                if (dynamic_cast<SBFolderIcon*>(icon.ptr()))
                    icons->addObject(icon);
            }
            return RefPtr<NSSet>(icons);
        });
        SBFolderMessages::listCount.addMethod(cls, [](SBFolder* self) { return static_cast<uint64_t>(self->m_lists.size()); });
        SBFolderMessages::indexPathForIcon.addMethod(cls, [](SBFolder* self, SBIcon* icon) -> RefPtr<NSIndexPath> {
            for (size_t page = 0; page < self->m_lists.size(); ++page) {
                uint64_t index = self->m_lists[page]->indexOfIcon(icon);
                if (index != NSNotFound)
                    return NSIndexPath::indexPathForRow(static_cast<NSInteger>(index), static_cast<NSInteger>(page));
            }
            return nullptr;
        });
    });
}

Ref<SBFolder> SBFolder::create(std::string displayName, const char* className)
{
    return SBBecomeInstanceOf(makeRef<SBFolder>(std::move(displayName)), className);
}

RefPtr<NSString> SBFolder::displayName()
{
    return SBFolderMessages::displayName(this);
}

RefPtr<SBFolderIcon> SBFolder::icon()
{
    return SBFolderMessages::icon(this);
}

RefPtr<NSSet> SBFolder::folderIcons()
{
    return SBFolderMessages::folderIcons(this);
}

uint64_t SBFolder::listCount()
{
    return SBFolderMessages::listCount(this);
}

RefPtr<NSIndexPath> SBFolder::indexPathForIcon(SBIcon* icon)
{
    return SBFolderMessages::indexPathForIcon(this, icon);
}

void SBFolder::setIcon(SBFolderIcon* icon)
{
    m_icon = icon;
}

RefPtr<SBIconListModel> SBFolder::listAtIndex(uint64_t index) const
{
    return index < m_lists.size() ? RefPtr<SBIconListModel>(m_lists[index]) : nullptr;
}

uint64_t SBFolder::indexOfList(const SBIconListModel* list) const
{
    for (size_t page = 0; page < m_lists.size(); ++page) {
        if (m_lists[page].ptr() == list)
            return page;
    }
    return NSNotFound;
}

Ref<SBIconListModel> SBFolder::addEmptyList()
{
    Ref<SBIconListModel> list = SBIconListModel::create(this);
    m_lists.push_back(list);
    return list;
}

RefPtr<SBIconListModel> SBFolder::listContainingIcon(const SBIcon* icon) const
{
    for (const Ref<SBIconListModel>& list : m_lists) {
        if (list->containsIcon(icon))
            return list;
    }
    return nullptr;
}

std::vector<Ref<SBIcon>> SBFolder::allIconObjects() const
{
    std::vector<Ref<SBIcon>> icons;
    for (const Ref<SBIconListModel>& list : m_lists) {
        for (const Ref<SBIcon>& icon : list->iconObjects())
            icons.push_back(icon);
    }
    return icons;
}

} // namespace qv
