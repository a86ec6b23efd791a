#pragma once

#include "UIControl.h"

namespace qv {

// An on/off switch. A tap (a touch that lifts inside) turns it over and
// sends value changed; setting it from code sends nothing. It keeps its
// natural size, 51 by 31 points, whatever frame it is given.
class UISwitch : public UIControl {
public:
    std::string className() const override { return "UISwitch"; }
    explicit UISwitch(CGRect frame = CGRectZero);

    bool on() const { return m_on; }
    void setOn(bool on) { m_on = on; }
    // Headless, there is nothing to animate.
    void setOn(bool on, bool animated);

    void setFrame(CGRect frame) override;
    void endTrackingWithTouch(UITouch& touch, UIEvent* event) override;

protected:
    ~UISwitch() override = default;

private:
    bool m_on = false;
};

} // namespace qv
