#pragma once

#include "platform/Foundation/NSRange.h"

#include "platform/core/Object.h"

#include <string>

namespace qv {

class UISearchBar;

// What a search bar asks and tells its delegate; the answers default to yes.
class UISearchBarDelegate : public virtual Object {
public:
    virtual bool searchBarShouldBeginEditing(UISearchBar*) { return true; }
    virtual void searchBarTextDidBeginEditing(UISearchBar*) {}
    virtual bool searchBarShouldEndEditing(UISearchBar*) { return true; }
    virtual void searchBarTextDidEndEditing(UISearchBar*) {}
    // searchBar:shouldChangeTextInRange:replacementText:
    virtual bool searchBarShouldChangeTextInRange(UISearchBar*, NSRange, const std::string&) { return true; }
    // searchBar:textDidChange:, after every change the user makes.
    virtual void searchBarTextDidChange(UISearchBar*, const std::string&) {}
    virtual void searchBarSearchButtonClicked(UISearchBar*) {}
    virtual void searchBarCancelButtonClicked(UISearchBar*) {}

protected:
    ~UISearchBarDelegate() override = default;
};

} // namespace qv
