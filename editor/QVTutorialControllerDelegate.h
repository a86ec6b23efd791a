#pragma once

#include "platform/core/Object.h"

namespace qv {

class QVTutorialController;

// Told when a tutorial card has been dismissed, or stepped over because it
// was seen before; the chain decides on the next card from its key.
class QVTutorialControllerDelegate : public virtual Object {
public:
    virtual void didDismissTutorialController(QVTutorialController* controller) = 0;

protected:
    ~QVTutorialControllerDelegate() override = default;
};

} // namespace qv
