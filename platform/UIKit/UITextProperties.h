#pragma once

#include "UIColor.h"
#include "UIFont.h"
#include "UITextTypes.h"

#include <string>

namespace qv {

// The text and its look, as labels, text views and text fields keep them.
class UITextProperties {
public:
    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    // Null stands for the system font.
    RefPtr<UIFont> font() const { return m_font; }
    void setFont(RefPtr<UIFont> font) { m_font = std::move(font); }
    // Black unless set; as on the device, setting no colour gives black.
    Ref<UIColor> textColor() const { return m_textColor; }
    void setTextColor(RefPtr<UIColor> color) { m_textColor = color ? color.toRef() : UIColor::blackColor(); }
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }

protected:
    UITextProperties() = default;
    ~UITextProperties() = default;

    std::string m_text;

private:
    RefPtr<UIFont> m_font;
    Ref<UIColor> m_textColor = UIColor::blackColor();
    NSTextAlignment m_textAlignment = NSTextAlignmentLeft;
};

} // namespace qv
