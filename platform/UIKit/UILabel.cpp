#include "UILabel.h"

namespace qv {

UILabel::UILabel()
    : UILabel(CGRectZero)
{
}

UILabel::UILabel(CGRect frame)
    : UIView(frame)
{
    setUserInteractionEnabled(false);
}

} // namespace qv
