#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/ValueLiteral.h"

#include <initializer_list>
#include <mutex>
#include <vector>

namespace qv {

// An ordered list of objects. One class serves as the device's NSArray and
// NSMutableArray: lists are shared by reference and changed in place, and
// `mutableCopy` makes the separate list a caller wants to change alone.
// Every call is safe from any thread; a list never holds an absent object.
class NSArray : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSArray> create();
    static Ref<NSArray> create(std::initializer_list<ValueLiteral> values);
    static Ref<NSArray> arrayWithObjects(std::vector<Ref<NSObject>> objects);

    NSUInteger count() const;
    // The object at the index; absent past the end, where the device would
    // raise a range exception.
    RefPtr<NSObject> objectAtIndex(NSUInteger index) const;
    // The object at the index when it is of the kind asked for.
    template<typename T>
    RefPtr<T> objectAtIndex(NSUInteger index) const { return dynamicRefCast<T>(objectAtIndex(index)); }
    RefPtr<NSObject> firstObject() const;
    RefPtr<NSObject> lastObject() const;
    // The first index whose object is equal (`isEqual`), or NSNotFound.
    NSUInteger indexOfObject(const NSObject* object) const;
    bool containsObject(const NSObject* object) const;
    // The objects as they are now; iterating the copy is safe while the
    // list changes.
    std::vector<Ref<NSObject>> objects() const;

    void addObject(ValueLiteral value);
    void addObjectsFromArray(const NSArray& other);
    // Index-taking changes answer false, and change nothing, for an index
    // past the end (for an insertion, past the count).
    bool insertObject(ValueLiteral value, NSUInteger atIndex);
    bool replaceObjectAtIndex(NSUInteger index, ValueLiteral withObject);
    bool removeObjectAtIndex(NSUInteger index);
    // Removes every object equal to the given one.
    void removeObject(const NSObject* object);
    void removeAllObjects();

    // A new list holding the same objects (not copies of them).
    Ref<NSArray> mutableCopy() const;

    std::string className() const override { return "NSArray"; }
    // "(\n    1,\n    two\n)"
    std::string description() const override { return descriptionAtLevel(0); }
    std::string descriptionAtLevel(unsigned level) const override;
    // Equal when both hold equal objects in the same order.
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override { return count(); }

private:
    NSArray() = default;
    explicit NSArray(std::vector<Ref<NSObject>> objects) : m_objects(std::move(objects)) {}

    mutable std::mutex m_lock;
    std::vector<Ref<NSObject>> m_objects;
};

} // namespace qv
