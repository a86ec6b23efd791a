#include "RuntimeRegistry.h"

#include "ObjCFatal.h"
#include "platform/core/Log.h"

#include <array>
#include <memory>
#include <mutex>

namespace qv {

RuntimeRegistry& RuntimeRegistry::shared()
{
    // Never destroyed: library destructors and singletons may still send
    // messages while the process ends.
    static RuntimeRegistry* registry = std::make_unique<RuntimeRegistry>().release();
    return *registry;
}

RuntimeRegistry::RuntimeRegistry()
{
    Class root = makeClassPairLocked(nullptr, "NSObject", [] { return Ref<objc_object>(makeRef<objc_object>()); });
    registerClassPairLocked(root, &typeid(objc_object));
    addRootClassMethods(*this, root);
}

Class RuntimeRegistry::makeClassPairLocked(Class superclass, const std::string& name, objc_class::Factory factory)
{
    Ref<objc_class> cls = makeRef<objc_class>(name, superclass, false, std::move(factory));
    // As on the device: a metaclass inherits from the superclass's
    // metaclass, the root metaclass from the root class; every metaclass's
    // isa is the root metaclass.
    Class superMeta = superclass ? superclass->m_isa.load(std::memory_order_acquire) : cls.ptr();
    Ref<objc_class> meta = makeRef<objc_class>(name, superMeta, true, nullptr);
    Class rootMeta = superclass ? superMeta->m_isa.load(std::memory_order_acquire) : meta.ptr();
    meta->m_isa.store(rootMeta, std::memory_order_release);
    cls->m_isa.store(meta.ptr(), std::memory_order_release);
    m_classesByName.emplace(name, cls.ptr());
    m_classes.push_back(meta);
    m_classes.push_back(cls);
    return cls.ptr();
}

Class RuntimeRegistry::allocateClassPair(Class superclass, const char* name, objc_class::Factory factory, const std::type_info* instanceType)
{
    if (!name || !*name)
        return nullptr;
    if (!superclass || superclass->m_isMeta) {
        logLine(std::string("objc_allocateClassPair: no superclass for class ") + name);
        return nullptr;
    }
    // A class made at run time makes its instances the way its superclass does.
    if (!instanceType)
        factory = superclass->m_factory;
    std::unique_lock guard(m_lock);
    if (m_classesByName.count(name))
        return nullptr;
    Class cls = makeClassPairLocked(superclass, name, std::move(factory));
    if (instanceType)
        m_pendingInstanceTypes.emplace(cls, instanceType);
    return cls;
}

void RuntimeRegistry::registerClassPair(Class cls)
{
    if (!cls || cls->m_isMeta)
        return;
    std::unique_lock guard(m_lock);
    if (cls->m_registered)
        return;
    const std::type_info* instanceType = nullptr;
    if (auto pending = m_pendingInstanceTypes.find(cls); pending != m_pendingInstanceTypes.end()) {
        instanceType = pending->second;
        m_pendingInstanceTypes.erase(pending);
    }
    registerClassPairLocked(cls, instanceType);
}

void RuntimeRegistry::registerClassPairLocked(Class cls, const std::type_info* instanceType)
{
    cls->m_registered = true;
    cls->m_isa.load(std::memory_order_acquire)->m_registered = true;
    cls->m_instanceType = instanceType;
    // The first class registered for a C++ type is the class of the objects
    // of that type that C++ code makes itself.
    if (instanceType)
        m_classesByInstanceType.emplace(std::type_index(*instanceType), cls);
}

Class RuntimeRegistry::registeredClass(const std::string& name) const
{
    std::shared_lock guard(m_lock);
    auto found = m_classesByName.find(name);
    if (found == m_classesByName.end() || !found->second->m_registered)
        return nullptr;
    return found->second;
}

Class RuntimeRegistry::classOf(id object) const
{
    if (!object)
        return nullptr;
    if (Class isa = object->m_isa.load(std::memory_order_acquire))
        return isa;
    // Found anew each time rather than remembered: while a C++ constructor
    // runs, the object's dynamic type is still one of its bases, and that
    // answer must not stick.
    std::shared_lock guard(m_lock);
    auto entry = m_classesByInstanceType.find(std::type_index(typeid(*object)));
    return entry == m_classesByInstanceType.end() ? nullptr : entry->second;
}

Class RuntimeRegistry::setClassOf(id object, Class cls)
{
    Class current = classOf(object);
    if (!object || !cls)
        return current;
    // The object's C++ type must be what the new class's instances are: the
    // new class descends from the current one through classes made at run
    // time only, or the other way round.
    std::shared_lock guard(m_lock);
    auto madeAtRunTimeFrom = [](Class descendant, Class ancestor) {
        for (Class step = descendant; step; step = step->m_superclass) {
            if (step == ancestor)
                return true;
            if (step->m_instanceType)
                return false;
        }
        return false;
    };
    if (cls->m_isMeta || !cls->m_registered || !current || (!madeAtRunTimeFrom(cls, current) && !madeAtRunTimeFrom(current, cls))) {
        objc_detail::fatal(std::string("object_setClass: an object of class ") + (current ? current->m_name : std::string("nil"))
            + " cannot become an instance of " + cls->m_name);
    }
    object->m_isa.store(cls, std::memory_order_release);
    return current;
}

RefPtr<objc_object> RuntimeRegistry::createInstance(Class cls) const
{
    if (!cls || cls->m_isMeta)
        return nullptr;
    if (!cls->m_factory) {
        logLine("class_createInstance: class " + cls->m_name + " cannot make instances");
        return nullptr;
    }
    Ref<objc_object> object = cls->m_factory();
    object->m_isa.store(cls, std::memory_order_release);
    return object;
}

bool RuntimeRegistry::addMethod(Class cls, SEL selector, IMP implementation, const char* types)
{
    if (!cls || !selector || !implementation)
        return false;
    std::string encoding = implementation.types();
    if (types && normalizedTypeEncoding(types) != encoding) {
        objc_detail::fatal("class_addMethod: the types '" + std::string(types) + "' given for " + objc_detail::describeMethod(cls, selector)
            + " are not those of its implementation, '" + encoding + "'");
    }
    std::unique_lock guard(m_lock);
    if (cls->m_methods.count(selector))
        return false;
    cls->m_methods.emplace(selector, std::make_unique<objc_method>(selector, std::move(encoding), std::move(implementation)));
    methodsChangedLocked(nullptr);
    return true;
}

Method RuntimeRegistry::findMethodLocked(Class cls, SEL selector) const
{
    for (Class current = cls; current; current = current->m_superclass) {
        auto found = current->m_methods.find(selector);
        if (found != current->m_methods.end())
            return found->second.get();
    }
    return nullptr;
}

Method RuntimeRegistry::findMethod(Class cls, SEL selector) const
{
    if (!cls || !selector)
        return nullptr;
    std::shared_lock guard(m_lock);
    return findMethodLocked(cls, selector);
}

IMP RuntimeRegistry::lookUpImplementation(Class cls, SEL selector) const
{
    if (!cls || !selector)
        return nullptr;
    std::shared_lock guard(m_lock);
    Method method = findMethodLocked(cls, selector);
    return method ? method->imp : IMP();
}

namespace {

// One thread's memory of recent lookups, by class and selector.
struct CachedLookup {
    Class cls = nullptr;
    SEL selector = nullptr;
    uint64_t generation = 0;
    const ImpBody* body = nullptr;
};

constexpr size_t cachedLookupSlots = 1024;
thread_local std::array<CachedLookup, cachedLookupSlots> cachedLookups;

CachedLookup& cachedLookupSlot(Class cls, SEL selector)
{
    uint64_t hash = (reinterpret_cast<uintptr_t>(cls) >> 4) * 0x9E3779B97F4A7C15ull ^ (reinterpret_cast<uintptr_t>(selector) >> 3);
    hash ^= hash >> 29;
    return cachedLookups[hash % cachedLookupSlots];
}

} // namespace

const ImpBody* RuntimeRegistry::cachedImplementation(Class cls, SEL selector) const
{
    if (!cls || !selector)
        return nullptr;
    // Read before the lookup: a change made meanwhile leaves the entry stale.
    const uint64_t generation = m_methodsGeneration.load(std::memory_order_acquire);
    CachedLookup& slot = cachedLookupSlot(cls, selector);
    if (slot.cls == cls && slot.selector == selector && slot.generation == generation)
        return slot.body;
    const ImpBody* body = nullptr;
    {
        std::shared_lock guard(m_lock);
        Method method = findMethodLocked(cls, selector);
        body = method ? method->imp.body() : nullptr;
    }
    if (body)
        slot = CachedLookup { cls, selector, generation, body };
    return body;
}

void RuntimeRegistry::methodsChangedLocked(IMP replaced)
{
    if (replaced)
        m_replacedImplementations.push_back(std::move(replaced));
    m_methodsGeneration.fetch_add(1, std::memory_order_acq_rel);
}

IMP RuntimeRegistry::implementation(Method method) const
{
    if (!method)
        return nullptr;
    std::shared_lock guard(m_lock);
    return method->imp;
}

IMP RuntimeRegistry::setImplementation(Method method, IMP implementation)
{
    if (!method || !implementation)
        return nullptr;
    if (method->types != implementation.types()) {
        objc_detail::fatal("method_setImplementation: " + std::string(sel_getName(method->name)) + " has the types '" + method->types
            + "', the new implementation '" + implementation.types() + "'");
    }
    std::unique_lock guard(m_lock);
    IMP replaced = std::exchange(method->imp, std::move(implementation));
    methodsChangedLocked(replaced);
    return replaced;
}

void RuntimeRegistry::hookMessage(Class cls, SEL selector, IMP replacement, IMP* replaced)
{
    if (!cls || !selector || !replacement)
        return;
    const std::string encoding = replacement.types();
    auto failEncoding = [&](const std::string& methodTypes) {
        objc_detail::fatal("MSHookMessageEx: " + objc_detail::describeMethod(cls, selector) + " has the types '" + methodTypes
            + "', the replacement '" + encoding + "'");
    };
    std::unique_lock guard(m_lock);
    if (auto own = cls->m_methods.find(selector); own != cls->m_methods.end()) {
        if (own->second->types != encoding)
            failEncoding(own->second->types);
        // The saved implementation is in place before any call can reach the replacement.
        if (replaced)
            *replaced = own->second->imp;
        methodsChangedLocked(std::exchange(own->second->imp, std::move(replacement)));
        return;
    }
    Method inherited = findMethodLocked(cls->m_superclass, selector);
    if (!inherited) {
        guard.unlock();
        logLine("MSHookMessageEx: " + objc_detail::describeMethod(cls, selector) + " not found; nothing hooked");
        return;
    }
    if (inherited->types != encoding)
        failEncoding(inherited->types);
    // The class only inherits the method: the replacement goes on the class
    // itself, and what it replaced is whatever the superclass answers at the
    // moment of each call.
    if (replaced)
        *replaced = replacement.superForwarder(cls, selector);
    cls->m_methods.emplace(selector, std::make_unique<objc_method>(selector, inherited->types, std::move(replacement)));
    methodsChangedLocked(nullptr);
}

bool RuntimeRegistry::addIvar(Class cls, const char* name, Ref<IvarAccess> access)
{
    if (!cls || !name || cls->m_isMeta)
        return false;
    std::unique_lock guard(m_lock);
    if (cls->m_registered)
        return false;
    for (const auto& ivar : cls->m_ivars) {
        if (ivar->name == name)
            return false;
    }
    // Handles start at 1 so that 0 stays "no variable".
    ptrdiff_t offset = static_cast<ptrdiff_t>(m_ivarsByOffset.size()) + 1;
    cls->m_ivars.push_back(std::make_unique<objc_ivar>(name, cls, offset, std::move(access)));
    m_ivarsByOffset.push_back(cls->m_ivars.back().get());
    return true;
}

Ivar RuntimeRegistry::findIvar(Class cls, const char* name) const
{
    if (!cls || !name)
        return nullptr;
    std::shared_lock guard(m_lock);
    for (Class current = cls; current; current = current->m_superclass) {
        for (const auto& ivar : current->m_ivars) {
            if (ivar->name == name)
                return ivar.get();
        }
    }
    return nullptr;
}

Ivar RuntimeRegistry::ivarForOffset(ptrdiff_t offset) const
{
    std::shared_lock guard(m_lock);
    if (offset < 1 || offset > static_cast<ptrdiff_t>(m_ivarsByOffset.size()))
        return nullptr;
    return m_ivarsByOffset[static_cast<size_t>(offset - 1)];
}

bool RuntimeRegistry::isSubclass(Class cls, Class ancestor) const
{
    // Superclasses never change, so no lock is needed.
    for (Class current = cls; current; current = current->m_superclass) {
        if (current == ancestor)
            return true;
    }
    return false;
}

} // namespace qv
