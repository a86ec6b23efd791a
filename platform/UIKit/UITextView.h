#pragma once

#include "UITextProperties.h"
#include "UIView.h"

#include <string>

namespace qv {

// A view of running text, used here to show messages; the text is kept,
// nothing is laid out. White behind the text unless set.
class UITextView : public UIView, public UITextProperties {
public:
    std::string className() const override { return "UITextView"; }
    UITextView();
    explicit UITextView(CGRect frame);

    bool editable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }
    bool selectable() const { return m_selectable; }
    void setSelectable(bool selectable) { m_selectable = selectable; }

protected:
    ~UITextView() override = default;

private:
    bool m_editable = true;
    bool m_selectable = true;
};

} // namespace qv
