#pragma once

// Placeholder until the font class lands from its own branch: the views
// here only hold fonts and hand them back, so the name is all they need.
// The merge replaces this file with the real class.

#include "platform/core/Ref.h"

namespace qv {

class UIFont : public virtual Object {
protected:
    ~UIFont() override = default;
};

} // namespace qv
