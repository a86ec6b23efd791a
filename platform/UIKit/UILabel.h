#pragma once

#include "UITextProperties.h"
#include "UIView.h"

#include <string>

namespace qv {

// A view that shows a line (or lines) of text. Headless: the text and its
// settings are kept for whoever reads them; nothing is measured. Like the
// device, a label takes no touches until user interaction is turned on.
class UILabel : public UIView, public UITextProperties {
public:
    std::string className() const override { return "UILabel"; }
    UILabel();
    explicit UILabel(CGRect frame);

    // 1 unless set; 0 means as many as the text needs.
    int64_t numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int64_t lines) { m_numberOfLines = lines; }

    // Shrinking the font to fit the width, down to the minimum scale.
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool adjusts) { m_adjustsFontSizeToFitWidth = adjusts; }
    CGFloat minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(CGFloat factor) { m_minimumScaleFactor = factor; }
    CGFloat minimumFontSize() const { return m_minimumFontSize; }
    void setMinimumFontSize(CGFloat size) { m_minimumFontSize = size; }

    // No shadow unless a colour is set; the offset is (0, -1) unless set.
    RefPtr<UIColor> shadowColor() const { return m_shadowColor; }
    void setShadowColor(RefPtr<UIColor> color) { m_shadowColor = std::move(color); }
    CGSize shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(CGSize offset) { m_shadowOffset = offset; }

protected:
    ~UILabel() override = default;

private:
    int64_t m_numberOfLines = 1;
    bool m_adjustsFontSizeToFitWidth = false;
    CGFloat m_minimumScaleFactor = 0;
    CGFloat m_minimumFontSize = 0;
    RefPtr<UIColor> m_shadowColor;
    CGSize m_shadowOffset = CGSizeMake(0, -1);
};

} // namespace qv
