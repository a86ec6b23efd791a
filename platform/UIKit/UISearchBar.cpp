#include "UISearchBar.h"

namespace qv {

UISearchBar::UISearchBar(CGRect frame)
    : UIView(frame)
    , m_searchField(makeRef<UITextField>(CGRectMake(0, 0, frame.size.width, frame.size.height)))
{
    m_searchField->setReturnKeyType(UIReturnKeySearch);
    m_searchField->setDelegate(WeakPtr<UITextFieldDelegate>(static_cast<UITextFieldDelegate*>(this)));
    m_searchField->addTarget(this, &UISearchBar::searchFieldChanged, UIControlEventEditingChanged);
    addSubview(m_searchField);
}

void UISearchBar::setShowsCancelButton(bool shows, bool)
{
    m_showsCancelButton = shows;
}

bool UISearchBar::pressSearchButton()
{
    if (!m_searchField->isFirstResponder() && !becomeFirstResponder())
        return false;
    Ref<UISearchBar> protect(*this);
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarSearchButtonClicked(this);
    return true;
}

bool UISearchBar::pressCancelButton()
{
    if (!m_showsCancelButton)
        return false;
    Ref<UISearchBar> protect(*this);
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarCancelButtonClicked(this);
    return true;
}

bool UISearchBar::textFieldShouldBeginEditing(UITextField*)
{
    RefPtr<UISearchBarDelegate> delegate = this->delegate();
    return !delegate || delegate->searchBarShouldBeginEditing(this);
}

void UISearchBar::textFieldDidBeginEditing(UITextField*)
{
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarTextDidBeginEditing(this);
}

bool UISearchBar::textFieldShouldEndEditing(UITextField*)
{
    RefPtr<UISearchBarDelegate> delegate = this->delegate();
    return !delegate || delegate->searchBarShouldEndEditing(this);
}

void UISearchBar::textFieldDidEndEditing(UITextField*)
{
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarTextDidEndEditing(this);
}

bool UISearchBar::textField(UITextField*, NSRange range, const std::string& replacement)
{
    RefPtr<UISearchBarDelegate> delegate = this->delegate();
    return !delegate || delegate->searchBarShouldChangeTextInRange(this, range, replacement);
}

bool UISearchBar::textFieldShouldReturn(UITextField*)
{
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarSearchButtonClicked(this);
    return false;
}

void UISearchBar::searchFieldChanged()
{
    if (RefPtr<UISearchBarDelegate> delegate = this->delegate())
        delegate->searchBarTextDidChange(this, text());
}

} // namespace qv
