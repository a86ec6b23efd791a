#include "UITableViewCell.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat edgeInset = 15;
constexpr CGFloat accessoryTypeWidth = 20;

} // namespace

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, 44))
    , m_style(style)
    , m_reuseIdentifier(std::move(reuseIdentifier))
    , m_contentView(makeRef<UIView>(CGRectMake(0, 0, 320, 44)))
    , m_textLabel(makeRef<UILabel>())
{
    setBackgroundColor(UIColor::whiteColor());
    addSubview(m_contentView);
    if (style != UITableViewCellStyleValue2) {
        m_imageView = makeRef<UIImageView>();
        m_contentView->addSubview(m_imageView);
    }
    m_contentView->addSubview(m_textLabel);
    if (style != UITableViewCellStyleDefault) {
        m_detailTextLabel = makeRef<UILabel>();
        if (style == UITableViewCellStyleValue1)
            m_detailTextLabel->setTextAlignment(NSTextAlignmentRight);
        m_contentView->addSubview(m_detailTextLabel);
    }
    layoutSubviews();
}

void UITableViewCell::setAccessoryType(UITableViewCellAccessoryType type)
{
    m_accessoryType = type;
    layoutSubviews();
}

void UITableViewCell::setAccessoryView(RefPtr<UIView> view)
{
    if (m_accessoryView && m_accessoryView != view && m_accessoryView->superview().get() == this)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    layoutSubviews();
}

void UITableViewCell::setEditingAccessoryType(UITableViewCellAccessoryType type)
{
    m_editingAccessoryType = type;
    layoutSubviews();
}

void UITableViewCell::setEditingAccessoryView(RefPtr<UIView> view)
{
    if (m_editingAccessoryView && m_editingAccessoryView != view && m_editingAccessoryView->superview().get() == this)
        m_editingAccessoryView->removeFromSuperview();
    m_editingAccessoryView = std::move(view);
    layoutSubviews();
}

RefPtr<UIView> UITableViewCell::shownAccessoryView() const
{
    return m_editing ? m_editingAccessoryView : m_accessoryView;
}

void UITableViewCell::setSelected(bool selected, bool)
{
    m_selected = selected;
    m_highlighted = selected;
}

void UITableViewCell::setHighlighted(bool highlighted, bool)
{
    m_highlighted = highlighted;
}

void UITableViewCell::setEditing(bool editing, bool)
{
    if (!editing)
        m_showingDeleteConfirmation = false;
    m_editing = editing;
    layoutSubviews();
}

void UITableViewCell::prepareForReuse()
{
    setSelected(false);
    m_showingDeleteConfirmation = false;
}

void UITableViewCell::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    layoutSubviews();
}

void UITableViewCell::layoutSubviews()
{
    const CGRect bounds = this->bounds();
    // One accessory view shows at a time: the other one leaves the cell.
    RefPtr<UIView> shown = shownAccessoryView();
    RefPtr<UIView> hidden = m_editing ? m_accessoryView : m_editingAccessoryView;
    if (hidden && hidden != shown && hidden->superview().get() == this)
        hidden->removeFromSuperview();
    CGFloat accessoryWidth = 0;
    if (shown) {
        const CGSize size = shown->frame().size;
        shown->setFrame(CGRectMake(bounds.size.width - edgeInset - size.width, (bounds.size.height - size.height) / 2, size.width, size.height));
        if (shown->superview().get() != this)
            addSubview(shown);
        accessoryWidth = size.width + edgeInset;
    } else if ((m_editing ? m_editingAccessoryType : m_accessoryType) != UITableViewCellAccessoryNone) {
        accessoryWidth = accessoryTypeWidth + edgeInset;
    }
    const CGFloat contentWidth = std::max<CGFloat>(0, bounds.size.width - accessoryWidth);
    m_contentView->setFrame(CGRectMake(0, 0, contentWidth, bounds.size.height));
    CGFloat left = edgeInset;
    if (m_imageView && m_imageView->image()) {
        m_imageView->setFrame(CGRectMake(edgeInset, 0, bounds.size.height, bounds.size.height));
        left += bounds.size.height + edgeInset;
    } else if (m_imageView) {
        m_imageView->setFrame(CGRectZero);
    }
    const CGFloat textWidth = std::max<CGFloat>(0, contentWidth - left - edgeInset);
    const CGFloat height = bounds.size.height;
    switch (m_style) {
    case UITableViewCellStyleDefault:
        m_textLabel->setFrame(CGRectMake(left, 0, textWidth, height));
        break;
    case UITableViewCellStyleValue1:
    case UITableViewCellStyleValue2:
        m_textLabel->setFrame(CGRectMake(left, 0, textWidth / 2, height));
        m_detailTextLabel->setFrame(CGRectMake(left + textWidth / 2, 0, textWidth / 2, height));
        break;
    case UITableViewCellStyleSubtitle:
        m_textLabel->setFrame(CGRectMake(left, 0, textWidth, height / 2));
        m_detailTextLabel->setFrame(CGRectMake(left, height / 2, textWidth, height / 2));
        break;
    }
}

} // namespace qv
