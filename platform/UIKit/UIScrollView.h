#pragma once

#include "UIView.h"

namespace qv {

struct UIEdgeInsets {
    CGFloat top = 0;
    CGFloat left = 0;
    CGFloat bottom = 0;
    CGFloat right = 0;
    bool operator==(const UIEdgeInsets&) const = default;
};

inline UIEdgeInsets UIEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right)
{
    return { top, left, bottom, right };
}

// A view whose content is larger than itself: the content offset is the
// origin of its bounds, so its subviews move as it scrolls. Scrolling from
// code takes the offset as given; scrolling does not animate here.
class UIScrollView : public UIView {
public:
    std::string className() const override { return "UIScrollView"; }
    explicit UIScrollView(CGRect frame = CGRectZero);

    CGPoint contentOffset() const { return bounds().origin; }
    virtual void setContentOffset(CGPoint offset);
    void setContentOffset(CGPoint offset, bool animated) { setContentOffset(offset); }
    CGSize contentSize() const { return m_contentSize; }
    void setContentSize(CGSize size) { m_contentSize = size; }
    UIEdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(UIEdgeInsets insets) { m_contentInset = insets; }
    UIEdgeInsets scrollIndicatorInsets() const { return m_scrollIndicatorInsets; }
    void setScrollIndicatorInsets(UIEdgeInsets insets) { m_scrollIndicatorInsets = insets; }
    bool scrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }

protected:
    ~UIScrollView() override = default;

private:
    CGSize m_contentSize;
    UIEdgeInsets m_contentInset;
    UIEdgeInsets m_scrollIndicatorInsets;
    bool m_scrollEnabled = true;
};

} // namespace qv
