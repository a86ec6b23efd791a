#pragma once

#include "UILabel.h"
#include "UIView.h"

namespace qv {

// The view a table shows above or below a section that has a title. Its
// tint colour starts as the one set for every header-footer view of the
// application (the appearance setting), when there is one.
class UITableViewHeaderFooterView : public UIView {
public:
    std::string className() const override { return "UITableViewHeaderFooterView"; }
    explicit UITableViewHeaderFooterView(CGRect frame = CGRectZero);

    Ref<UILabel> textLabel() const { return m_textLabel; }
    RefPtr<UIColor> tintColor() const { return m_tintColor; }
    void setTintColor(RefPtr<UIColor> color) { m_tintColor = std::move(color); }

    // The appearance setting: the tint of every header-footer view made
    // from now on.
    static RefPtr<UIColor> appearanceTintColor();
    static void setAppearanceTintColor(RefPtr<UIColor> color);

    void setFrame(CGRect frame) override;

protected:
    ~UITableViewHeaderFooterView() override = default;

private:
    Ref<UILabel> m_textLabel;
    RefPtr<UIColor> m_tintColor;
};

} // namespace qv
