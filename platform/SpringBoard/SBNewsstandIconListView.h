#pragma once

#include "SBIconListView.h"

namespace qv {

// The newsstand's shelf of publications.
class SBNewsstandIconListView : public SBIconListView {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBNewsstandIconListView> create(Ref<SBIconListModel> model, int64_t orientation);

    std::string className() const override { return "SBNewsstandIconListView"; }

private:
    using SBIconListView::SBIconListView;
};

} // namespace qv
