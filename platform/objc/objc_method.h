#pragma once

#include "IMP.h"
#include "ObjCTypes.h"

#include <string>

namespace qv {

// One entry of a class's method table. The name and types never change;
// the implementation changes only under the runtime's lock.
struct objc_method {
    objc_method(SEL methodName, std::string methodTypes, IMP implementation)
        : name(methodName), types(std::move(methodTypes)), imp(std::move(implementation)) {}
    objc_method(const objc_method&) = delete;
    objc_method& operator=(const objc_method&) = delete;

    const SEL name;
    const std::string types;
    IMP imp;
};

} // namespace qv
