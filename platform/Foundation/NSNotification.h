#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/core/Ref.h"

#include <string>

namespace qv {

// A named announcement with the object it concerns and its user
// information (both retained, either may be absent).
class NSNotification : public Object {
public:
    static Ref<NSNotification> notificationWithName(const std::string& name, RefPtr<Object> object,
        RefPtr<NSDictionary> userInfo = nullptr);

    const std::string& name() const { return m_name; }
    Object* object() const { return m_object.get(); }
    NSDictionary* userInfo() const { return m_userInfo.get(); }

private:
    QV_MAKE_REF_FRIEND;
    NSNotification(const std::string& name, RefPtr<Object> object, RefPtr<NSDictionary> userInfo);

    std::string m_name;
    RefPtr<Object> m_object;
    RefPtr<NSDictionary> m_userInfo;
};

} // namespace qv
