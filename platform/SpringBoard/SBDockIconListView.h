#pragma once

#include "SBIconListView.h"

namespace qv {

// The dock: one row of icons below the pages (beside them on a phone in
// landscape).
class SBDockIconListView : public SBIconListView {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBDockIconListView> create(Ref<SBIconListModel> model, int64_t orientation);


    // Class message, sent through the runtime: the dock's thickness.
    static double defaultHeight();

private:
    using SBIconListView::SBIconListView;
};

struct SBDockIconListViewMessages {
    static inline const ObjCClassMessage<double()> defaultHeight { "defaultHeight" };
};

} // namespace qv
