#pragma once

#include "UITabBarItem.h"
#include "UIView.h"

#include <vector>

namespace qv {

class UITabBar;

class UITabBarDelegate : public virtual Object {
public:
    virtual void tabBarDidSelectItem(UITabBar*, UITabBarItem*) {}

protected:
    ~UITabBarDelegate() override = default;
};

// The row of tabs along the bottom of a tab bar controller's screen. The
// tabs share the width equally; a touch that lifts on an enabled tab tells
// the delegate, which does the selecting.
class UITabBar : public UIView {
public:
    std::string className() const override { return "UITabBar"; }
    explicit UITabBar(CGRect frame = CGRectZero);

    const std::vector<Ref<UITabBarItem>>& items() const { return m_items; }
    void setItems(std::vector<Ref<UITabBarItem>> items, bool animated = false);
    RefPtr<UITabBarItem> selectedItem() const { return m_selectedItem; }
    void setSelectedItem(RefPtr<UITabBarItem> item) { m_selectedItem = std::move(item); }

    RefPtr<UITabBarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UITabBarDelegate>& delegate) { m_delegate = delegate; }

    // The user's tap on the tab at the index; refused with a log line for
    // an index out of range or a disabled tab.
    bool tapItemAtIndex(size_t index);

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override { }
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;

protected:
    ~UITabBar() override = default;

private:
    std::vector<Ref<UITabBarItem>> m_items;
    RefPtr<UITabBarItem> m_selectedItem;
    WeakPtr<UITabBarDelegate> m_delegate;
};

} // namespace qv
