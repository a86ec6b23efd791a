#include "UINavigationBar.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat barHeight = 44;
constexpr CGFloat barHeightWithPrompt = 74;
constexpr CGFloat edgeSpacing = 8;

} // namespace

UINavigationBar::UINavigationBar(CGRect frame)
    : UIView(frame)
{
}

UINavigationBar::~UINavigationBar()
{
    for (const Ref<UINavigationItem>& item : m_items)
        item->m_bar = nullptr;
}

void UINavigationBar::adoptItem(UINavigationItem& item)
{
    item.m_bar = WeakPtr<UINavigationBar>(this);
}

void UINavigationBar::releaseItem(UINavigationItem& item)
{
    if (item.m_bar.unsafeGet() == this)
        item.m_bar = nullptr;
}

void UINavigationBar::setItems(std::vector<Ref<UINavigationItem>> items, bool)
{
    Ref<UINavigationBar> protect(*this);
    for (const Ref<UINavigationItem>& item : m_items)
        releaseItem(item);
    m_items = std::move(items);
    for (const Ref<UINavigationItem>& item : m_items)
        adoptItem(item);
    layoutSubviews();
}

void UINavigationBar::pushNavigationItem(const RefPtr<UINavigationItem>& item, bool)
{
    if (!item)
        return;
    if (item->navigationBar()) {
        logLine("UINavigationBar: refused to push an item that is on a navigation bar already");
        return;
    }
    Ref<UINavigationBar> protect(*this);
    RefPtr<UINavigationBarDelegate> delegate = m_delegate.lock();
    if (delegate && !delegate->navigationBarShouldPushItem(this, item.get()))
        return;
    m_items.push_back(item.toRef());
    adoptItem(*item);
    layoutSubviews();
    if (delegate)
        delegate->navigationBarDidPushItem(this, item.get());
}

RefPtr<UINavigationItem> UINavigationBar::popNavigationItemAnimated(bool)
{
    if (m_items.empty())
        return nullptr;
    Ref<UINavigationBar> protect(*this);
    Ref<UINavigationItem> popped = m_items.back();
    m_items.pop_back();
    releaseItem(popped);
    layoutSubviews();
    return popped;
}

RefPtr<UINavigationItem> UINavigationBar::topItem() const
{
    return m_items.empty() ? nullptr : RefPtr<UINavigationItem>(m_items.back());
}

RefPtr<UINavigationItem> UINavigationBar::backItem() const
{
    return m_items.size() < 2 ? nullptr : RefPtr<UINavigationItem>(m_items[m_items.size() - 2]);
}

void UINavigationBar::sizeToFit()
{
    RefPtr<UINavigationItem> top = topItem();
    CGRect frame = this->frame();
    frame.size.height = top && top->prompt() ? barHeightWithPrompt : barHeight;
    setFrame(frame);
}

std::optional<std::string> UINavigationBar::backButtonTitle() const
{
    RefPtr<UINavigationItem> back = backItem();
    RefPtr<UINavigationItem> top = topItem();
    if (!back || top->hidesBackButton() || !top->leftBarButtonItems().empty())
        return std::nullopt;
    if (RefPtr<UIBarButtonItem> item = back->backBarButtonItem())
        return item->title();
    return back->title().empty() ? "Back" : back->title();
}

bool UINavigationBar::tapBackButton()
{
    if (!backButtonTitle()) {
        logLine("UINavigationBar: no back button to tap");
        return false;
    }
    Ref<UINavigationBar> protect(*this);
    Ref<UINavigationItem> top = m_items.back();
    RefPtr<UINavigationBarDelegate> delegate = m_delegate.lock();
    if (delegate && !delegate->navigationBarShouldPopItem(this, top.ptr()))
        return true; // the delegate (a navigation controller) popped it its own way, or kept it
    if (topItem() == top.ptr())
        popNavigationItemAnimated(true);
    if (delegate)
        delegate->navigationBarDidPopItem(this, top.ptr());
    return true;
}

std::vector<Ref<UIBarButtonItem>> UINavigationBar::barButtonItems() const
{
    RefPtr<UINavigationItem> top = topItem();
    if (!top)
        return {};
    std::vector<Ref<UIBarButtonItem>> items = top->leftBarButtonItems();
    const std::vector<Ref<UIBarButtonItem>>& right = top->rightBarButtonItems();
    items.insert(items.end(), right.begin(), right.end());
    return items;
}

void UINavigationBar::itemChanged(UINavigationItem& item)
{
    if (topItem() == &item)
        layoutSubviews();
}

void UINavigationBar::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    layoutSubviews();
}

void UINavigationBar::layoutSubviews()
{
    std::vector<UIBarItemViews::Placement> placements;
    RefPtr<UINavigationItem> top = topItem();
    if (top) {
        const CGRect bounds = this->bounds();
        auto placeAt = [&](const UIBarButtonItem& item, CGFloat x) {
            if (RefPtr<UIView> view = item.customView()) {
                const CGSize size = view->frame().size;
                placements.emplace_back(view.toRef(), CGRectMake(x, (bounds.size.height - size.height) / 2, size.width, size.height));
            }
        };
        CGFloat left = edgeSpacing;
        for (const Ref<UIBarButtonItem>& item : top->leftBarButtonItems()) {
            placeAt(item, left);
            left += UIBarItemViews::widthOf(item) + edgeSpacing;
        }
        CGFloat right = bounds.size.width - edgeSpacing;
        for (const Ref<UIBarButtonItem>& item : top->rightBarButtonItems()) {
            right -= UIBarItemViews::widthOf(item);
            placeAt(item, right);
            right -= edgeSpacing;
        }
        if (RefPtr<UIView> titleView = top->titleView()) {
            const CGSize size = titleView->frame().size;
            placements.emplace_back(titleView.toRef(), CGRectMake((bounds.size.width - size.width) / 2,
                (bounds.size.height - size.height) / 2, size.width, size.height));
        }
    }
    m_itemViews.show(*this, placements);
}

} // namespace qv
