#pragma once

#include "platform/core/Object.h"

#include <string>

namespace qv {

class NSObject;
class QVApplyLayoutController;

// What the apply-layout screen tells of every choice made on it.
class QVApplyLayoutControllerDelegate : public virtual Object {
public:
    // The screen chose a value (a layout reference, or the per-page switch)
    // for a preference key.
    virtual void applyLayoutControllerDidUpdateObject(QVApplyLayoutController* controller, NSObject* object, const std::string& key) = 0;

protected:
    ~QVApplyLayoutControllerDelegate() override = default;
};

} // namespace qv
