#pragma once

#include "SBIcon.h"

namespace qv {

// A slot held empty on purpose: it keeps the icons after it in place, and
// a compaction leaves it where it is.
class SBGridLockPlaceholderIcon : public SBIcon {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBGridLockPlaceholderIcon> create(std::string displayName);

    std::string className() const override { return "SBGridLockPlaceholderIcon"; }
    std::string kindName() const override { return "gridLockPlaceholder"; }

private:
    using SBIcon::SBIcon;
};

} // namespace qv
