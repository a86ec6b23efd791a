#include "NSObject.h"

#include <cstdio>
#include <functional>

namespace qv {

Ref<NSObject> NSObject::create()
{
    return makeRef<NSObject>();
}

std::string NSObject::description() const
{
    char text[64];
    std::snprintf(text, sizeof text, ": %p>", static_cast<const void*>(this));
    return "<" + className() + text;
}

std::string NSObject::descriptionAtLevel(unsigned) const
{
    return description();
}

bool NSObject::isEqual(const NSObject* other) const
{
    return other == this;
}

NSUInteger NSObject::hash() const
{
    return std::hash<const void*>()(this);
}

} // namespace qv
