#include "MessageSend.h"
#include "RuntimeRegistry.h"

namespace qv {

namespace {

RefPtr<objc_object> rootAlloc(Class self, SEL)
{
    return class_createInstance(self);
}

// alloc, then init as a message, so that a class's own init runs.
RefPtr<objc_object> rootNew(Class self, SEL)
{
    return msgSend<RefPtr<objc_object>>(class_createInstance(self), "init");
}

id rootInit(id self, SEL)
{
    return self;
}

Class rootInstanceClass(id self, SEL)
{
    return object_getClass(self);
}

Class rootClassClass(Class self, SEL)
{
    return self;
}

bool rootRespondsToSelector(id self, SEL, SEL selector)
{
    return class_respondsToSelector(object_getClass(self), selector);
}

bool rootIsKindOfClass(id self, SEL, Class cls)
{
    if (!cls)
        return false;
    return RuntimeRegistry::shared().isSubclass(object_getClass(self), cls);
}

bool rootIsMemberOfClass(id self, SEL, Class cls)
{
    return cls && object_getClass(self) == cls;
}

bool rootIsEqual(id self, SEL, Object* other)
{
    return static_cast<Object*>(self) == other;
}

} // namespace

void addRootClassMethods(RuntimeRegistry& registry, Class root)
{
    // Through the registry itself: it is still being made.
    Class rootMeta = registry.classOf(root);
    registry.addMethod(rootMeta, sel_registerName("alloc"), &rootAlloc, nullptr);
    registry.addMethod(rootMeta, sel_registerName("new"), &rootNew, nullptr);
    registry.addMethod(rootMeta, sel_registerName("class"), &rootClassClass, nullptr);
    registry.addMethod(root, sel_registerName("init"), &rootInit, nullptr);
    registry.addMethod(root, sel_registerName("class"), &rootInstanceClass, nullptr);
    registry.addMethod(root, sel_registerName("respondsToSelector:"), &rootRespondsToSelector, nullptr);
    registry.addMethod(root, sel_registerName("isKindOfClass:"), &rootIsKindOfClass, nullptr);
    registry.addMethod(root, sel_registerName("isMemberOfClass:"), &rootIsMemberOfClass, nullptr);
    registry.addMethod(root, sel_registerName("isEqual:"), &rootIsEqual, nullptr);
}

} // namespace qv
