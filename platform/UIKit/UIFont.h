#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/Geometry.h"

#include <string>

namespace qv {

// A font by name and point size; nothing is ever drawn with it here.
class UIFont : public NSObject {
public:
    static Ref<UIFont> systemFontOfSize(CGFloat pointSize);
    static Ref<UIFont> boldSystemFontOfSize(CGFloat pointSize);

    const std::string& fontName() const { return m_fontName; }
    CGFloat pointSize() const { return m_pointSize; }
    std::string className() const override { return "UIFont"; }
    // The same name at the same size; an absent object equals nothing.
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

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
