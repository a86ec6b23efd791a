#pragma once

#include "ObjCTypes.h"
#include "TypeEncoding.h"
#include "objc_object.h"

#include <functional>
#include <string>

namespace qv {

// Reads and writes one instance variable of an instance. Instance variables
// are C++ members declared to the runtime with their member pointer, so a
// read is a typed member access, never arithmetic on addresses.
class IvarAccess : public Object {
public:
    const std::string& encoding() const { return m_encoding; }

protected:
    explicit IvarAccess(std::string encoding) : m_encoding(std::move(encoding)) {}

private:
    const std::string m_encoding;
};

// V is the canonical type of the variable.
template<typename V>
class TypedIvarAccess final : public IvarAccess {
public:
    using Getter = std::function<V(objc_object&)>;
    using Setter = std::function<void(objc_object&, V)>;

    TypedIvarAccess(Getter getter, Setter setter)
        : IvarAccess(ObjCType<V>::encoding()), m_getter(std::move(getter)), m_setter(std::move(setter)) {}

    V get(objc_object& object) const { return m_getter(object); }
    void set(objc_object& object, V value) const { m_setter(object, std::move(value)); }

private:
    Getter m_getter;
    Setter m_setter;
};

// One instance variable of a class. `offset` is a process-wide handle that
// stands where the device has a byte offset: it names this variable and is
// only meaningful to the runtime's ivar functions.
struct objc_ivar {
    objc_ivar(std::string ivarName, Class ivarOwner, ptrdiff_t ivarOffset, RefPtr<const IvarAccess> ivarAccess)
        : name(std::move(ivarName)), owner(ivarOwner), offset(ivarOffset), access(std::move(ivarAccess)) {}
    objc_ivar(const objc_ivar&) = delete;
    objc_ivar& operator=(const objc_ivar&) = delete;

    const std::string name;
    const Class owner;
    const ptrdiff_t offset;
    const RefPtr<const IvarAccess> access;
};

} // namespace qv
