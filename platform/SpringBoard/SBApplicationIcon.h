#pragma once

#include "SBApplication.h"
#include "SBIcon.h"

namespace qv {

// The icon of an application; launching it launches the application.
class SBApplicationIcon : public SBIcon {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBApplicationIcon> create(Ref<SBApplication> application);

    RefPtr<SBApplication> application();

private:
    explicit SBApplicationIcon(Ref<SBApplication> application);

    Ref<SBApplication> m_application;
};

struct SBApplicationIconMessages {
    static inline const ObjCMessage<SBApplicationIcon, RefPtr<SBApplication>()> application { "application" };
};

} // namespace qv
