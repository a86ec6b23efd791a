#include "QVGridLineChangeView.h"

#include "QVGridDimensions.h"

#include "platform/Foundation/StringFormat.h"

namespace qv {

static std::string columnsText(CGFloat columns)
{
    return stringWithFormat("Columns (%i)", static_cast<int>(columns));
}

static std::string rowsText(CGFloat rows)
{
    return stringWithFormat("Rows (%i)", static_cast<int>(rows));
}

QVGridLineChangeView::QVGridLineChangeView(CGSize contentSize, std::string title)
    : QVPopover(contentSize, std::move(title))
    , m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
{
}

Ref<UILabel> QVGridLineChangeView::makeLabel(CGFloat y, const std::string& text)
{
    Ref<UILabel> label = makeRef<UILabel>(CGRectMake(0, y, contentSize().width, 20));
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(UIColor::blackColor());
    label->setTextAlignment(NSTextAlignmentCenter);
    label->setText(text);
    return label;
}

Ref<UIStepper> QVGridLineChangeView::makeStepper(CGPoint origin, CGFloat value, void (QVGridLineChangeView::*action)())
{
    Ref<UIStepper> stepper = makeRef<UIStepper>(CGRectMake(origin.x, origin.y, 0, 0));
    stepper->setMaximumValue(QVMaximumGridLines);
    stepper->setMinimumValue(QVMinimumSteppedGridLines);
    stepper->setValue(value);
    stepper->addTarget(this, action, UIControlEventValueChanged);
    return stepper;
}

void QVGridLineChangeView::removeControls()
{
    for (UIView* control : { static_cast<UIView*>(m_vertStepperLabel.get()), static_cast<UIView*>(m_vertStepper.get()),
             static_cast<UIView*>(m_horStepperLabel.get()), static_cast<UIView*>(m_horStepper.get()) }) {
        if (control)
            control->removeFromSuperview();
    }
}

void QVGridLineChangeView::presentInView(UIView& host)
{
    QVPopover::presentInView(host);
    // A panel presented again builds its controls afresh.
    removeControls();

    const CGSize size = contentSize();
    const CGSize gridSize = m_settings->gridSize();
    m_vertStepperLabel = makeLabel(50, stringWithFormat("Columns (%lu)", static_cast<unsigned long>(gridSize.width)));
    m_vertStepper = makeStepper(CGPointMake(size.width / 2 - 48, 80), gridSize.width, &QVGridLineChangeView::vertStepperChanged);
    m_horStepperLabel = makeLabel(size.height - 70, stringWithFormat("Rows (%lu)", static_cast<unsigned long>(gridSize.height)));
    m_horStepper = makeStepper(CGPointMake(size.width / 2 - 48, size.height - 40), gridSize.height, &QVGridLineChangeView::horStepperChanged);

    addSubview(m_vertStepperLabel);
    addSubview(m_vertStepper);
    addSubview(m_horStepperLabel);
    addSubview(m_horStepper);
}

void QVGridLineChangeView::vertStepperChanged()
{
    if (!m_vertStepper)
        return;
    const CGSize gridSize = m_settings->gridSize();
    const int32_t columns = static_cast<int32_t>(m_vertStepper->value());
    m_settings->setGridSize(CGSizeMake(columns, gridSize.height));
    updateVertStepperLabel();
    if (RefPtr<QVGridLineChangeViewDelegate> delegate = m_delegate.lock())
        delegate->gridLineChangeViewVerticalValueChanged(this, columns);
}

void QVGridLineChangeView::horStepperChanged()
{
    if (!m_horStepper)
        return;
    const CGSize gridSize = m_settings->gridSize();
    const int32_t rows = static_cast<int32_t>(m_horStepper->value());
    m_settings->setGridSize(CGSizeMake(gridSize.width, rows));
    updateHorStepperLabel();
    if (RefPtr<QVGridLineChangeViewDelegate> delegate = m_delegate.lock())
        delegate->gridLineChangeViewHorizontalValueChanged(this, rows);
}

void QVGridLineChangeView::updateVertStepperLabel()
{
    if (m_vertStepperLabel)
        m_vertStepperLabel->setText(columnsText(m_settings->gridSize().width));
}

void QVGridLineChangeView::updateHorStepperLabel()
{
    if (m_horStepperLabel)
        m_horStepperLabel->setText(rowsText(m_settings->gridSize().height));
}

void QVGridLineChangeView::updateContent()
{
    const CGSize gridSize = m_settings->gridSize();
    if (m_horStepper)
        m_horStepper->setValue(static_cast<int>(gridSize.height));
    horStepperChanged();
    if (m_vertStepper)
        m_vertStepper->setValue(static_cast<int>(m_settings->gridSize().width));
    vertStepperChanged();
}

void QVGridLineChangeView::resetGridSize()
{
    m_settings->setGridSize(m_device->defaultNumberOfGridLines());
    const CGSize gridSize = m_settings->gridSize();
    if (m_horStepper)
        m_horStepper->setValue(static_cast<int>(gridSize.height));
    if (m_vertStepper)
        m_vertStepper->setValue(static_cast<int>(gridSize.width));
    updateHorStepperLabel();
    updateVertStepperLabel();
    if (RefPtr<QVGridLineChangeViewDelegate> delegate = m_delegate.lock()) {
        delegate->gridLineChangeViewVerticalValueChanged(this, static_cast<int32_t>(gridSize.width));
        delegate->gridLineChangeViewHorizontalValueChanged(this, static_cast<int32_t>(gridSize.height));
    }
}

} // namespace qv
