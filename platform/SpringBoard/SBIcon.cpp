#include "SBIcon.h"

#include "SpringBoardRuntime.h"
#include "platform/Foundation/NSString.h"

namespace qv {

void SBIcon::registerClass()
{
    SBDefineClass<SBIcon>("NSObject", "SBIcon", [](Class cls) {
        SBIconMessages::displayName.addMethod(cls, [](SBIcon* self) { return self->stockDisplayName(); });
    });
}

Ref<SBIcon> SBIcon::create(std::string name, const char* className)
{
    return SBBecomeInstanceOf(makeRef<SBIcon>(std::move(name)), className);
}

std::string SBIcon::kindName() const
{
    // Most particular first: the newsstand is a kind of folder.
    static constexpr std::pair<const char*, const char*> kinds[] = {
        { "SBNewsstandIcon", "newsstand" },
        { "SBFolderIcon", "folder" },
        { "SBApplicationIcon", "application" },
        { "SBGridLockPlaceholderIcon", "gridLockPlaceholder" },
        { "SBPlaceholderIcon", "placeholder" },
    };
    for (const auto& [className, kind] : kinds) {
        if (SBIsKindOfClass(const_cast<SBIcon*>(this), className))
            return kind;
    }
    return "icon";
}

RefPtr<NSString> SBIcon::displayName()
{
    return SBIconMessages::displayName(this);
}

RefPtr<NSString> SBIcon::stockDisplayName()
{
    return NSString::create(m_name);
}

} // namespace qv
