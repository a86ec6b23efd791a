#include "UIColor.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// Components outside 0...1 are pinned, and a component that is not a number
// reads as 0, so that no colour carries a value no screen can show.
CGFloat pinned(CGFloat component)
{
    if (std::isnan(component))
        return 0;
    return std::clamp(component, CGFloat(0), CGFloat(1));
}

} // namespace

UIColor::UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, bool isGrey)
    : m_red(pinned(red))
    , m_green(pinned(green))
    , m_blue(pinned(blue))
    , m_alpha(pinned(alpha))
    , m_isGrey(isGrey)
{
}

Ref<UIColor> UIColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return makeRef<UIColor>(red, green, blue, alpha, false);
}

Ref<UIColor> UIColor::colorWithWhite(CGFloat white, CGFloat alpha)
{
    return makeRef<UIColor>(white, white, white, alpha, true);
}

Ref<UIColor> UIColor::blackColor() { return colorWithWhite(0, 1); }
Ref<UIColor> UIColor::darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1); }
Ref<UIColor> UIColor::grayColor() { return colorWithWhite(0.5, 1); }
Ref<UIColor> UIColor::lightGrayColor() { return colorWithWhite(2.0 / 3.0, 1); }
Ref<UIColor> UIColor::whiteColor() { return colorWithWhite(1, 1); }
Ref<UIColor> UIColor::clearColor() { return colorWithWhite(0, 0); }
Ref<UIColor> UIColor::redColor() { return colorWithRed(1, 0, 0, 1); }
Ref<UIColor> UIColor::greenColor() { return colorWithRed(0, 1, 0, 1); }
Ref<UIColor> UIColor::blueColor() { return colorWithRed(0, 0, 1, 1); }

Ref<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const
{
    return makeRef<UIColor>(m_red, m_green, m_blue, alpha, m_isGrey);
}

bool UIColor::getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const
{
    if (red)
        *red = m_red;
    if (green)
        *green = m_green;
    if (blue)
        *blue = m_blue;
    if (alpha)
        *alpha = m_alpha;
    return true;
}

bool UIColor::getWhite(CGFloat* white, CGFloat* alpha) const
{
    if (!m_isGrey)
        return false;
    if (white)
        *white = m_red;
    if (alpha)
        *alpha = m_alpha;
    return true;
}

bool UIColor::isEqual(const NSObject* object) const
{
    const auto* other = dynamic_cast<const UIColor*>(object);
    return other && m_red == other->m_red && m_green == other->m_green && m_blue == other->m_blue
        && m_alpha == other->m_alpha;
}

NSUInteger UIColor::hash() const
{
    // Components are pinned to 0...1, so a byte each tells them apart well enough.
    auto byte = [](CGFloat component) { return static_cast<NSUInteger>(std::lround(component * 255)); };
    return byte(m_red) << 24 | byte(m_green) << 16 | byte(m_blue) << 8 | byte(m_alpha);
}

} // namespace qv
