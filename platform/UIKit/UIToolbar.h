#pragma once

#include "UIBarItemViews.h"
#include "UIView.h"

#include <vector>

namespace qv {

// A bar of items along the bottom of a screen, laid out from the left,
// flexible spaces sharing what width is left. The custom views of its items
// are its subviews. The toolbar retains its items.
class UIToolbar : public UIView {
public:
    std::string className() const override { return "UIToolbar"; }
    explicit UIToolbar(CGRect frame = CGRectZero);

    const std::vector<Ref<UIBarButtonItem>>& items() const { return m_items; }
    void setItems(std::vector<Ref<UIBarButtonItem>> items, bool animated = false);

    void layoutSubviews() override;
    void setFrame(CGRect frame) override;

protected:
    ~UIToolbar() override = default;

private:
    std::vector<Ref<UIBarButtonItem>> m_items;
    UIBarItemViews m_itemViews;
};

} // namespace qv
