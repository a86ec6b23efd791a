#pragma once

#include "platform/core/Ref.h"

#include <string>

namespace qv {

// A named announcement with the object it concerns (retained, may be absent).
class NSNotification : public Object {
public:
    static Ref<NSNotification> notificationWithName(const std::string& name, RefPtr<Object> object);

    const std::string& name() const { return m_name; }
    Object* object() const { return m_object.get(); }

private:
    QV_MAKE_REF_FRIEND;
    NSNotification(const std::string& name, RefPtr<Object> object);

    std::string m_name;
    RefPtr<Object> m_object;
};

} // namespace qv
