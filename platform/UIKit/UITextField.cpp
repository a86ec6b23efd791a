#include "UITextField.h"

#include "TextUnits.h"

#include "platform/core/Log.h"

namespace qv {

UITextField::UITextField(CGRect frame)
    : UIControl(frame)
{
}

bool UITextField::canBecomeFirstResponder() const
{
    return enabled();
}

bool UITextField::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    Ref<UITextField> protect(*this);
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate(); delegate && !delegate->textFieldShouldBeginEditing(this))
        return false;
    if (!UIControl::becomeFirstResponder())
        return false;
    m_editing = true;
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate())
        delegate->textFieldDidBeginEditing(this);
    sendActionsForControlEvents(UIControlEventEditingDidBegin, nullptr);
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    Ref<UITextField> protect(*this);
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate(); delegate && !delegate->textFieldShouldEndEditing(this))
        return false;
    if (!UIControl::resignFirstResponder())
        return false;
    m_editing = false;
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate())
        delegate->textFieldDidEndEditing(this);
    sendActionsForControlEvents(UIControlEventEditingDidEnd, nullptr);
    return true;
}

void UITextField::endTrackingWithTouch(UITouch&, UIEvent*)
{
    if (touchInside())
        becomeFirstResponder();
}

bool UITextField::startEditingForTyping()
{
    return (isFirstResponder() && m_editing) || becomeFirstResponder();
}

bool UITextField::applyChange(NSRange range, const std::string& replacement)
{
    if (!byteRangeOfUTF16Range(m_text, range)) {
        logLine("UITextField: refused a change of characters beyond the end of the text");
        return false;
    }
    Ref<UITextField> protect(*this);
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate(); delegate && !delegate->textField(this, range, replacement))
        return false;
    // The delegate may have changed the text while it was asked.
    auto bytes = byteRangeOfUTF16Range(m_text, range);
    if (!bytes)
        return false;
    m_text.replace(bytes->first, bytes->second - bytes->first, replacement);
    sendActionsForControlEvents(UIControlEventEditingChanged, nullptr);
    return true;
}

bool UITextField::insertText(const std::string& text)
{
    if (text.empty() || !startEditingForTyping())
        return false;
    return applyChange(NSMakeRange(utf16Length(m_text), 0), text);
}

bool UITextField::typeText(const std::string& text)
{
    bool all = !text.empty();
    for (const std::string& character : charactersOf(text))
        all = insertText(character) && all;
    return all;
}

bool UITextField::deleteBackward()
{
    if (!startEditingForTyping() || m_text.empty())
        return false;
    return applyChange(lastCharacterRange(m_text), std::string());
}

bool UITextField::replaceRange(NSRange range, const std::string& text)
{
    if (!startEditingForTyping())
        return false;
    return applyChange(range, text);
}

bool UITextField::pressReturnKey()
{
    if (!startEditingForTyping())
        return false;
    Ref<UITextField> protect(*this);
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate(); delegate && !delegate->textFieldShouldReturn(this))
        return false;
    sendActionsForControlEvents(UIControlEventEditingDidEndOnExit, nullptr);
    if (allControlEvents() & UIControlEventEditingDidEndOnExit)
        resignFirstResponder();
    return true;
}

bool UITextField::clearButtonShows() const
{
    if (m_text.empty())
        return false;
    switch (m_clearButtonMode) {
    case UITextFieldViewModeAlways:
        return true;
    case UITextFieldViewModeWhileEditing:
        return m_editing;
    case UITextFieldViewModeUnlessEditing:
        return !m_editing;
    default:
        return false;
    }
}

bool UITextField::pressClearButton()
{
    if (!clearButtonShows())
        return false;
    Ref<UITextField> protect(*this);
    if (RefPtr<UITextFieldDelegate> delegate = this->delegate(); delegate && !delegate->textFieldShouldClear(this))
        return false;
    m_text.clear();
    sendActionsForControlEvents(UIControlEventEditingChanged, nullptr);
    return true;
}

} // namespace qv
