#include "UINavigationItem.h"

#include "UINavigationBar.h"

namespace qv {

namespace {

std::vector<Ref<UIBarButtonItem>> listOf(RefPtr<UIBarButtonItem> item)
{
    if (!item)
        return {};
    return { item.toRef() };
}

} // namespace

UINavigationItem::UINavigationItem(std::string title)
    : m_title(std::move(title))
{
}

void UINavigationItem::changed()
{
    if (RefPtr<UINavigationBar> bar = m_bar.lock())
        bar->itemChanged(*this);
}

void UINavigationItem::setTitle(std::string title)
{
    m_title = std::move(title);
    changed();
}

void UINavigationItem::setPrompt(std::optional<std::string> prompt)
{
    m_prompt = std::move(prompt);
    changed();
}

void UINavigationItem::setTitleView(RefPtr<UIView> view)
{
    m_titleView = std::move(view);
    changed();
}

RefPtr<UIBarButtonItem> UINavigationItem::leftBarButtonItem() const
{
    return m_leftItems.empty() ? nullptr : RefPtr<UIBarButtonItem>(m_leftItems.front());
}

RefPtr<UIBarButtonItem> UINavigationItem::rightBarButtonItem() const
{
    return m_rightItems.empty() ? nullptr : RefPtr<UIBarButtonItem>(m_rightItems.front());
}

void UINavigationItem::setLeftBarButtonItem(RefPtr<UIBarButtonItem> item, bool animated)
{
    setLeftBarButtonItems(listOf(std::move(item)), animated);
}

void UINavigationItem::setRightBarButtonItem(RefPtr<UIBarButtonItem> item, bool animated)
{
    setRightBarButtonItems(listOf(std::move(item)), animated);
}

void UINavigationItem::setLeftBarButtonItems(std::vector<Ref<UIBarButtonItem>> items, bool)
{
    m_leftItems = std::move(items);
    changed();
}

void UINavigationItem::setRightBarButtonItems(std::vector<Ref<UIBarButtonItem>> items, bool)
{
    m_rightItems = std::move(items);
    changed();
}

void UINavigationItem::setHidesBackButton(bool hides, bool)
{
    m_hidesBackButton = hides;
    changed();
}

} // namespace qv
