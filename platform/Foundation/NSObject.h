#pragma once

#include "platform/Foundation/FoundationTypes.h"
#include "platform/core/Ref.h"

#include <string>

namespace qv {

// The root of the device's class tree. Every value of the property-list
// model derives from it, and so do the system's own classes, so that any
// object can be described, compared and held through a protocol (the
// protocols derive from Object virtually as well).
class NSObject : public virtual Object {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSObject> create();

    // The name the device reports for the object's class.
    virtual std::string className() const { return "NSObject"; }
    // The text "%@" shows; by default the class name and address.
    virtual std::string description() const;
    // The text the object shows inside an array's or dictionary's
    // description, nested `level` deep. Only text and containers differ
    // from their plain description.
    virtual std::string descriptionAtLevel(unsigned level) const;

    // Identity by default; values compare by content. An absent other
    // object is never equal.
    virtual bool isEqual(const NSObject* other) const;
    // Equal objects answer the same hash.
    virtual NSUInteger hash() const;

    // Numbers and strings convert by the device's rules; every other kind
    // answers zero, as a message the object does not understand would.
    virtual bool boolValue() const { return false; }
    virtual int intValue() const { return 0; }
    virtual NSInteger integerValue() const { return 0; }
    virtual long long longLongValue() const { return 0; }
    virtual float floatValue() const { return 0; }
    virtual double doubleValue() const { return 0; }

protected:
    NSObject() = default;
    ~NSObject() override = default;
};

} // namespace qv
