#include "PSSpecifier.h"

#include "platform/Foundation/NSDictionary.h"
#include "platform/core/Log.h"

namespace qv {

Ref<PSSpecifier> PSSpecifier::preferenceSpecifierNamed(const std::string& name, objc_object* target, SEL setter, SEL getter,
    Class detail, PSCellType cell, Class edit)
{
    return makeRef<PSSpecifier>(name, target, setter, getter, detail, cell, edit);
}

PSSpecifier::PSSpecifier(std::string name, objc_object* target, SEL setter, SEL getter, Class detail, PSCellType cell, Class edit)
    : m_name(std::move(name))
    , m_target(target)
    , m_setter(setter)
    , m_getter(getter)
    , m_detail(detail)
    , m_cellType(cell)
    , m_edit(edit)
    , m_properties(NSDictionary::create())
{
}

RefPtr<NSObject> PSSpecifier::propertyForKey(const std::string& key) const
{
    return m_properties->objectForKey(key);
}

void PSSpecifier::setProperty(RefPtr<NSObject> value, const std::string& key)
{
    if (value)
        m_properties->setObject(Ref<NSObject>(*value), key);
    else
        m_properties->removeObjectForKey(key);
}

bool PSSpecifier::targetAnswers(objc_object& target, SEL selector, const std::string& types) const
{
    Method method = class_getInstanceMethod(object_getClass(&target), selector);
    if (!method) {
        logLine("Preferences: " + std::string(object_getClassName(&target)) + " does not answer " + sel_getName(selector)
            + " for \"" + m_name + "\"");
        return false;
    }
    if (normalizedTypeEncoding(method_getTypeEncoding(method)) != types) {
        logLine("Preferences: " + std::string(object_getClassName(&target)) + " answers " + sel_getName(selector) + " with types "
            + method_getTypeEncoding(method) + ", not " + types + ", for \"" + m_name + "\"");
        return false;
    }
    return true;
}

RefPtr<NSObject> PSSpecifier::performGetter() const
{
    RefPtr<objc_object> target = m_target.lock();
    if (!target || !m_getter || !targetAnswers(*target, m_getter, methodEncoding<RefPtr<Object>>()))
        return nullptr;
    return dynamicRefCast<NSObject>(msgSend<RefPtr<Object>>(target, m_getter));
}

bool PSSpecifier::performSetter(RefPtr<NSObject> value) const
{
    RefPtr<objc_object> target = m_target.lock();
    if (!target || !m_setter || !targetAnswers(*target, m_setter, methodEncoding<void, RefPtr<Object>>()))
        return false;
    msgSend(target, m_setter, RefPtr<Object>(value.get()));
    return true;
}

} // namespace qv
