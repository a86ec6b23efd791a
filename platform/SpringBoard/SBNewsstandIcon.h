#pragma once

#include "SBFolderIcon.h"

namespace qv {

// The newsstand: a folder of its own kind, shown in its own kind of list.
class SBNewsstandIcon : public SBFolderIcon {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBNewsstandIcon> create(Ref<SBFolder> folder);

    std::string className() const override { return "SBNewsstandIcon"; }
    std::string kindName() const override { return "newsstand"; }

private:
    using SBFolderIcon::SBFolderIcon;
};

} // namespace qv
