#include "UITextView.h"

namespace qv {

UITextView::UITextView()
    : UITextView(CGRectZero)
{
}

UITextView::UITextView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(UIColor::whiteColor());
}

} // namespace qv
