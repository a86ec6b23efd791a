#pragma once

#include "UIBarButtonItem.h"
#include "UIView.h"

#include <utility>
#include <vector>

namespace qv {

// The custom views a bar (navigation bar, toolbar) shows for its items,
// kept in step with the items: the views wanted now become subviews of the
// bar at their frames, and those shown before and no longer wanted leave.
class UIBarItemViews {
public:
    using Placement = std::pair<Ref<UIView>, CGRect>;
    void show(UIView& bar, const std::vector<Placement>& placements);

    // The width a bar gives an item: its custom view's, a fixed space's, or
    // a nominal width for an item the bar draws itself.
    static CGFloat widthOf(const UIBarButtonItem& item);

private:
    std::vector<WeakPtr<UIView>> m_shown;
};

} // namespace qv
