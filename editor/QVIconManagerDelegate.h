#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/Object.h"

namespace qv {

class QVIcon;
class QVIconManager;

// What the icon manager asks of the editor and tells it.
class QVIconManagerDelegate : public virtual Object {
public:
    // The grid's frame now, kept with an arrangement that is cached.
    virtual CGRect gridFrameForIconManager(QVIconManager* manager) = 0;
    // The grid goes to this frame as an arrangement is restored.
    virtual void setGridFrameFromIconManager(CGRect frame, QVIconManager* manager) = 0;
    virtual void iconManagerObservedPositionPopoverFromIcon(QVIconManager* manager, QVIcon* icon) = 0;

protected:
    ~QVIconManagerDelegate() override = default;
};

} // namespace qv
