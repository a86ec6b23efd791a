#include "NSNotification.h"

namespace qv {

NSNotification::NSNotification(const std::string& name, RefPtr<Object> object)
    : m_name(name)
    , m_object(std::move(object))
{
}

Ref<NSNotification> NSNotification::notificationWithName(const std::string& name, RefPtr<Object> object)
{
    return makeRef<NSNotification>(name, std::move(object));
}

} // namespace qv
