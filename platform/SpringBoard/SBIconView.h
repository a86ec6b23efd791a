#pragma once

#include "SBIcon.h"
#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

namespace qv {

// The view of one icon in one list: where the icon is on screen and how
// opaque it is. The list lays it out; the view keeps its icon.
class SBIconView : public UIView, public objc_object {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBIconView> create(Ref<SBIcon> icon);

    std::string className() const override { return "SBIconView"; }

    RefPtr<SBIcon> icon();

    const Ref<SBIcon>& iconObject() const { return m_icon; }

private:
    explicit SBIconView(Ref<SBIcon> icon);
    ~SBIconView() override = default;

    Ref<SBIcon> m_icon;
};

} // namespace qv
