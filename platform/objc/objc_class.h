#pragma once

#include "ObjCTypes.h"
#include "objc_ivar.h"
#include "objc_method.h"
#include "objc_object.h"

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace qv {

// A class of the runtime (or, with isMetaClass, the metaclass that holds a
// class's class methods). A class is itself an instance: its isa is its
// metaclass. Classes live as long as the process; the registry owns them.
class objc_class final : public objc_object {
public:
    using Factory = std::function<Ref<objc_object>()>;

    const std::string& name() const { return m_name; }
    Class superclass() const { return m_superclass; }
    bool isMetaClass() const { return m_isMeta; }

private:
    friend class RuntimeRegistry;
    QV_MAKE_REF_FRIEND;

    objc_class(std::string name, Class superclass, bool isMeta, Factory factory)
        : m_name(std::move(name)), m_superclass(superclass), m_isMeta(isMeta), m_factory(std::move(factory)) {}
    ~objc_class() override = default;

    const std::string m_name;
    const Class m_superclass;
    const bool m_isMeta;
    // Makes the C++ object of a new instance; empty when the class cannot
    // make instances (metaclasses, C++ classes without a default constructor).
    const Factory m_factory;

    // Guarded by the registry's lock. Methods and ivars are never removed,
    // so pointers to them stay valid.
    bool m_registered = false;
    // The C++ type the class was registered with; null for a class made at
    // run time, whose instances are of its superclass's type.
    const std::type_info* m_instanceType = nullptr;
    std::unordered_map<SEL, std::unique_ptr<objc_method>> m_methods;
    std::vector<std::unique_ptr<objc_ivar>> m_ivars;
};

} // namespace qv
