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
    // Where a new icon of one orientation stands (the screen's when it is
    // on the screen): the fresh icon of a cache emptied by a delete takes
    // this frame, as the fresh icon of an emptied screen takes the place
    // of a new icon there.
    virtual CGRect newIconFrameForIconManager(QVIconManager* manager, bool landscape) = 0;

protected:
    ~QVIconManagerDelegate() override = default;
};

} // namespace qv
