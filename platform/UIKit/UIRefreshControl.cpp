#include "UIRefreshControl.h"

namespace qv {

UIRefreshControl::UIRefreshControl()
    : UIControl(CGRectZero)
{
}

bool UIRefreshControl::pullToRefresh()
{
    if (m_refreshing || !enabled())
        return false;
    m_refreshing = true;
    sendActionsForControlEvents(UIControlEventValueChanged);
    return true;
}

} // namespace qv
