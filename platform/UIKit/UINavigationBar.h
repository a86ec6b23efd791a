#pragma once

#include "UIBarItemViews.h"
#include "UINavigationItem.h"
#include "UIView.h"

#include <vector>

namespace qv {

class UINavigationBar;

// What a navigation bar asks and tells about its stack of items; the
// questions default to yes.
class UINavigationBarDelegate : public virtual Object {
public:
    virtual bool navigationBarShouldPushItem(UINavigationBar*, UINavigationItem*) { return true; }
    virtual void navigationBarDidPushItem(UINavigationBar*, UINavigationItem*) {}
    virtual bool navigationBarShouldPopItem(UINavigationBar*, UINavigationItem*) { return true; }
    virtual void navigationBarDidPopItem(UINavigationBar*, UINavigationItem*) {}

protected:
    ~UINavigationBarDelegate() override = default;
};

// The bar across the top of a screen: a stack of navigation items of which
// the top one is shown, with a back button to the one below it. The custom
// views of the top item's bar button items (and its title view) are the
// bar's subviews, laid out left and right; the bar retains its items. An
// item can be on one bar at a time: pushing an item that is on a bar
// already is refused with a log line.
class UINavigationBar : public UIView {
public:
    std::string className() const override { return "UINavigationBar"; }
    explicit UINavigationBar(CGRect frame = CGRectZero);

    std::vector<Ref<UINavigationItem>> items() const { return m_items; }
    void setItems(std::vector<Ref<UINavigationItem>> items, bool animated = false);
    void pushNavigationItem(const RefPtr<UINavigationItem>& item, bool animated);
    // The popped item, or null when the stack is empty.
    RefPtr<UINavigationItem> popNavigationItemAnimated(bool animated);
    RefPtr<UINavigationItem> topItem() const;
    RefPtr<UINavigationItem> backItem() const;

    RefPtr<UINavigationBarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UINavigationBarDelegate>& delegate) { m_delegate = delegate; }

    // 44 points high, 74 with a prompt; the width stays.
    void sizeToFit();

    // The back button's title: the item below's back item, else its title,
    // else "Back"; none without an item below or when the top item hides it.
    std::optional<std::string> backButtonTitle() const;
    // The user's tap on the back button: asks the delegate, then pops.
    // Refused with a log line when no back button shows.
    bool tapBackButton();
    // The top item's bar button items, left then right.
    std::vector<Ref<UIBarButtonItem>> barButtonItems() const;

    void layoutSubviews() override;
    void setFrame(CGRect frame) override;

protected:
    ~UINavigationBar() override;

private:
    friend class UINavigationItem;
    void itemChanged(UINavigationItem& item);
    void adoptItem(UINavigationItem& item);
    void releaseItem(UINavigationItem& item);

    std::vector<Ref<UINavigationItem>> m_items;
    WeakPtr<UINavigationBarDelegate> m_delegate;
    UIBarItemViews m_itemViews;
};

} // namespace qv
