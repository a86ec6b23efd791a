#pragma once

#include "platform/core/Object.h"

#include <cstdint>

namespace qv {

class UIAlertView;

// What an alert tells its delegate about a tap on one of its buttons, and
// about its dismissal (also one from code, which sends no click).
class UIAlertViewDelegate : public virtual Object {
public:
    virtual void alertViewClickedButtonAtIndex(UIAlertView*, int64_t) {}
    virtual void alertViewWillDismissWithButtonIndex(UIAlertView*, int64_t) {}
    virtual void alertViewDidDismissWithButtonIndex(UIAlertView*, int64_t) {}

protected:
    ~UIAlertViewDelegate() override = default;
};

} // namespace qv
