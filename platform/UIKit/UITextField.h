#pragma once

#include "UIControl.h"
#include "UITextFieldDelegate.h"
#include "UITextProperties.h"

#include <string>

namespace qv {

// A one-line field of text that the user types into while it is the first
// responder (editing). Tapping it makes it the first responder.
//
// The typing drivers stand for the keyboard: each first makes the field the
// first responder if it is not (as the user's tap would; the delegate may
// refuse), asks the delegate about every change before making it, applies
// only what it accepts, and sends editing changed for each change made. The
// caret stays at the end of the text. Setting the text from code asks
// nobody and sends nothing.
class UITextField : public UIControl, public UITextProperties {
public:
    std::string className() const override { return "UITextField"; }
    explicit UITextField(CGRect frame = CGRectZero);

    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder) { m_placeholder = std::move(placeholder); }
    UITextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(UITextBorderStyle style) { m_borderStyle = style; }
    UITextFieldViewMode clearButtonMode() const { return m_clearButtonMode; }
    void setClearButtonMode(UITextFieldViewMode mode) { m_clearButtonMode = mode; }
    UIKeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(UIKeyboardType type) { m_keyboardType = type; }
    UIReturnKeyType returnKeyType() const { return m_returnKeyType; }
    void setReturnKeyType(UIReturnKeyType type) { m_returnKeyType = type; }
    UITextAutocapitalizationType autocapitalizationType() const { return m_autocapitalizationType; }
    void setAutocapitalizationType(UITextAutocapitalizationType type) { m_autocapitalizationType = type; }
    UITextAutocorrectionType autocorrectionType() const { return m_autocorrectionType; }
    void setAutocorrectionType(UITextAutocorrectionType type) { m_autocorrectionType = type; }
    bool secureTextEntry() const { return m_secureTextEntry; }
    void setSecureTextEntry(bool secure) { m_secureTextEntry = secure; }

    RefPtr<UITextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UITextFieldDelegate>& delegate) { m_delegate = delegate; }

    bool editing() const { return m_editing; }

    // The keyboard. Each answers whether the change was made.
    bool insertText(const std::string& text);            // one change
    bool typeText(const std::string& text);              // one change a character
    bool deleteBackward();                               // the last character
    bool replaceRange(NSRange range, const std::string& text);
    // Asks the delegate; when it agrees, sends editing did end on exit,
    // which ends the editing when anyone listens for it.
    bool pressReturnKey();
    // Only while the clear button shows (by its mode, with text in the field).
    bool pressClearButton();
    bool clearButtonShows() const;

    bool canBecomeFirstResponder() const override;
    bool requiresKeyboard() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void endTrackingWithTouch(UITouch& touch, UIEvent* event) override;

protected:
    ~UITextField() override = default;

private:
    bool startEditingForTyping();
    bool applyChange(NSRange range, const std::string& replacement);

    std::string m_placeholder;
    UITextBorderStyle m_borderStyle = UITextBorderStyleNone;
    UITextFieldViewMode m_clearButtonMode = UITextFieldViewModeNever;
    UIKeyboardType m_keyboardType = UIKeyboardTypeDefault;
    UIReturnKeyType m_returnKeyType = UIReturnKeyDefault;
    UITextAutocapitalizationType m_autocapitalizationType = UITextAutocapitalizationTypeSentences;
    UITextAutocorrectionType m_autocorrectionType = UITextAutocorrectionTypeDefault;
    bool m_secureTextEntry = false;
    WeakPtr<UITextFieldDelegate> m_delegate;
    bool m_editing = false;
};

} // namespace qv
