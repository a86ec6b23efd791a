#pragma once

#include "UISearchBarDelegate.h"
#include "UITextField.h"
#include "UIView.h"

namespace qv {

// A bar with a search field and, when asked to show it, a Cancel button.
// The typing goes into its search field (searchField(), whose typing
// drivers apply) and reaches the bar's delegate as the device reports it:
// begin and end of editing, every change of the text, the keyboard's search
// button and the Cancel button. Setting the text from code tells nobody.
class UISearchBar : public UIView, private UITextFieldDelegate {
public:
    std::string className() const override { return "UISearchBar"; }
    explicit UISearchBar(CGRect frame = CGRectZero);

    std::string text() const { return m_searchField->text(); }
    void setText(std::string text) { m_searchField->setText(std::move(text)); }
    std::string placeholder() const { return m_searchField->placeholder(); }
    void setPlaceholder(std::string placeholder) { m_searchField->setPlaceholder(std::move(placeholder)); }
    bool showsCancelButton() const { return m_showsCancelButton; }
    void setShowsCancelButton(bool shows) { m_showsCancelButton = shows; }
    void setShowsCancelButton(bool shows, bool animated);

    RefPtr<UISearchBarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UISearchBarDelegate>& delegate) { m_delegate = delegate; }

    Ref<UITextField> searchField() const { return m_searchField; }

    // The keyboard's search button (it starts the editing first if need be)
    // and the Cancel button (only while it shows).
    bool pressSearchButton();
    bool pressCancelButton();

    // The bar is first responder through its field.
    bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override { return m_searchField->becomeFirstResponder(); }
    bool resignFirstResponder() override { return m_searchField->resignFirstResponder(); }

protected:
    ~UISearchBar() override = default;

private:
    bool textFieldShouldBeginEditing(UITextField*) override;
    void textFieldDidBeginEditing(UITextField*) override;
    bool textFieldShouldEndEditing(UITextField*) override;
    void textFieldDidEndEditing(UITextField*) override;
    bool textField(UITextField*, NSRange range, const std::string& replacement) override;
    bool textFieldShouldReturn(UITextField*) override;
    void searchFieldChanged();

    Ref<UITextField> m_searchField;
    WeakPtr<UISearchBarDelegate> m_delegate;
    bool m_showsCancelButton = false;
};

} // namespace qv
