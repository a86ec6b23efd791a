#include "NSNotification.h"

namespace qv {

NSNotification::NSNotification(const std::string& name, RefPtr<NSObject> object, RefPtr<NSDictionary> userInfo)
    : m_name(name)
    , m_object(std::move(object))
    , m_userInfo(std::move(userInfo))
{
}

Ref<NSNotification> NSNotification::notificationWithName(const std::string& name, RefPtr<NSObject> object, RefPtr<NSDictionary> userInfo)
{
    return makeRef<NSNotification>(name, std::move(object), std::move(userInfo));
}

} // namespace qv
