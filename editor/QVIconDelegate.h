#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/Object.h"

#include <cstdint>
#include <vector>

namespace qv {

class QVIcon;

// What an icon asks of the icon manager and tells it.
class QVIconDelegate : public virtual Object {
public:
    // The id of an icon made without one.
    virtual int32_t getNewIconIdForIcon(QVIcon* icon) = 0;
    // Remove this icon; its delete animation has ended.
    virtual void deleteIcon(QVIcon* icon) = 0;
    virtual void swapIconWithId(int32_t iconId, int32_t otherId) = 0;
    // The grid's slot centres, in slot order.
    virtual std::vector<CGPoint> currentIconGridPositions() = 0;
    virtual bool shouldShowDeleteOnIcon(int32_t iconId) = 0;
    virtual bool shouldShowNameLabelOnIcon(int32_t iconId) = 0;
    virtual bool isSelecting() = 0;
    virtual void iconHasBeenSelected(int32_t iconId, bool selected) = 0;
    virtual void iconStartedShowingPositionPopover(QVIcon* icon) = 0;

protected:
    ~QVIconDelegate() override = default;
};

} // namespace qv
