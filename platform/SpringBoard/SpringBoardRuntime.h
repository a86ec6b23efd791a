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

// A class of SpringBoard that only names a kind of its superclass: its
// instances are C++ objects of the superclass's type, given this class when
// SpringBoard makes them (SBBecomeInstanceOf).
Class SBDefineNamedClass(const char* superclassName, const char* name);

// Gives an object SpringBoard just made the class of that name, a class of
// SpringBoardRuntime's table; answers the object.
template<typename T>
Ref<T> SBBecomeInstanceOf(Ref<T> object, const char* className)
{
    object_setClass(object.ptr(), objc_getClass(className));
    return object;
}

// Whether the object is of the class of that name or of a class made from it.
bool SBIsKindOfClass(id object, const char* className);

// The geometry and opacity messages that SpringBoard's views answer, for a
// view class whose instances are C++ objects of type T.
template<typename T>
struct SBViewMessages {
    static inline const ObjCMessage<T, CGRect()> frame { "frame" };
    static inline const ObjCMessage<T, CGRect()> bounds { "bounds" };
    static inline const ObjCMessage<T, CGFloat()> alpha { "alpha" };
    static inline const ObjCMessage<T, void(CGFloat)> setAlpha { "setAlpha:" };

    static void addTo(Class cls)
    {
        frame.addMethod(cls, [](T* self) { return self->frame(); });
        bounds.addMethod(cls, [](T* self) { return self->bounds(); });
        alpha.addMethod(cls, [](T* self) { return self->alpha(); });
        setAlpha.addMethod(cls, [](T* self, CGFloat value) { self->setAlpha(value); });
    }
};

} // namespace qv
