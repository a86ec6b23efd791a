#include "UIViewAnimation.h"

namespace qv {

UIViewAnimationDidStop::UIViewAnimationDidStop(Callback callback)
{
    if (!callback)
        return;
    m_method = [callback = std::move(callback)](Object*, const std::string& animationID, bool finished, void* context) {
        callback(animationID, finished, context);
    };
}

UIViewAnimationDidStop::UIViewAnimationDidStop(DelegateMethod method, bool onDelegate)
    : m_method(std::move(method))
    , m_onDelegate(onDelegate)
{
}

void UIViewAnimationDidStop::operator()(Object* delegate, const std::string& animationID, bool finished, void* context) const
{
    if (!m_method || (m_onDelegate && !delegate))
        return;
    m_method(delegate, animationID, finished, context);
}

} // namespace qv
