#pragma once

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSObject.h"

#include <mutex>
#include <vector>

namespace qv {

class NSArray;

// An unordered collection of distinct objects (distinct by `isEqual`). One
// class serves as the device's NSSet and NSMutableSet. The objects are kept
// in the order they were first added, so that `allObjects` answers the same
// order every time; callers must not rely on any order, as on the device.
// Every call is safe from any thread.
class NSSet : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSSet> create();
    // The distinct objects of the array.
    static Ref<NSSet> setWithArray(const NSArray& array);

    NSUInteger count() const;
    bool containsObject(const NSObject* object) const;
    // A new array of the objects.
    Ref<NSArray> allObjects() const;
    // Adds the object unless an equal one is there.
    void addObject(ValueLiteral value);
    void removeObject(const NSObject* object);

    std::string className() const override { return "NSSet"; }
    std::string description() const override;
    // Equal when both hold equal objects, in any order.
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override { return count(); }

private:
    NSSet() = default;

    std::vector<Ref<NSObject>> snapshot() const;

    mutable std::mutex m_lock;
    std::vector<Ref<NSObject>> m_objects;
};

} // namespace qv
