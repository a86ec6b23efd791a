#include "UIFont.h"

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

bool UIFont::isEqual(const UIFont* other) const
{
    return other && other->m_fontName == m_fontName && other->m_pointSize == m_pointSize;
}

} // namespace qv
