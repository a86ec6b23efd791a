#pragma once

#include "UIResponder.h"

#include "platform/Foundation/NSObject.h"

#include <cstdint>

namespace qv {

class UIView;
class UIWindow;

enum UIEventType : int64_t {
    UIEventTypeTouches = 0,
};

// One delivery of touches. It holds every touch in progress, the ones that
// did not change in this delivery too, in the order their fingers went down.
class UIEvent : public NSObject {
public:
    std::string className() const override { return "UIEvent"; }
    UIEventType type() const { return UIEventTypeTouches; }
    double timestamp() const { return m_timestamp; }

    UITouchSet allTouches() const { return m_touches; }
    UITouchSet touchesForView(const UIView* view) const;
    UITouchSet touchesForWindow(const UIWindow* window) const;

protected:
    ~UIEvent() override = default;

private:
    QV_MAKE_REF_FRIEND;
    friend class UITouchDriver;
    UIEvent(UITouchSet touches, double timestamp);

    UITouchSet m_touches;
    double m_timestamp;
};

} // namespace qv
