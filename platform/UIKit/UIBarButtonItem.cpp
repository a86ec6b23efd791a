#include "UIBarButtonItem.h"

#include "platform/core/Log.h"

#include <array>

namespace qv {

namespace {

struct SystemItemText {
    const char* name;
    const char* title;
};

constexpr std::array<SystemItemText, 24> systemItems { {
    { "Done", "Done" }, { "Cancel", "Cancel" }, { "Edit", "Edit" }, { "Save", "Save" }, { "Add", "" },
    { "FlexibleSpace", "" }, { "FixedSpace", "" }, { "Compose", "" }, { "Reply", "" }, { "Action", "" },
    { "Organize", "" }, { "Bookmarks", "" }, { "Search", "" }, { "Refresh", "" }, { "Stop", "" },
    { "Camera", "" }, { "Trash", "" }, { "Play", "" }, { "Pause", "" }, { "Rewind", "" },
    { "FastForward", "" }, { "Undo", "Undo" }, { "Redo", "Redo" }, { "PageCurl", "" },
} };

const SystemItemText* textOf(std::optional<UIBarButtonSystemItem> item)
{
    if (!item || *item < 0 || static_cast<size_t>(*item) >= systemItems.size())
        return nullptr;
    return &systemItems[static_cast<size_t>(*item)];
}

} // namespace

UIBarButtonItem::UIBarButtonItem(UIBarButtonSystemItem systemItem, Object* target, Action action)
    : m_systemItem(systemItem)
{
    if (const SystemItemText* text = textOf(systemItem))
        m_title = text->title;
    // The system's own done-style items are drawn bold.
    if (systemItem == UIBarButtonSystemItemDone || systemItem == UIBarButtonSystemItemSave)
        m_style = UIBarButtonItemStyleDone;
    setAction(target, std::move(action));
}

UIBarButtonItem::UIBarButtonItem(std::string title, UIBarButtonItemStyle style, Object* target, Action action)
    : m_title(std::move(title))
    , m_style(style)
{
    setAction(target, std::move(action));
}

UIBarButtonItem::UIBarButtonItem(RefPtr<UIView> customView)
    : m_customView(std::move(customView))
{
}

void UIBarButtonItem::setAction(Object* target, Action action)
{
    m_target = WeakPtr<Object>(target);
    m_hasTarget = target;
    m_action = std::move(action);
}

std::string UIBarButtonItem::systemItemName() const
{
    const SystemItemText* text = textOf(m_systemItem);
    return text ? text->name : "";
}

bool UIBarButtonItem::isSpace() const
{
    return m_systemItem == UIBarButtonSystemItemFlexibleSpace || m_systemItem == UIBarButtonSystemItemFixedSpace;
}

bool UIBarButtonItem::matches(const std::string& titleOrName) const
{
    return !titleOrName.empty() && (titleOrName == m_title || titleOrName == systemItemName());
}

bool UIBarButtonItem::tap()
{
    if (!m_enabled || isSpace() || m_customView) {
        logLine("UIBarButtonItem: \"" + (m_title.empty() ? systemItemName() : m_title) + "\" cannot be tapped "
            + (!m_enabled ? "while it is disabled" : m_customView ? "by its item; tap its view" : "as it is a space"));
        return false;
    }
    Ref<UIBarButtonItem> protect(*this);
    RefPtr<Object> target = m_target.lock();
    if (m_action && (target || !m_hasTarget))
        m_action(*this);
    return true;
}

} // namespace qv
