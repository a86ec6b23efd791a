#pragma once

#include "QVGridLineChangeViewDelegate.h"
#include "QVPopover.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UIStepper.h"
#include "platform/core/WeakPtr.h"

namespace qv {

// The grid size panel ("Grid"): a stepper for the columns and one for the
// rows, each from 2 to 100, and the bar button "Reset" back to the
// device's default grid. Every change is stored in the settings at once and
// reported to the delegate, the grid view, which redraws the grid.
class QVGridLineChangeView : public QVPopover {
public:
    std::string className() const override { return "QVGridLineChangeView"; }
    QVGridLineChangeView(CGSize contentSize, std::string title);

    // The panel, then its labels and steppers below the bar.
    void presentInView(UIView& host) override;
    // Pulls the steppers back to the stored grid size and runs both change
    // handlers, rows first.
    void updateContent();
    // The "Reset" button: the device's default grid size.
    void resetGridSize();

    RefPtr<QVGridLineChangeViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVGridLineChangeViewDelegate>& delegate) { m_delegate = delegate; }

    RefPtr<UILabel> horStepperLabel() const { return m_horStepperLabel; }
    RefPtr<UILabel> vertStepperLabel() const { return m_vertStepperLabel; }
    RefPtr<UIStepper> vertStepper() const { return m_vertStepper; }
    RefPtr<UIStepper> horStepper() const { return m_horStepper; }

protected:
    ~QVGridLineChangeView() override = default;

private:
    void horStepperChanged();
    void vertStepperChanged();
    void updateHorStepperLabel();
    void updateVertStepperLabel();
    void removeControls();
    Ref<UILabel> makeLabel(CGFloat y, const std::string& text);
    Ref<UIStepper> makeStepper(CGPoint origin, CGFloat value, void (QVGridLineChangeView::*action)());

    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
    RefPtr<UILabel> m_horStepperLabel;
    RefPtr<UILabel> m_vertStepperLabel;
    RefPtr<UIStepper> m_vertStepper;
    RefPtr<UIStepper> m_horStepper;
    WeakPtr<QVGridLineChangeViewDelegate> m_delegate;
};

} // namespace qv
