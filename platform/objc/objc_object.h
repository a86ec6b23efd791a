#pragma once

#include "ObjCTypes.h"
#include "platform/core/Object.h"

#include <atomic>

namespace qv {

// The root of the runtime's instances. A C++ class whose instances receive
// messages derives from it (beside any other base such as a view); the
// runtime knows the instance's class (its isa) either because the runtime
// made it through `alloc`, or from the C++ class it was registered with.
class objc_object : public virtual Object {
public:
    objc_object() = default;

protected:
    ~objc_object() override = default;

private:
    friend class RuntimeRegistry;
    // Set by the runtime when it makes the instance; otherwise the class is
    // the one registered for the object's C++ type.
    mutable std::atomic<objc_class*> m_isa { nullptr };
};

} // namespace qv
