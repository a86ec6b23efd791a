#pragma once

#include "UIControl.h"

namespace qv {

// A control of a number with a minus and a plus half. A touch that goes
// down on a half steps the value (pinned to the minimum and maximum) and
// sends value changed; a half at its limit does nothing. Setting the value
// from code pins it and sends nothing. It keeps its natural size, 94 by 29
// points, whatever frame it is given.
class UIStepper : public UIControl {
public:
    std::string className() const override { return "UIStepper"; }
    explicit UIStepper(CGRect frame = CGRectZero);

    double value() const { return m_value; }
    void setValue(double value);
    // 0 and 100 unless set. A minimum not below the maximum (or the reverse)
    // is refused with a log line, as the device refuses it.
    double minimumValue() const { return m_minimumValue; }
    void setMinimumValue(double minimum);
    double maximumValue() const { return m_maximumValue; }
    void setMaximumValue(double maximum);
    // 1 unless set; a step that is not above 0 is refused with a log line.
    double stepValue() const { return m_stepValue; }
    void setStepValue(double step);

    // The user's press on each half, as a tap at its centre.
    bool pressPlus();
    bool pressMinus();

    void setFrame(CGRect frame) override;
    bool beginTrackingWithTouch(UITouch& touch, UIEvent* event) override;

protected:
    ~UIStepper() override = default;

private:
    double pinned(double value) const;

    double m_value = 0;
    double m_minimumValue = 0;
    double m_maximumValue = 100;
    double m_stepValue = 1;
};

} // namespace qv
