#pragma once

#include "Runtime.h"

#include <string>

namespace qv {

// A C++ class whose instances live in the object runtime, on top of a base
// of the device's class tree (NSObject, UIView, ...). The name it reports
// is its runtime class's, so an instance of a class made at run time, or
// given its class by object_setClass, shows that class's name everywhere;
// only an object of a C++ type no runtime class was registered for falls
// back to the base's name.
template<typename Base>
class RuntimeInstance : public Base, public objc_object {
public:
    std::string className() const override
    {
        Class cls = object_getClass(const_cast<RuntimeInstance*>(this));
        return cls ? class_getName(cls) : Base::className();
    }

protected:
    using Base::Base;
    ~RuntimeInstance() override = default;
};

} // namespace qv
