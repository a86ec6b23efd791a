#include "UIFont.h"

#include <functional>

namespace qv {

UIFont::UIFont(std::string fontName, CGFloat pointSize)
    : m_fontName(std::move(fontName))
    , m_pointSize(pointSize)
{
}

Ref<UIFont> UIFont::systemFontOfSize(CGFloat pointSize)
{
    return makeRef<UIFont>(systemFontName, pointSize);
}

Ref<UIFont> UIFont::boldSystemFontOfSize(CGFloat pointSize)
{
    return makeRef<UIFont>(boldSystemFontName, pointSize);
}

bool UIFont::isEqual(const NSObject* other) const
{
    auto font = dynamic_cast<const UIFont*>(other);
    return font && font->m_fontName == m_fontName && font->m_pointSize == m_pointSize;
}

NSUInteger UIFont::hash() const
{
    return std::hash<std::string>()(m_fontName) ^ std::hash<CGFloat>()(m_pointSize);
}

} // namespace qv
