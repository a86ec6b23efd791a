#pragma once

#include "SBFolder.h"

namespace qv {

// The newsstand's folder of publications.
class SBNewsstandFolder : public SBFolder {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBNewsstandFolder> create(std::string displayName);

    std::string className() const override { return "SBNewsstandFolder"; }

private:
    using SBFolder::SBFolder;
};

} // namespace qv
