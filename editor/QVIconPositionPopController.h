#pragma once

#include "QVIconPositionPopControllerDelegate.h"
#include "QVPopover.h"

#include "model/QVDevice.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UITextFieldDelegate.h"
#include "platform/core/WeakPtr.h"

namespace qv {

// The exact-position panel ("Set Position") of one icon: an X and a Y
// field that move the icon with every accepted keystroke, never beyond the
// largest origin the icon may take.
class QVIconPositionPopController : public QVPopover, public UITextFieldDelegate {
public:
    std::string className() const override { return "QVIconPositionPopController"; }
    QVIconPositionPopController(CGSize contentSize, std::string title, CGPoint currentPosition, CGPoint maxPosition);

    // The panel, then the two fields; the keyboard opens on X.
    void presentInView(UIView& host) override;
    void dismiss() override;

    // Return in X goes on to Y; return in Y closes the panel.
    bool textFieldShouldReturn(UITextField* field) override;
    // Digits only, within 0...the maximum of the field's axis; an accepted
    // edit moves the icon to the edited value at once.
    bool textField(UITextField* field, NSRange range, const std::string& replacement) override;

    RefPtr<QVIconPositionPopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVIconPositionPopControllerDelegate>& delegate) { m_delegate = delegate; }
    // The largest coordinate per axis that an edit may reach; its icon
    // renews it when its own bounds change while the panel is open.
    CGPoint maxIconPoint() const { return m_maxIconPoint; }
    void setMaxIconPoint(CGPoint point) { m_maxIconPoint = point; }
    CGPoint currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(CGPoint position) { m_currentPosition = position; }
    RefPtr<UITextField> xField() const { return m_xField; }
    RefPtr<UITextField> yField() const { return m_yField; }

protected:
    ~QVIconPositionPopController() override = default;

private:
    Ref<UITextField> makeField(CGFloat y, CGFloat value, const char* placeholder);

    const Ref<QVDevice> m_device;
    CGPoint m_maxIconPoint;
    RefPtr<UITextField> m_xField;
    RefPtr<UITextField> m_yField;
    WeakPtr<QVIconPositionPopControllerDelegate> m_delegate;
    CGPoint m_currentPosition;
};

} // namespace qv
