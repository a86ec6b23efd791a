#include "UITableViewHeaderFooterView.h"

#include <algorithm>

namespace qv {

namespace {

RefPtr<UIColor>& appearanceTint()
{
    static auto* tint = new RefPtr<UIColor>; // lives as long as the process
    return *tint;
}

constexpr CGFloat textInset = 15;

} // namespace

UITableViewHeaderFooterView::UITableViewHeaderFooterView(CGRect frame)
    : UIView(frame)
    , m_textLabel(makeRef<UILabel>())
    , m_tintColor(appearanceTint())
{
    addSubview(m_textLabel);
}

void UITableViewHeaderFooterView::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    const CGRect bounds = this->bounds();
    m_textLabel->setFrame(CGRectMake(textInset, 0, std::max<CGFloat>(0, bounds.size.width - 2 * textInset), bounds.size.height));
}

RefPtr<UIColor> UITableViewHeaderFooterView::appearanceTintColor()
{
    return appearanceTint();
}

void UITableViewHeaderFooterView::setAppearanceTintColor(RefPtr<UIColor> color)
{
    appearanceTint() = std::move(color);
}

} // namespace qv
