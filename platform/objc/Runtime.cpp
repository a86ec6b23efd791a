#include "Runtime.h"

#include "MessageSend.h"
#include "ObjCFatal.h"
#include "RuntimeRegistry.h"

namespace qv {

namespace {
RuntimeRegistry& registry() { return RuntimeRegistry::shared(); }
}

Class objc_getClass(const char* name)
{
    return name ? registry().registeredClass(name) : nullptr;
}

Class objc_lookUpClass(const char* name)
{
    return objc_getClass(name);
}

Class objc_getMetaClass(const char* name)
{
    return object_getClass(objc_getClass(name));
}

Class object_getClass(id object)
{
    return registry().classOf(object);
}

const char* object_getClassName(id object)
{
    return class_getName(object_getClass(object));
}

Class object_setClass(id object, Class cls)
{
    return registry().setClassOf(object, cls);
}

Class class_getSuperclass(Class cls)
{
    return cls ? cls->superclass() : nullptr;
}

const char* class_getName(Class cls)
{
    return cls ? cls->name().c_str() : "nil";
}

bool class_isMetaClass(Class cls)
{
    return cls && cls->isMetaClass();
}

bool class_respondsToSelector(Class cls, SEL selector)
{
    return registry().findMethod(cls, selector) != nullptr;
}

Class objc_allocateClassPair(Class superclass, const char* name, size_t)
{
    return registry().allocateClassPair(superclass, name, nullptr, nullptr);
}

void objc_registerClassPair(Class cls)
{
    registry().registerClassPair(cls);
}

RefPtr<objc_object> class_createInstance(Class cls, size_t)
{
    return registry().createInstance(cls);
}

bool class_addMethod(Class cls, SEL name, IMP implementation, const char* types)
{
    return registry().addMethod(cls, name, std::move(implementation), types);
}

Method class_getInstanceMethod(Class cls, SEL name)
{
    return registry().findMethod(cls, name);
}

Method class_getClassMethod(Class cls, SEL name)
{
    return class_getInstanceMethod(object_getClass(cls), name);
}

IMP class_getMethodImplementation(Class cls, SEL name)
{
    return registry().lookUpImplementation(cls, name);
}

SEL method_getName(Method method)
{
    return method ? method->name : nullptr;
}

const char* method_getTypeEncoding(Method method)
{
    return method ? method->types.c_str() : nullptr;
}

IMP method_getImplementation(Method method)
{
    return registry().implementation(method);
}

IMP method_setImplementation(Method method, IMP implementation)
{
    return registry().setImplementation(method, std::move(implementation));
}

Ivar class_getInstanceVariable(Class cls, const char* name)
{
    return registry().findIvar(cls, name);
}

const char* ivar_getName(Ivar ivar)
{
    return ivar ? ivar->name.c_str() : nullptr;
}

const char* ivar_getTypeEncoding(Ivar ivar)
{
    return ivar ? ivar->access->encoding().c_str() : nullptr;
}

ptrdiff_t ivar_getOffset(Ivar ivar)
{
    return ivar ? ivar->offset : 0;
}

RefPtr<Object> object_getIvar(id object, Ivar ivar)
{
    return object_getIvarValue<RefPtr<Object>>(object, ivar);
}

void object_setIvar(id object, Ivar ivar, Object* value)
{
    object_setIvarValue<RefPtr<Object>>(object, ivar, RefPtr<Object>(value));
}

namespace objc_detail {

Class allocateClassPair(Class superclass, const char* name, objc_class::Factory factory, const std::type_info* instanceType)
{
    return registry().allocateClassPair(superclass, name, std::move(factory), instanceType);
}

bool addIvar(Class cls, const char* name, Ref<IvarAccess> access)
{
    return registry().addIvar(cls, name, std::move(access));
}

const IvarAccess* ivarAccess(id object, Ivar ivar, const std::string& encoding)
{
    if (!object || !ivar)
        return nullptr;
    Class cls = object_getClass(object);
    if (!registry().isSubclass(cls, ivar->owner)) {
        fatal(std::string("object of class ") + class_getName(cls) + " has no instance variable " + ivar->name + " of class "
            + class_getName(ivar->owner));
    }
    if (ivar->access->encoding() != encoding) {
        fatal("instance variable " + ivar->name + " of class " + class_getName(ivar->owner) + " has the type '" + ivar->access->encoding()
            + "', not '" + encoding + "'");
    }
    return ivar->access.get();
}

Ivar ivarForOffset(ptrdiff_t offset)
{
    return registry().ivarForOffset(offset);
}

const ImpBody* implementationForMessage(id self, SEL selector)
{
    Class cls = object_getClass(self);
    if (!cls) {
        const Object& object = *self;
        fatal(std::string(sel_getName(selector)) + " sent to " + describeAddress(self) + ", an object of C++ type " + typeName(typeid(object))
            + " that no runtime class was registered for");
    }
    const ImpBody* implementation = registry().cachedImplementation(cls, selector);
    if (!implementation) {
        fatal(describeMethod(cls, selector) + ": unrecognized selector sent to " + (cls->isMetaClass() ? "class " : "instance ")
            + describeAddress(self));
    }
    return implementation;
}

IMP implementationForSuperMessage(const objc_super& super, SEL selector)
{
    IMP implementation = registry().lookUpImplementation(super.super_class, selector);
    if (!implementation)
        fatal(describeMethod(super.super_class, selector) + ": unrecognized selector sent to super of " + describeAddress(super.receiver));
    return implementation;
}

IMP superImplementation(Class hookedClass, SEL selector, id self)
{
    return implementationForSuperMessage(objc_super { self, class_getSuperclass(hookedClass) }, selector);
}

void failNotRuntimeObject(const Object& object, SEL selector)
{
    fatal(std::string(sel_getName(selector)) + " sent to " + describeAddress(&object) + ", an object of C++ type " + typeName(typeid(object))
        + " that is no runtime object");
}

void failEncoding(id self, SEL selector, const std::string& sent, const std::string& implemented)
{
    fatal(describeMessage(self, selector) + ": sent with the types '" + sent + "' to an implementation of the types '" + implemented + "'");
}

void failEmptyImplementation(id self, SEL selector)
{
    fatal(describeMessage(self, selector) + ": called through an empty implementation");
}

void failReceiverKind(id self, SEL selector, const std::type_info& expected)
{
    const Object& object = *self;
    fatal(describeMessage(self, selector) + ": the receiver is of C++ type " + typeName(typeid(object)) + ", the implementation expects "
        + typeName(expected));
}

} // namespace objc_detail

} // namespace qv
