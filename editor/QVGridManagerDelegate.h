#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/Object.h"
#include "platform/core/Ref.h"

#include <vector>

namespace qv {

class QVGridManager;
class QVIcon;

// What the grid's slot calculator asks of the grid view and tells it.
class QVGridManagerDelegate : public virtual Object {
public:
    // The editor's icons, of which those locked to a slot follow the grid.
    virtual std::vector<Ref<QVIcon>> currentIconsForGridManager(QVGridManager* manager) = 0;
    // The slot centres after every update, in slot order.
    virtual void gridManagerUpdateCurrentIconPositions(QVGridManager* manager, const std::vector<CGPoint>& positions) = 0;
    virtual bool isGridShowingForGridManager(QVGridManager* manager) = 0;

protected:
    ~QVGridManagerDelegate() override = default;
};

} // namespace qv
