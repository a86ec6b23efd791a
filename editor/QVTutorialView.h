#pragma once

#include "QVTutorialViewDelegate.h"

#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UITextView.h"
#include "platform/UIKit/UIView.h"

#include <string>

namespace qv {

// One tutorial card: a dimmed overlay over the host view with a white box
// in its middle holding a bold title, the message and "Tap to dismiss". A
// touch anywhere on the overlay fades it out; once it has left its host the
// delegate (the card's controller, kept alive by the overlay) hears of it.
class QVTutorialView : public UIView {
public:
    std::string className() const override { return "QVTutorialView"; }
    QVTutorialView(CGRect frame, std::string title, std::string message, CGSize contentSize);

    // Builds the card over the host and fades it in.
    void showInView(UIView& host);

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    // Reports the dismissal once the overlay has really left its superview;
    // removing an overlay that is in no view reports nothing.
    void removeFromSuperview() override;

    RefPtr<QVTutorialViewDelegate> delegate() const { return m_delegate; }
    void setDelegate(RefPtr<QVTutorialViewDelegate> delegate) { m_delegate = std::move(delegate); }

    CGSize contentSize() const { return m_contentSize; }
    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    RefPtr<UIView> tutorialView() const { return m_tutorialView; }
    RefPtr<UILabel> titleLabel() const { return m_titleLabel; }
    RefPtr<UITextView> messageView() const { return m_messageView; }
    RefPtr<UILabel> footerLabel() const { return m_footerLabel; }
    // Whether the fade-out has started.
    bool isHiding() const { return m_hiding; }

    static constexpr const char* footerText = "Tap to dismiss";
    static constexpr const char* showAnimationName = "Show Tutorial View";
    static constexpr const char* hideAnimationName = "Hide Tutorial View";

protected:
    ~QVTutorialView() override = default;

private:
    void hideFromView();
    void addCardText(CGRect box);

    const CGSize m_contentSize;
    RefPtr<UIView> m_tutorialView;
    const std::string m_title;
    const std::string m_message;
    RefPtr<QVTutorialViewDelegate> m_delegate;
    RefPtr<UILabel> m_titleLabel;
    RefPtr<UITextView> m_messageView;
    RefPtr<UILabel> m_footerLabel;
    bool m_hiding = false;
};

} // namespace qv
