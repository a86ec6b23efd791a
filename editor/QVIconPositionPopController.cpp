#include "QVIconPositionPopController.h"

#include "QVNumberFieldEdit.h"

#include "platform/Foundation/StringFormat.h"

namespace qv {

QVIconPositionPopController::QVIconPositionPopController(CGSize contentSize, std::string title, CGPoint currentPosition, CGPoint maxPosition)
    : QVPopover(contentSize, std::move(title))
    , m_device(QVDevice::currentDevice())
    , m_maxIconPoint(maxPosition)
    , m_currentPosition(currentPosition)
{
}

Ref<UITextField> QVIconPositionPopController::makeField(CGFloat y, CGFloat value, const char* placeholder)
{
    Ref<UITextField> field = makeRef<UITextField>(CGRectMake(10, y, contentSize().width - 20, 24));
    field->setKeyboardType(UIKeyboardTypeNumberPad);
    field->setText(stringWithFormat("%i", static_cast<int>(value)));
    field->setBorderStyle(UITextBorderStyleRoundedRect);
    field->setPlaceholder(placeholder);
    field->setDelegate(WeakPtr<UITextFieldDelegate>(this));
    return field;
}

void QVIconPositionPopController::presentInView(UIView& host)
{
    QVPopover::presentInView(host);
    for (const RefPtr<UITextField>& old : { m_xField, m_yField }) {
        if (old)
            old->removeFromSuperview();
    }
    m_xField = makeField(54, m_currentPosition.x, "X Coordinate");
    m_yField = makeField(contentSize().height - 44, m_currentPosition.y, "Y Coordinate");
    addSubview(m_xField);
    addSubview(m_yField);
    m_xField->becomeFirstResponder();
}

void QVIconPositionPopController::dismiss()
{
    // The keyboard goes with the panel.
    for (const RefPtr<UITextField>& field : { m_xField, m_yField }) {
        if (field && field->isFirstResponder())
            field->resignFirstResponder();
    }
    QVPopover::dismiss();
}

bool QVIconPositionPopController::textFieldShouldReturn(UITextField* field)
{
    if (field && field == m_xField.get()) {
        if (m_yField)
            m_yField->becomeFirstResponder();
    } else if (field && field == m_yField.get()) {
        dismiss();
    }
    return true;
}

bool QVIconPositionPopController::textField(UITextField* field, NSRange range, const std::string& replacement)
{
    const bool isX = field && field == m_xField.get();
    const bool isY = field && field == m_yField.get();
    if (!isX && !isY)
        return true;
    const std::optional<std::string> edited = QVNumberFieldEditedText(field->text(), range, replacement);
    if (!edited)
        return false;
    const int64_t value = QVNumberFieldValue(*edited);
    if (value > (isX ? m_maxIconPoint.x : m_maxIconPoint.y))
        return false;
    if (RefPtr<QVIconPositionPopControllerDelegate> delegate = m_delegate.lock()) {
        if (isX)
            delegate->iconPositionControllerSetXCoordinate(this, static_cast<int32_t>(value));
        else
            delegate->iconPositionControllerSetYCoordinate(this, static_cast<int32_t>(value));
    }
    return true;
}

} // namespace qv
