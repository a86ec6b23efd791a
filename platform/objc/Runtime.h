#pragma once

#include "IMP.h"
#include "ObjCTypes.h"
#include "objc_class.h"
#include "objc_ivar.h"
#include "objc_method.h"
#include "objc_object.h"
#include "objc_selector.h"

#include <cstddef>
#include <functional>
#include <typeinfo>

// The object runtime's functions, under the device's names. Every function
// accepts nil where the device does and then answers nil, zero or NO.

namespace qv {

namespace objc_detail {
Class allocateClassPair(Class superclass, const char* name, objc_class::Factory factory, const std::type_info* instanceType);
bool addIvar(Class cls, const char* name, Ref<IvarAccess> access);
const IvarAccess* ivarAccess(id object, Ivar ivar, const std::string& encoding);
Ivar ivarForOffset(ptrdiff_t offset);
}

// Classes by name: only classes that have been registered are found.
Class objc_getClass(const char* name);
Class objc_lookUpClass(const char* name);
Class objc_getMetaClass(const char* name);

// The class of an instance; for a class, its metaclass.
Class object_getClass(id object);
const char* object_getClassName(id object);
// Makes the object an instance of another class and answers the class it
// had. The object's C++ type must be what instances of the new class are:
// the two classes may differ only by classes made at run time (a fault
// otherwise). Nil does nothing.
Class object_setClass(id object, Class cls);

Class class_getSuperclass(Class cls);
// "nil" for nil, as on the device.
const char* class_getName(Class cls);
bool class_isMetaClass(Class cls);
bool class_respondsToSelector(Class cls, SEL selector);

// A new class and its metaclass under a superclass, not yet registered.
// Nil when the name is taken or the superclass is missing. Instances of a
// class made this way are the C++ objects of its superclass's kind; extra
// bytes are not supported (instance variables are C++ members).
Class objc_allocateClassPair(Class superclass, const char* name, size_t extraBytes = 0);

// The same for a class whose instances are C++ objects of type T, made by
// `factory` for `alloc` (empty: the class cannot make instances itself).
// Objects of type T made in C++ without the runtime have this class.
template<typename T>
Class objc_allocateClassPair(Class superclass, const char* name, std::function<Ref<T>()> factory)
{
    static_assert(std::is_base_of_v<objc_object, T>, "instances of a runtime class derive from objc_object");
    objc_class::Factory erased;
    if (factory)
        erased = [factory = std::move(factory)]() -> Ref<objc_object> { return factory(); };
    return objc_detail::allocateClassPair(superclass, name, std::move(erased), &typeid(T));
}

template<typename T>
Class objc_allocateClassPair(Class superclass, const char* name)
{
    return objc_allocateClassPair<T>(superclass, name, std::function<Ref<T>()>([] { return makeRef<T>(); }));
}

// Makes the class known by name.
void objc_registerClassPair(Class cls);

// A new instance made by the class's factory, with the class as its isa.
RefPtr<objc_object> class_createInstance(Class cls, size_t extraBytes = 0);

// Adds a method unless the class itself already has one of that name (a
// method it only inherits is fine). The types, when given, must be those
// of the implementation; a mismatch is a fault.
bool class_addMethod(Class cls, SEL name, IMP implementation, const char* types = nullptr);
// The method of that name of the class or its nearest superclass.
Method class_getInstanceMethod(Class cls, SEL name);
Method class_getClassMethod(Class cls, SEL name);
IMP class_getMethodImplementation(Class cls, SEL name);

SEL method_getName(Method method);
const char* method_getTypeEncoding(Method method);
IMP method_getImplementation(Method method);
// Answers the implementation it replaced. The new one must have the
// method's types; a mismatch is a fault.
IMP method_setImplementation(Method method, IMP implementation);

// Declares a C++ member of T as an instance variable of the class (before
// the class is registered, as on the device). NO when the class already has
// a variable of that name or is registered.
template<typename T, typename M>
bool class_addIvar(Class cls, const char* name, M T::*member)
{
    static_assert(std::is_base_of_v<objc_object, T>, "instance variables belong to runtime instances");
    using V = CanonicalOf<M>;
    auto self = [](objc_object& object) -> T& {
        auto* cast = dynamic_cast<T*>(&object);
        if (!cast)
            objc_detail::failWrongKind(typeid(object), typeid(T));
        return *cast;
    };
    auto access = makeRef<TypedIvarAccess<V>>(
        [member, self](objc_object& object) -> V { return ObjCType<M>::toCanonical(self(object).*member); },
        [member, self](objc_object& object, V value) { self(object).*member = ObjCType<M>::fromCanonical(value); });
    return objc_detail::addIvar(cls, name, std::move(access));
}

// The variable of that name of the class or its nearest superclass.
Ivar class_getInstanceVariable(Class cls, const char* name);
const char* ivar_getName(Ivar ivar);
const char* ivar_getTypeEncoding(Ivar ivar);
// The variable's handle (0 for nil), usable with object_getIvarAtOffset.
ptrdiff_t ivar_getOffset(Ivar ivar);

// Typed reads and writes. The object must be of the variable's class (or
// a subclass) and V must have the variable's encoding; otherwise a fault.
template<typename V>
V object_getIvarValue(id object, Ivar ivar)
{
    const IvarAccess* access = objc_detail::ivarAccess(object, ivar, ObjCTypeOf<V>::encoding());
    if (!access)
        return V {};
    return ObjCTypeOf<V>::fromCanonical(static_cast<const TypedIvarAccess<CanonicalOf<V>>*>(access)->get(*object));
}

template<typename V>
void object_setIvarValue(id object, Ivar ivar, const V& value)
{
    const IvarAccess* access = objc_detail::ivarAccess(object, ivar, ObjCTypeOf<V>::encoding());
    if (access)
        static_cast<const TypedIvarAccess<CanonicalOf<V>>*>(access)->set(*object, ObjCTypeOf<V>::toCanonical(value));
}

// Object variables, as on the device.
RefPtr<Object> object_getIvar(id object, Ivar ivar);
void object_setIvar(id object, Ivar ivar, Object* value);

// The same through the handle that ivar_getOffset answers.
template<typename V = RefPtr<Object>>
V object_getIvarAtOffset(id object, ptrdiff_t offset)
{
    return object_getIvarValue<V>(object, objc_detail::ivarForOffset(offset));
}

template<typename V>
void object_setIvarAtOffset(id object, ptrdiff_t offset, const V& value)
{
    object_setIvarValue<V>(object, objc_detail::ivarForOffset(offset), value);
}

} // namespace qv
