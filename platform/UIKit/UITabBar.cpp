#include "UITabBar.h"

#include "UITouch.h"

#include "platform/core/Log.h"

#include <cmath>

namespace qv {

UITabBar::UITabBar(CGRect frame)
    : UIView(frame)
{
}

void UITabBar::setItems(std::vector<Ref<UITabBarItem>> items, bool)
{
    m_items = std::move(items);
    if (m_selectedItem && std::none_of(m_items.begin(), m_items.end(), [&](const Ref<UITabBarItem>& item) { return item.ptr() == m_selectedItem.get(); }))
        m_selectedItem = nullptr;
}

bool UITabBar::tapItemAtIndex(size_t index)
{
    if (index >= m_items.size() || !m_items[index]->enabled()) {
        logLine("UITabBar: no enabled tab " + std::to_string(index) + " to tap");
        return false;
    }
    Ref<UITabBar> protect(*this);
    Ref<UITabBarItem> item = m_items[index];
    if (RefPtr<UITabBarDelegate> delegate = m_delegate.lock())
        delegate->tabBarDidSelectItem(this, item.ptr());
    else
        m_selectedItem = item;
    return true;
}

void UITabBar::touchesEnded(const UITouchSet& touches, UIEvent*)
{
    if (m_items.empty() || touches.empty())
        return;
    const CGPoint point = touches.front()->locationInView(this);
    const CGRect bounds = this->bounds();
    if (!CGRectContainsPoint(bounds, point))
        return;
    const CGFloat width = bounds.size.width / static_cast<CGFloat>(m_items.size());
    const auto index = static_cast<size_t>(std::floor((point.x - bounds.origin.x) / width));
    if (index < m_items.size() && m_items[index]->enabled())
        tapItemAtIndex(index);
}

} // namespace qv
