#pragma once

#include "MessageSend.h"
#include "Runtime.h"

#include <atomic>
#include <shared_mutex>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

namespace qv {

// The runtime's tables: classes by name and by C++ type, their methods and
// instance variables. One reader-writer lock guards all of them; it is never
// held while an implementation runs, so methods may register classes, add
// methods or send messages freely. The registry lives as long as the process.
class RuntimeRegistry {
public:
    static RuntimeRegistry& shared();

    Class registeredClass(const std::string& name) const;
    Class classOf(id object) const;
    Class setClassOf(id object, Class cls);

    Class allocateClassPair(Class superclass, const char* name, objc_class::Factory factory, const std::type_info* instanceType);
    void registerClassPair(Class cls);
    RefPtr<objc_object> createInstance(Class cls) const;

    bool addMethod(Class cls, SEL selector, IMP implementation, const char* types);
    Method findMethod(Class cls, SEL selector) const;
    IMP lookUpImplementation(Class cls, SEL selector) const;
    // The same for a message send, through a per-thread cache of the
    // lookups: no lock and no walk up the classes while no method changed.
    const ImpBody* cachedImplementation(Class cls, SEL selector) const;
    IMP implementation(Method method) const;
    IMP setImplementation(Method method, IMP implementation);
    void hookMessage(Class cls, SEL selector, IMP replacement, IMP* replaced);

    bool addIvar(Class cls, const char* name, Ref<IvarAccess> access);
    Ivar findIvar(Class cls, const char* name) const;
    Ivar ivarForOffset(ptrdiff_t offset) const;

    bool isSubclass(Class cls, Class ancestor) const;

    // Made once by shared(); public only so that it can be made there.
    RuntimeRegistry();

private:
    Class makeClassPairLocked(Class superclass, const std::string& name, objc_class::Factory factory);
    void registerClassPairLocked(Class cls, const std::type_info* instanceType);
    Method findMethodLocked(Class cls, SEL selector) const;
    // Under the lock, after any method table or implementation changed:
    // every cached lookup is stale. What the method had is kept, because a
    // send on another thread may still be running it.
    void methodsChangedLocked(IMP replaced);

    mutable std::shared_mutex m_lock;
    std::vector<Ref<objc_class>> m_classes;
    // Every class pair made, registered or not, so that names stay unique.
    std::unordered_map<std::string, Class> m_classesByName;
    std::unordered_map<std::type_index, Class> m_classesByInstanceType;
    // The instance types of pairs made but not yet registered.
    std::unordered_map<Class, const std::type_info*> m_pendingInstanceTypes;
    std::vector<Ivar> m_ivarsByOffset;
    // Changes with every change of a method table or implementation; a
    // cached lookup made under an older one is stale.
    std::atomic<uint64_t> m_methodsGeneration { 1 };
    std::vector<IMP> m_replacedImplementations;
};

// The root class's methods (alloc, new, init, class, respondsToSelector:,
// isKindOfClass:, isMemberOfClass:, isEqual:).
void addRootClassMethods(RuntimeRegistry& registry, Class root);

} // namespace qv
