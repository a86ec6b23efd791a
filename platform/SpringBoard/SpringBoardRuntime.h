#pragma once

// Small helpers for defining SpringBoard's classes in the object runtime.

#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

#include <functional>
#include <string>

namespace qv {

// A class of SpringBoard whose instances are C++ objects of type T, made by
// SpringBoard itself (the runtime cannot alloc them). Registered at once.
template<typename T>
Class SBDefineClass(const char* superclassName, const char* name, const std::function<void(Class)>& addMethods)
{
    Class cls = objc_allocateClassPair<T>(objc_getClass(superclassName), name, std::function<Ref<T>()>());
    if (!cls)
        return objc_getClass(name);
    addMethods(cls);
    objc_registerClassPair(cls);
    return cls;
}

// An instance method whose implementation is the block (receiver first,
// then the message's arguments).
template<typename F>
void SBAddMethod(Class cls, const char* selector, F block)
{
    class_addMethod(cls, sel_registerName(selector), imp_implementationWithBlock(std::move(block)));
}

// A class method: the block's receiver is the class that was sent the message.
template<typename F>
void SBAddClassMethod(Class cls, const char* selector, F block)
{
    SBAddMethod(object_getClass(cls), selector, std::move(block));
}

// The geometry and opacity messages that SpringBoard's views answer, for
// a view class whose instances are C++ objects of type T.
template<typename T>
void SBAddViewMethods(Class cls)
{
    SBAddMethod(cls, "frame", [](T* self) { return self->frame(); });
    SBAddMethod(cls, "bounds", [](T* self) { return self->bounds(); });
    SBAddMethod(cls, "alpha", [](T* self) { return self->alpha(); });
    SBAddMethod(cls, "setAlpha:", [](T* self, CGFloat alpha) { self->setAlpha(alpha); });
}

} // namespace qv
