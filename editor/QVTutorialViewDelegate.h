#pragma once

#include "platform/core/Object.h"

namespace qv {

class QVTutorialView;

// Told when a tutorial card's overlay has left its host view.
class QVTutorialViewDelegate : public virtual Object {
public:
    virtual void didDismissTutorialView(QVTutorialView* view) = 0;

protected:
    ~QVTutorialViewDelegate() override = default;
};

} // namespace qv
