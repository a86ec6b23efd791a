#pragma once

#include "UIAlertViewDelegate.h"
#include "UIModalView.h"
#include "UITextField.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

enum UIAlertViewStyle : int64_t {
    UIAlertViewStyleDefault = 0,
    UIAlertViewStyleSecureTextInput = 1,
    UIAlertViewStylePlainTextInput = 2,
    UIAlertViewStyleLoginAndPasswordInput = 3,
};

// An alert: a title, a message and buttons, the cancel button (when there
// is one) at index 0 and the other buttons after it in their order. The
// text-input styles add text fields, counted from 0; the first becomes the
// first responder when the alert shows. The delegate is not retained.
class UIAlertView : public UIModalView {
public:
    std::string className() const override { return "UIAlertView"; }
    UIAlertView();
    UIAlertView(std::string title, std::string message, const WeakPtr<UIAlertViewDelegate>& delegate,
        std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});

    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }
    RefPtr<UIAlertViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UIAlertViewDelegate>& delegate) { m_delegate = delegate; }

    UIAlertViewStyle alertViewStyle() const { return m_style; }
    void setAlertViewStyle(UIAlertViewStyle style);
    // Null (with a log line) for an index the style has no field for.
    RefPtr<UITextField> textFieldAtIndex(int64_t index) const;

    void show();

protected:
    ~UIAlertView() override = default;

private:
    void tellClicked(int64_t buttonIndex) override;
    void tellWillDismiss(int64_t buttonIndex) override;
    void tellDidDismiss(int64_t buttonIndex) override;
    void didLeaveScreen() override;

    std::string m_message;
    WeakPtr<UIAlertViewDelegate> m_delegate;
    UIAlertViewStyle m_style = UIAlertViewStyleDefault;
    std::vector<Ref<UITextField>> m_textFields;
};

} // namespace qv
