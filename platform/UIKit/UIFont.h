#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/Ref.h"

#include <string>

namespace qv {

// A font by name and point size; nothing is ever drawn with it here.
class UIFont : public virtual Object {
public:
    static Ref<UIFont> systemFontOfSize(CGFloat pointSize);
    static Ref<UIFont> boldSystemFontOfSize(CGFloat pointSize);

    const std::string& fontName() const { return m_fontName; }
    CGFloat pointSize() const { return m_pointSize; }
    // The same name at the same size; an absent font equals nothing.
    bool isEqual(const UIFont* other) const;

    static constexpr const char* systemFontName = "System";
    static constexpr const char* boldSystemFontName = "System-Bold";

private:
    QV_MAKE_REF_FRIEND;
    UIFont(std::string fontName, CGFloat pointSize);
    ~UIFont() override = default;

    std::string m_fontName;
    CGFloat m_pointSize;
};

} // namespace qv
