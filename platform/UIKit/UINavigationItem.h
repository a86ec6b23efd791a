#pragma once

#include "UIBarButtonItem.h"

#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

class UINavigationBar;

// What a navigation bar shows for one screen: a title (or a title view), an
// optional prompt above it, and items on the left and on the right. Of
// several right items the first is the outermost, at the right edge; of
// several left items the first is at the left edge. A change shows at once
// on the bar the item is the top item of.
class UINavigationItem : public NSObject {
public:
    std::string className() const override { return "UINavigationItem"; }
    explicit UINavigationItem(std::string title = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    const std::optional<std::string>& prompt() const { return m_prompt; }
    void setPrompt(std::optional<std::string> prompt);
    RefPtr<UIView> titleView() const { return m_titleView; }
    void setTitleView(RefPtr<UIView> view);

    RefPtr<UIBarButtonItem> leftBarButtonItem() const;
    void setLeftBarButtonItem(RefPtr<UIBarButtonItem> item, bool animated = false);
    RefPtr<UIBarButtonItem> rightBarButtonItem() const;
    void setRightBarButtonItem(RefPtr<UIBarButtonItem> item, bool animated = false);
    const std::vector<Ref<UIBarButtonItem>>& leftBarButtonItems() const { return m_leftItems; }
    void setLeftBarButtonItems(std::vector<Ref<UIBarButtonItem>> items, bool animated = false);
    const std::vector<Ref<UIBarButtonItem>>& rightBarButtonItems() const { return m_rightItems; }
    void setRightBarButtonItems(std::vector<Ref<UIBarButtonItem>> items, bool animated = false);

    // The back button this item gives the item pushed above it.
    RefPtr<UIBarButtonItem> backBarButtonItem() const { return m_backItem; }
    void setBackBarButtonItem(RefPtr<UIBarButtonItem> item) { m_backItem = std::move(item); }
    bool hidesBackButton() const { return m_hidesBackButton; }
    void setHidesBackButton(bool hides, bool animated = false);

    // The bar the item is on, or null.
    RefPtr<UINavigationBar> navigationBar() const { return m_bar.lock(); }

protected:
    ~UINavigationItem() override = default;

private:
    friend class UINavigationBar;
    void changed();

    std::string m_title;
    std::optional<std::string> m_prompt;
    RefPtr<UIView> m_titleView;
    std::vector<Ref<UIBarButtonItem>> m_leftItems;
    std::vector<Ref<UIBarButtonItem>> m_rightItems;
    RefPtr<UIBarButtonItem> m_backItem;
    bool m_hidesBackButton = false;
    WeakPtr<UINavigationBar> m_bar;
};

} // namespace qv
