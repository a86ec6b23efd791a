#pragma once

// Placeholder until the image class lands from its own branch: the views
// here only hold images and hand them back, so the name is all they need.
// The merge replaces this file with the real class.

#include "platform/core/Ref.h"

namespace qv {

class UIImage : public virtual Object {
protected:
    ~UIImage() override = default;
};

} // namespace qv
