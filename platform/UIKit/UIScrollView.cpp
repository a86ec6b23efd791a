#include "UIScrollView.h"

namespace qv {

UIScrollView::UIScrollView(CGRect frame)
    : UIView(frame)
{
}

void UIScrollView::setContentOffset(CGPoint offset)
{
    CGRect bounds = this->bounds();
    bounds.origin = offset;
    setBounds(bounds);
}

} // namespace qv
