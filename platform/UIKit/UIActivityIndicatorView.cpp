#include "UIActivityIndicatorView.h"

namespace qv {

UIActivityIndicatorView::UIActivityIndicatorView(CGRect frame)
    : UIView(frame)
{
    setHidden(true);
}

UIActivityIndicatorView::UIActivityIndicatorView(UIActivityIndicatorViewStyle style)
    : UIActivityIndicatorView(style == UIActivityIndicatorViewStyleWhiteLarge ? CGRectMake(0, 0, 37, 37) : CGRectMake(0, 0, 20, 20))
{
    m_style = style;
}

void UIActivityIndicatorView::startAnimating()
{
    m_animating = true;
    setHidden(false);
}

void UIActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    if (m_hidesWhenStopped)
        setHidden(true);
}

void UIActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (!m_animating)
        setHidden(hides);
}

} // namespace qv
