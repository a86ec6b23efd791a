#include "UIBarItemViews.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat drawnItemWidth = 60;

} // namespace

void UIBarItemViews::show(UIView& bar, const std::vector<Placement>& placements)
{
    for (const WeakPtr<UIView>& entry : m_shown) {
        RefPtr<UIView> view = entry.lock();
        if (!view || view->superview().get() != &bar)
            continue;
        const bool stillWanted = std::any_of(placements.begin(), placements.end(), [&](const Placement& placement) { return placement.first.ptr() == view.get(); });
        if (!stillWanted)
            view->removeFromSuperview();
    }
    m_shown.clear();
    for (const Placement& placement : placements) {
        placement.first->setFrame(placement.second);
        if (placement.first->superview().get() != &bar)
            bar.addSubview(placement.first);
        m_shown.emplace_back(placement.first);
    }
}

CGFloat UIBarItemViews::widthOf(const UIBarButtonItem& item)
{
    if (RefPtr<UIView> view = item.customView())
        return view->frame().size.width;
    if (item.systemItem() == UIBarButtonSystemItemFixedSpace)
        return item.width();
    if (item.systemItem() == UIBarButtonSystemItemFlexibleSpace)
        return 0;
    return item.width() > 0 ? item.width() : drawnItemWidth;
}

} // namespace qv
