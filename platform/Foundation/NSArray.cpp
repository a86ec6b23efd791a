#include "NSArray.h"

#include <algorithm>

namespace qv {

Ref<NSArray> NSArray::create()
{
    return makeRef<NSArray>();
}

Ref<NSArray> NSArray::create(std::initializer_list<ValueLiteral> values)
{
    std::vector<Ref<NSObject>> objects;
    objects.reserve(values.size());
    for (const ValueLiteral& value : values)
        objects.push_back(value.object());
    return arrayWithObjects(std::move(objects));
}

Ref<NSArray> NSArray::arrayWithObjects(std::vector<Ref<NSObject>> objects)
{
    return makeRef<NSArray>(std::move(objects));
}

NSUInteger NSArray::count() const
{
    std::lock_guard guard(m_lock);
    return m_objects.size();
}

RefPtr<NSObject> NSArray::objectAtIndex(NSUInteger index) const
{
    std::lock_guard guard(m_lock);
    if (index >= m_objects.size())
        return nullptr;
    return m_objects[index];
}

RefPtr<NSObject> NSArray::firstObject() const
{
    return objectAtIndex(0);
}

RefPtr<NSObject> NSArray::lastObject() const
{
    std::lock_guard guard(m_lock);
    if (m_objects.empty())
        return nullptr;
    return m_objects.back();
}

NSUInteger NSArray::indexOfObject(const NSObject* object) const
{
    // Compare outside the lock: isEqual may look into other containers.
    auto snapshot = objects();
    for (size_t i = 0; i < snapshot.size(); ++i) {
        if (snapshot[i]->isEqual(object))
            return i;
    }
    return NSNotFound;
}

bool NSArray::containsObject(const NSObject* object) const
{
    return indexOfObject(object) != NSNotFound;
}

std::vector<Ref<NSObject>> NSArray::objects() const
{
    std::lock_guard guard(m_lock);
    return m_objects;
}

void NSArray::addObject(ValueLiteral value)
{
    std::lock_guard guard(m_lock);
    m_objects.push_back(value.object());
}

void NSArray::addObjectsFromArray(const NSArray& other)
{
    auto added = other.objects();
    std::lock_guard guard(m_lock);
    m_objects.insert(m_objects.end(), added.begin(), added.end());
}

bool NSArray::insertObject(ValueLiteral value, NSUInteger atIndex)
{
    std::lock_guard guard(m_lock);
    if (atIndex > m_objects.size())
        return false;
    m_objects.insert(m_objects.begin() + static_cast<ptrdiff_t>(atIndex), value.object());
    return true;
}

bool NSArray::replaceObjectAtIndex(NSUInteger index, ValueLiteral withObject)
{
    // The replaced object is released after the lock is given up, in case
    // its destruction reaches other containers.
    RefPtr<NSObject> replaced;
    std::lock_guard guard(m_lock);
    if (index >= m_objects.size())
        return false;
    replaced = m_objects[index];
    m_objects[index] = withObject.object();
    return true;
}

bool NSArray::removeObjectAtIndex(NSUInteger index)
{
    RefPtr<NSObject> removed;
    std::lock_guard guard(m_lock);
    if (index >= m_objects.size())
        return false;
    removed = m_objects[index];
    m_objects.erase(m_objects.begin() + static_cast<ptrdiff_t>(index));
    return true;
}

void NSArray::removeObject(const NSObject* object)
{
    // Find the equal objects outside the lock (isEqual may be anyone's
    // code), then take out exactly those, keeping what others added since.
    std::vector<const NSObject*> equal;
    for (const Ref<NSObject>& candidate : objects()) {
        if (candidate->isEqual(object))
            equal.push_back(candidate.ptr());
    }
    if (equal.empty())
        return;
    std::vector<Ref<NSObject>> removed;
    std::lock_guard guard(m_lock);
    std::vector<Ref<NSObject>> kept;
    for (Ref<NSObject>& candidate : m_objects) {
        bool matched = std::find(equal.begin(), equal.end(), candidate.ptr()) != equal.end();
        (matched ? removed : kept).push_back(std::move(candidate));
    }
    m_objects.swap(kept);
}

void NSArray::removeAllObjects()
{
    std::vector<Ref<NSObject>> removed;
    std::lock_guard guard(m_lock);
    m_objects.swap(removed);
}

Ref<NSArray> NSArray::mutableCopy() const
{
    return arrayWithObjects(objects());
}

std::string NSArray::descriptionAtLevel(unsigned level) const
{
    std::string inner((level + 1) * 4, ' ');
    std::string text = "(\n";
    auto snapshot = objects();
    for (size_t i = 0; i < snapshot.size(); ++i) {
        text += inner + snapshot[i]->descriptionAtLevel(level + 1);
        text += i + 1 < snapshot.size() ? ",\n" : "\n";
    }
    return text + std::string(level * 4, ' ') + ")";
}

bool NSArray::isEqual(const NSObject* other) const
{
    auto* array = dynamic_cast<const NSArray*>(other);
    if (!array)
        return false;
    if (array == this)
        return true;
    auto mine = objects();
    auto theirs = array->objects();
    if (mine.size() != theirs.size())
        return false;
    for (size_t i = 0; i < mine.size(); ++i) {
        if (!mine[i]->isEqual(theirs[i].ptr()))
            return false;
    }
    return true;
}

} // namespace qv
