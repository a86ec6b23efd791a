#pragma once

#include "platform/core/Object.h"

#include <cstdint>

namespace qv {

class QVGridLineChangeView;

// Told of every change the grid size panel stores: rows ("horizontal")
// and columns ("vertical").
class QVGridLineChangeViewDelegate : public virtual Object {
public:
    virtual void gridLineChangeViewHorizontalValueChanged(QVGridLineChangeView* view, int32_t rows) = 0;
    virtual void gridLineChangeViewVerticalValueChanged(QVGridLineChangeView* view, int32_t columns) = 0;

protected:
    ~QVGridLineChangeViewDelegate() override = default;
};

} // namespace qv
