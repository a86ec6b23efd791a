#include "SBIconListModel.h"

#include "SBFolder.h"
#include "SBIcon.h"
#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSArray.h"

#include <algorithm>

namespace qv {

void SBIconListModel::registerClass()
{
    SBDefineClass<SBIconListModel>("NSObject", "SBIconListModel", [](Class cls) {
        SBIconListModelMessages::folder.addMethod(cls, [](SBIconListModel* self) { return self->m_folder.lock(); });
        SBIconListModelMessages::icons.addMethod(cls, [](SBIconListModel* self) {
            std::vector<Ref<NSObject>> icons(self->m_icons.begin(), self->m_icons.end());
            return RefPtr<NSArray>(NSArray::arrayWithObjects(std::move(icons)));
        });
    });
}

Ref<SBIconListModel> SBIconListModel::create(SBFolder* folder)
{
    return makeRef<SBIconListModel>(folder);
}

SBIconListModel::SBIconListModel(SBFolder* folder)
    : m_folder(folder)
{
}

RefPtr<SBFolder> SBIconListModel::folder()
{
    return SBIconListModelMessages::folder(this);
}

RefPtr<NSArray> SBIconListModel::icons()
{
    return SBIconListModelMessages::icons(this);
}

uint64_t SBIconListModel::indexOfIcon(const SBIcon* icon) const
{
    auto found = std::find_if(m_icons.begin(), m_icons.end(), [&](const Ref<SBIcon>& member) { return member.ptr() == icon; });
    return found == m_icons.end() ? NSNotFound : static_cast<uint64_t>(found - m_icons.begin());
}

void SBIconListModel::insertIcon(Ref<SBIcon> icon, uint64_t atIndex)
{
    uint64_t index = std::min<uint64_t>(atIndex, m_icons.size());
    m_icons.insert(m_icons.begin() + static_cast<ptrdiff_t>(index), std::move(icon));
}

bool SBIconListModel::removeIcon(const SBIcon* icon)
{
    uint64_t index = indexOfIcon(icon);
    if (index == NSNotFound)
        return false;
    m_icons.erase(m_icons.begin() + static_cast<ptrdiff_t>(index));
    return true;
}

RefPtr<SBIcon> SBIconListModel::removeLastIcon()
{
    if (m_icons.empty())
        return nullptr;
    RefPtr<SBIcon> last = m_icons.back();
    m_icons.pop_back();
    return last;
}

bool SBIconListModel::removePlaceholders()
{
    auto isPlaceholder = [](const Ref<SBIcon>& icon) { return SBIsKindOfClass(icon.ptr(), "SBPlaceholderIcon"); };
    auto kept = std::remove_if(m_icons.begin(), m_icons.end(), isPlaceholder);
    bool removed = kept != m_icons.end();
    m_icons.erase(kept, m_icons.end());
    return removed;
}

} // namespace qv
