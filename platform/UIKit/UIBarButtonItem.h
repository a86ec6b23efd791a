#pragma once

#include "UIView.h"

#include "platform/Foundation/NSObject.h"

#include <functional>
#include <optional>
#include <string>

namespace qv {

enum UIBarButtonSystemItem : int64_t {
    UIBarButtonSystemItemDone = 0,
    UIBarButtonSystemItemCancel = 1,
    UIBarButtonSystemItemEdit = 2,
    UIBarButtonSystemItemSave = 3,
    UIBarButtonSystemItemAdd = 4,
    UIBarButtonSystemItemFlexibleSpace = 5,
    UIBarButtonSystemItemFixedSpace = 6,
    UIBarButtonSystemItemCompose = 7,
    UIBarButtonSystemItemReply = 8,
    UIBarButtonSystemItemAction = 9,
    UIBarButtonSystemItemOrganize = 10,
    UIBarButtonSystemItemBookmarks = 11,
    UIBarButtonSystemItemSearch = 12,
    UIBarButtonSystemItemRefresh = 13,
    UIBarButtonSystemItemStop = 14,
    UIBarButtonSystemItemCamera = 15,
    UIBarButtonSystemItemTrash = 16,
    UIBarButtonSystemItemPlay = 17,
    UIBarButtonSystemItemPause = 18,
    UIBarButtonSystemItemRewind = 19,
    UIBarButtonSystemItemFastForward = 20,
    UIBarButtonSystemItemUndo = 21,
    UIBarButtonSystemItemRedo = 22,
    UIBarButtonSystemItemPageCurl = 23,
};

enum UIBarButtonItemStyle : int64_t {
    UIBarButtonItemStylePlain = 0,
    UIBarButtonItemStyleBordered = 1,
    UIBarButtonItemStyleDone = 2,
};

// A button of a navigation bar or toolbar: a system item, a titled item or
// an item around a custom view (a segmented control, say), which the bar
// shows as its subview.
//
// The target is not retained: an action whose target has gone does
// nothing. The action is a callback or a member function of the target
// taking nothing or the sender. The system items Done, Cancel, Edit, Save,
// Undo and Redo show their word as title; the others show a symbol and
// have no title.
class UIBarButtonItem : public NSObject {
public:
    std::string className() const override { return "UIBarButtonItem"; }
    using Action = std::function<void(UIBarButtonItem& sender)>;

    UIBarButtonItem(UIBarButtonSystemItem systemItem, Object* target, Action action);
    UIBarButtonItem(std::string title, UIBarButtonItemStyle style, Object* target, Action action);
    explicit UIBarButtonItem(RefPtr<UIView> customView);

    template<typename T, typename C>
    UIBarButtonItem(UIBarButtonSystemItem systemItem, T* target, void (C::*action)())
        : UIBarButtonItem(systemItem, target, bind(target, action)) { }
    template<typename T, typename C>
    UIBarButtonItem(UIBarButtonSystemItem systemItem, T* target, void (C::*action)(UIBarButtonItem*))
        : UIBarButtonItem(systemItem, target, bind(target, action)) { }
    template<typename T, typename C>
    UIBarButtonItem(std::string title, UIBarButtonItemStyle style, T* target, void (C::*action)())
        : UIBarButtonItem(std::move(title), style, target, bind(target, action)) { }
    template<typename T, typename C>
    UIBarButtonItem(std::string title, UIBarButtonItemStyle style, T* target, void (C::*action)(UIBarButtonItem*))
        : UIBarButtonItem(std::move(title), style, target, bind(target, action)) { }

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    UIBarButtonItemStyle style() const { return m_style; }
    void setStyle(UIBarButtonItemStyle style) { m_style = style; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    int64_t tag() const { return m_tag; }
    void setTag(int64_t tag) { m_tag = tag; }
    // The width of a fixed space; 0 lets the bar choose.
    CGFloat width() const { return m_width; }
    void setWidth(CGFloat width) { m_width = width; }
    RefPtr<UIView> customView() const { return m_customView; }
    void setCustomView(RefPtr<UIView> view) { m_customView = std::move(view); }
    std::optional<UIBarButtonSystemItem> systemItem() const { return m_systemItem; }
    // "Camera", "FlexibleSpace", ...; empty for an item that is no system item.
    std::string systemItemName() const;
    bool isSpace() const;
    // Whether the item answers to the title or the system item's name.
    bool matches(const std::string& titleOrName) const;

    RefPtr<Object> target() const { return m_target.lock(); }
    void setAction(Object* target, Action action);

    // The user's tap. Refused with a log line when the item is disabled, is
    // a space, or holds a custom view (which takes its own touches).
    bool tap();

protected:
    ~UIBarButtonItem() override = default;

private:
    template<typename T, typename C>
    static Action bind(T* target, void (C::*action)())
    {
        C* receiver = target;
        return [receiver, action](UIBarButtonItem&) { (receiver->*action)(); };
    }
    template<typename T, typename C>
    static Action bind(T* target, void (C::*action)(UIBarButtonItem*))
    {
        C* receiver = target;
        return [receiver, action](UIBarButtonItem& sender) { (receiver->*action)(&sender); };
    }

    std::optional<UIBarButtonSystemItem> m_systemItem;
    std::string m_title;
    UIBarButtonItemStyle m_style = UIBarButtonItemStylePlain;
    bool m_enabled = true;
    int64_t m_tag = 0;
    CGFloat m_width = 0;
    RefPtr<UIView> m_customView;
    WeakPtr<Object> m_target;
    bool m_hasTarget = false;
    Action m_action;
};

} // namespace qv
