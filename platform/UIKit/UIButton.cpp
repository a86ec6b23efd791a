#include "UIButton.h"

namespace qv {

namespace {

constexpr CGFloat smallButtonSide = 22;

bool hasNaturalSize(UIButtonType type)
{
    return type == UIButtonTypeContactAdd || type == UIButtonTypeDetailDisclosure || type == UIButtonTypeInfoLight
        || type == UIButtonTypeInfoDark;
}

} // namespace

UIButton::UIButton(CGRect frame)
    : UIButton(UIButtonTypeCustom, frame)
{
}

UIButton::UIButton(UIButtonType type, CGRect frame)
    : UIControl(frame)
    , m_type(type)
    , m_titleLabel(makeRef<UILabel>())
    , m_imageView(makeRef<UIImageView>())
{
    addSubview(m_imageView);
    addSubview(m_titleLabel);
    showCurrentState();
}

Ref<UIButton> UIButton::buttonWithType(UIButtonType type)
{
    CGRect frame = hasNaturalSize(type) ? CGRectMake(0, 0, smallButtonSide, smallButtonSide) : CGRectZero;
    return makeRef<UIButton>(type, frame);
}

template<typename Value>
Value UIButton::lookUp(uint64_t state, Value Content::*field) const
{
    if (auto found = m_contents.find(state); found != m_contents.end() && found->second.*field)
        return found->second.*field;
    if (auto normal = m_contents.find(UIControlStateNormal); normal != m_contents.end())
        return normal->second.*field;
    return Value();
}

void UIButton::setTitle(std::optional<std::string> title, uint64_t state)
{
    m_contents[state].title = std::move(title);
    showCurrentState();
}

void UIButton::setTitleColor(RefPtr<UIColor> color, uint64_t state)
{
    m_contents[state].titleColor = std::move(color);
    showCurrentState();
}

void UIButton::setImage(RefPtr<UIImage> image, uint64_t state)
{
    m_contents[state].image = std::move(image);
    showCurrentState();
}

void UIButton::setBackgroundImage(RefPtr<UIImage> image, uint64_t state)
{
    m_contents[state].backgroundImage = std::move(image);
    showCurrentState();
}

std::string UIButton::titleForState(uint64_t state) const
{
    return lookUp(state, &Content::title).value_or(std::string());
}

Ref<UIColor> UIButton::titleColorForState(uint64_t state) const
{
    if (RefPtr<UIColor> color = lookUp(state, &Content::titleColor))
        return color.toRef();
    if (m_type == UIButtonTypeCustom)
        return UIColor::whiteColor();
    return UIColor::colorWithRed(0, 0.478, 1, 1);
}

RefPtr<UIImage> UIButton::imageForState(uint64_t state) const
{
    return lookUp(state, &Content::image);
}

RefPtr<UIImage> UIButton::backgroundImageForState(uint64_t state) const
{
    return lookUp(state, &Content::backgroundImage);
}

void UIButton::showCurrentState()
{
    m_titleLabel->setText(currentTitle());
    m_titleLabel->setTextColor(currentTitleColor());
    m_imageView->setImage(currentImage());
}

void UIButton::setEnabled(bool enabled)
{
    UIControl::setEnabled(enabled);
    showCurrentState();
}

void UIButton::setSelected(bool selected)
{
    UIControl::setSelected(selected);
    showCurrentState();
}

void UIButton::setHighlighted(bool highlighted)
{
    UIControl::setHighlighted(highlighted);
    showCurrentState();
}

} // namespace qv
