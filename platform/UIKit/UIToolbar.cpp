#include "UIToolbar.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat itemSpacing = 8;

} // namespace

UIToolbar::UIToolbar(CGRect frame)
    : UIView(frame)
{
}

void UIToolbar::setItems(std::vector<Ref<UIBarButtonItem>> items, bool)
{
    m_items = std::move(items);
    layoutSubviews();
}

void UIToolbar::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    layoutSubviews();
}

void UIToolbar::layoutSubviews()
{
    const CGRect bounds = this->bounds();
    CGFloat used = itemSpacing;
    size_t flexibleSpaces = 0;
    for (const Ref<UIBarButtonItem>& item : m_items) {
        if (item->systemItem() == UIBarButtonSystemItemFlexibleSpace)
            ++flexibleSpaces;
        used += UIBarItemViews::widthOf(item) + itemSpacing;
    }
    const CGFloat flexibleWidth = flexibleSpaces ? std::max<CGFloat>(0, bounds.size.width - used) / static_cast<CGFloat>(flexibleSpaces) : 0;
    std::vector<UIBarItemViews::Placement> placements;
    CGFloat x = itemSpacing;
    for (const Ref<UIBarButtonItem>& item : m_items) {
        if (RefPtr<UIView> view = item->customView()) {
            const CGSize size = view->frame().size;
            placements.emplace_back(view.toRef(), CGRectMake(x, (bounds.size.height - size.height) / 2, size.width, size.height));
        }
        x += (item->systemItem() == UIBarButtonSystemItemFlexibleSpace ? flexibleWidth : UIBarItemViews::widthOf(item)) + itemSpacing;
    }
    m_itemViews.show(*this, placements);
}

} // namespace qv
