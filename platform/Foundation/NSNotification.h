#pragma once

#include "platform/Foundation/NSDictionary.h"

#include <string>

namespace qv {

// A named announcement with the object it concerns and extra information
// (both retained, both may be absent).
class NSNotification : public NSObject {
public:
    static Ref<NSNotification> notificationWithName(const std::string& name, RefPtr<NSObject> object,
        RefPtr<NSDictionary> userInfo = nullptr);

    const std::string& name() const { return m_name; }
    NSObject* object() const { return m_object.get(); }
    NSDictionary* userInfo() const { return m_userInfo.get(); }

    std::string className() const override { return "NSNotification"; }

private:
    QV_MAKE_REF_FRIEND;
    NSNotification(const std::string& name, RefPtr<NSObject> object, RefPtr<NSDictionary> userInfo);

    const std::string m_name;
    const RefPtr<NSObject> m_object;
    const RefPtr<NSDictionary> m_userInfo;
};

} // namespace qv
