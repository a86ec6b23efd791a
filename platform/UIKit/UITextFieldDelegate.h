#pragma once

#include "platform/Foundation/NSRange.h"

#include "platform/core/Object.h"

#include <string>

namespace qv {

class UITextField;

// What a text field asks and tells its delegate. Every question is asked
// before the change it is about; the answers default to yes.
class UITextFieldDelegate : public virtual Object {
public:
    virtual bool textFieldShouldBeginEditing(UITextField*) { return true; }
    virtual void textFieldDidBeginEditing(UITextField*) {}
    virtual bool textFieldShouldEndEditing(UITextField*) { return true; }
    virtual void textFieldDidEndEditing(UITextField*) {}
    // textField:shouldChangeCharactersInRange:replacementString: — whether
    // the characters of the range (UTF-16 units) may become the string.
    virtual bool textField(UITextField*, NSRange, const std::string&) { return true; }
    virtual bool textFieldShouldClear(UITextField*) { return true; }
    virtual bool textFieldShouldReturn(UITextField*) { return true; }

protected:
    ~UITextFieldDelegate() override = default;
};

} // namespace qv
