#pragma once

#include "UIView.h"

namespace qv {

enum UIActivityIndicatorViewStyle : int64_t {
    UIActivityIndicatorViewStyleWhiteLarge = 0,
    UIActivityIndicatorViewStyleWhite = 1,
    UIActivityIndicatorViewStyleGray = 2,
};

// The spinning wheel. It turns between startAnimating and stopAnimating;
// while it hides when stopped (the default) it is hidden whenever it does
// not turn. Made with a style, it takes its natural size (37 points square
// for the large style, 20 for the others).
class UIActivityIndicatorView : public UIView {
public:
    std::string className() const override { return "UIActivityIndicatorView"; }
    explicit UIActivityIndicatorView(CGRect frame = CGRectZero);
    explicit UIActivityIndicatorView(UIActivityIndicatorViewStyle style);

    UIActivityIndicatorViewStyle activityIndicatorViewStyle() const { return m_style; }
    void setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style) { m_style = style; }

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool hides);

protected:
    ~UIActivityIndicatorView() override = default;

private:
    UIActivityIndicatorViewStyle m_style = UIActivityIndicatorViewStyleWhite;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
};

} // namespace qv
