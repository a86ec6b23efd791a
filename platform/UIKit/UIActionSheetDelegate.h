#pragma once

#include "platform/core/Object.h"

#include <cstdint>

namespace qv {

class UIActionSheet;

// What an action sheet tells its delegate about a tap on one of its
// buttons, and about its dismissal (also one from code, which sends no
// click).
class UIActionSheetDelegate : public virtual Object {
public:
    virtual void actionSheetClickedButtonAtIndex(UIActionSheet*, int64_t) {}
    virtual void actionSheetWillDismissWithButtonIndex(UIActionSheet*, int64_t) {}
    virtual void actionSheetDidDismissWithButtonIndex(UIActionSheet*, int64_t) {}

protected:
    ~UIActionSheetDelegate() override = default;
};

} // namespace qv
