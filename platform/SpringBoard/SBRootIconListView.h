#pragma once

#include "SBIconListView.h"

namespace qv {

// A page of the home screen.
class SBRootIconListView : public SBIconListView {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBRootIconListView> create(Ref<SBIconListModel> model, int64_t orientation);

    std::string className() const override { return "SBRootIconListView"; }

private:
    using SBIconListView::SBIconListView;
};

} // namespace qv
