#include "NSSet.h"

#include <algorithm>

namespace qv {

Ref<NSSet> NSSet::create()
{
    return makeRef<NSSet>();
}

Ref<NSSet> NSSet::setWithArray(const NSArray& array)
{
    Ref<NSSet> set = create();
    for (const Ref<NSObject>& object : array.objects())
        set->addObject(object);
    return set;
}

std::vector<Ref<NSObject>> NSSet::snapshot() const
{
    std::lock_guard guard(m_lock);
    return m_objects;
}

NSUInteger NSSet::count() const
{
    std::lock_guard guard(m_lock);
    return m_objects.size();
}

bool NSSet::containsObject(const NSObject* object) const
{
    // Compare outside the lock: isEqual may look into other containers.
    auto objects = snapshot();
    return std::any_of(objects.begin(), objects.end(), [&](const Ref<NSObject>& member) { return member->isEqual(object); });
}

Ref<NSArray> NSSet::allObjects() const
{
    return NSArray::arrayWithObjects(snapshot());
}

void NSSet::addObject(ValueLiteral value)
{
    if (containsObject(value.object().ptr()))
        return;
    std::lock_guard guard(m_lock);
    m_objects.push_back(value.object());
}

void NSSet::removeObject(const NSObject* object)
{
    // Compare outside the lock, then take out exactly the members found.
    std::vector<Ref<NSObject>> removed;
    for (const Ref<NSObject>& member : snapshot()) {
        if (member->isEqual(object))
            removed.push_back(member);
    }
    std::lock_guard guard(m_lock);
    std::erase_if(m_objects, [&](const Ref<NSObject>& member) {
        return std::any_of(removed.begin(), removed.end(), [&](const Ref<NSObject>& gone) { return gone.ptr() == member.ptr(); });
    });
}

std::string NSSet::description() const
{
    std::string text = "{(\n";
    auto objects = snapshot();
    for (size_t i = 0; i < objects.size(); ++i)
        text += "    " + objects[i]->descriptionAtLevel(1) + (i + 1 < objects.size() ? ",\n" : "\n");
    return text + ")}";
}

bool NSSet::isEqual(const NSObject* other) const
{
    if (other == this)
        return true;
    auto* set = dynamic_cast<const NSSet*>(other);
    if (!set || set->count() != count())
        return false;
    auto objects = snapshot();
    return std::all_of(objects.begin(), objects.end(), [&](const Ref<NSObject>& member) { return set->containsObject(member.ptr()); });
}

} // namespace qv
