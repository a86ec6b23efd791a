#pragma once

#include "SBIconListView.h"

namespace qv {

// A page of an open folder.
class SBFolderIconListView : public SBIconListView {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBFolderIconListView> create(Ref<SBIconListModel> model, int64_t orientation);

    std::string className() const override { return "SBFolderIconListView"; }

private:
    using SBIconListView::SBIconListView;
};

} // namespace qv
