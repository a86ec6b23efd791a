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
{
    setBackgroundColor(UIColor::whiteColor());
    addSubview(m_contentView);
    layoutSubviews();
}

Ref<UILabel> UITableViewCell::textLabel() const
{
    if (!m_textLabel) {
        m_textLabel = makeRef<UILabel>();
        m_contentView->addSubview(m_textLabel);
        placeContent();
    }
    return m_textLabel.toRef();
}

RefPtr<UILabel> UITableViewCell::detailTextLabel() const
{
    if (!m_detailTextLabel && m_style != UITableViewCellStyleDefault) {
        m_detailTextLabel = makeRef<UILabel>();
        if (m_style == UITableViewCellStyleValue1)
            m_detailTextLabel->setTextAlignment(NSTextAlignmentRight);
        m_contentView->addSubview(m_detailTextLabel);
        placeContent();
    }
    return m_detailTextLabel;
}

RefPtr<UIImageView> UITableViewCell::imageView() const
{
    if (!m_imageView && m_style != UITableViewCellStyleValue2) {
        m_imageView = makeRef<UIImageView>();
        m_contentView->addSubview(m_imageView);
        placeContent();
    }
    return m_imageView;
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
    placeAccessory();
    placeContent();
}

void UITableViewCell::placeAccessory()
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
}

void UITableViewCell::placeContent() const
{
    const CGSize content = m_contentView->bounds().size;
    CGFloat left = edgeInset;
    if (m_imageView && m_imageView->image()) {
        m_imageView->setFrame(CGRectMake(edgeInset, 0, content.height, content.height));
        left += content.height + edgeInset;
    } else if (m_imageView) {
        m_imageView->setFrame(CGRectZero);
    }
    const CGFloat textWidth = std::max<CGFloat>(0, content.width - left - edgeInset);
    const CGFloat height = content.height;
    // The frames of the text label and of the detail label, by the style.
    CGRect text = CGRectMake(left, 0, textWidth, height);
    CGRect detail = CGRectZero;
    switch (m_style) {
    case UITableViewCellStyleDefault:
        break;
    case UITableViewCellStyleValue1:
    case UITableViewCellStyleValue2:
        text.size.width = textWidth / 2;
        detail = CGRectMake(left + textWidth / 2, 0, textWidth / 2, height);
        break;
    case UITableViewCellStyleSubtitle:
        text.size.height = height / 2;
        detail = CGRectMake(left, height / 2, textWidth, height / 2);
        break;
    }
    if (m_textLabel)
        m_textLabel->setFrame(text);
    if (m_detailTextLabel)
        m_detailTextLabel->setFrame(detail);
}

} // namespace qv
