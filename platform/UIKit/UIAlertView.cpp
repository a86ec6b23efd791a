#include "UIAlertView.h"

#include "platform/core/Log.h"

namespace qv {

UIAlertView::UIAlertView()
    : UIModalView(std::string())
{
}

UIAlertView::UIAlertView(std::string title, std::string message, const WeakPtr<UIAlertViewDelegate>& delegate,
    std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : UIModalView(std::move(title))
    , m_message(std::move(message))
    , m_delegate(delegate)
{
    if (cancelButtonTitle)
        m_cancelButtonIndex = addButtonWithTitle(std::move(*cancelButtonTitle));
    for (std::string& other : otherButtonTitles) {
        int64_t index = addButtonWithTitle(std::move(other));
        if (m_firstOtherButtonIndex < 0)
            m_firstOtherButtonIndex = index;
    }
}

void UIAlertView::setAlertViewStyle(UIAlertViewStyle style)
{
    m_style = style;
    m_textFields.clear();
    auto addField = [this](std::string placeholder, bool secure) {
        Ref<UITextField> field = makeRef<UITextField>();
        field->setPlaceholder(std::move(placeholder));
        field->setSecureTextEntry(secure);
        m_textFields.push_back(field);
    };
    switch (style) {
    case UIAlertViewStyleSecureTextInput:
        addField(std::string(), true);
        break;
    case UIAlertViewStylePlainTextInput:
        addField(std::string(), false);
        break;
    case UIAlertViewStyleLoginAndPasswordInput:
        addField("Login", false);
        addField("Password", true);
        break;
    default:
        break;
    }
}

RefPtr<UITextField> UIAlertView::textFieldAtIndex(int64_t index) const
{
    if (index < 0 || index >= static_cast<int64_t>(m_textFields.size())) {
        logLine("UIAlertView: the alert has no text field " + std::to_string(index));
        return nullptr;
    }
    return m_textFields[static_cast<size_t>(index)];
}

void UIAlertView::show()
{
    if (!present())
        return;
    if (!m_textFields.empty())
        m_textFields.front()->becomeFirstResponder();
}

void UIAlertView::tellClicked(int64_t buttonIndex)
{
    if (RefPtr<UIAlertViewDelegate> delegate = this->delegate())
        delegate->alertViewClickedButtonAtIndex(this, buttonIndex);
}

void UIAlertView::tellWillDismiss(int64_t buttonIndex)
{
    if (RefPtr<UIAlertViewDelegate> delegate = this->delegate())
        delegate->alertViewWillDismissWithButtonIndex(this, buttonIndex);
}

void UIAlertView::tellDidDismiss(int64_t buttonIndex)
{
    if (RefPtr<UIAlertViewDelegate> delegate = this->delegate())
        delegate->alertViewDidDismissWithButtonIndex(this, buttonIndex);
}

void UIAlertView::didLeaveScreen()
{
    // The keyboard leaves with the alert.
    for (const Ref<UITextField>& field : m_textFields) {
        if (field->isFirstResponder())
            field->resignFirstResponder();
    }
}

} // namespace qv
