#pragma once

#include "platform/core/Object.h"

#include <cstdint>

namespace qv {

class QVIconPositionPopController;

// Told of every coordinate the exact-position panel accepts.
class QVIconPositionPopControllerDelegate : public virtual Object {
public:
    virtual void iconPositionControllerSetXCoordinate(QVIconPositionPopController* controller, int32_t x) = 0;
    virtual void iconPositionControllerSetYCoordinate(QVIconPositionPopController* controller, int32_t y) = 0;

protected:
    ~QVIconPositionPopControllerDelegate() override = default;
};

} // namespace qv
