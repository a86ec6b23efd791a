#pragma once

#include "SBIcon.h"

namespace qv {

// An empty slot that SpringBoard keeps while icons are rearranged; it
// closes up when the list is compacted.
class SBPlaceholderIcon : public SBIcon {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBPlaceholderIcon> create(std::string displayName);

    std::string className() const override { return "SBPlaceholderIcon"; }
    std::string kindName() const override { return "placeholder"; }

private:
    using SBIcon::SBIcon;
};

} // namespace qv
