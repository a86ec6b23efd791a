#pragma once

#include "SBIcon.h"
#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

namespace qv {

// The view of one icon in one list: where the icon is on screen and how
// opaque it is. The list lays it out; the view keeps its icon.
class SBIconView : public RuntimeInstance<UIView> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBIconView> create(Ref<SBIcon> icon);


    RefPtr<SBIcon> icon();

    const Ref<SBIcon>& iconObject() const { return m_icon; }

private:
    explicit SBIconView(Ref<SBIcon> icon);
    ~SBIconView() override = default;

    Ref<SBIcon> m_icon;
};

struct SBIconViewMessages {
    static inline const ObjCMessage<SBIconView, RefPtr<SBIcon>()> icon { "icon" };
};

} // namespace qv
