#pragma once

#include "UIActionSheetDelegate.h"
#include "UIModalView.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

// A sheet of buttons, indexed as on the device: the destructive button
// first when there is one, then the other buttons in their order, then the
// cancel button. It is shown in a view, or from a rectangle of a view (the
// popover's anchor on the iPad); the view is not retained. The delegate is
// not retained either.
class UIActionSheet : public UIModalView {
public:
    std::string className() const override { return "UIActionSheet"; }
    UIActionSheet();
    UIActionSheet(std::string title, const WeakPtr<UIActionSheetDelegate>& delegate,
        std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
        std::vector<std::string> otherButtonTitles = {});

    RefPtr<UIActionSheetDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UIActionSheetDelegate>& delegate) { m_delegate = delegate; }
    // -1 when there is none.
    int64_t destructiveButtonIndex() const { return m_destructiveButtonIndex; }
    void setDestructiveButtonIndex(int64_t index) { m_destructiveButtonIndex = index; }

    // A sheet needs a view to be shown in; without one it is refused with a
    // log line.
    void showInView(UIView* view);
    void showFromRect(CGRect rect, UIView* inView, bool animated);

    // The user's tap outside the sheet. On the iPad the sheet is a popover
    // that a tap outside dismisses as a tap on its cancel button would
    // (clicked, will and did dismiss, with the cancel button's index, -1
    // without one); on a phone the sheet covers the screen and the tap is
    // refused with a log line. Answers whether the sheet went away.
    bool tapOutside();

    // Where it was last shown: the view, and the rectangle in it when it
    // was shown from one.
    RefPtr<UIView> presentationView() const { return m_presentationView.lock(); }
    std::optional<CGRect> presentationRect() const { return m_presentationRect; }

protected:
    ~UIActionSheet() override = default;

private:
    void showIn(UIView* view, std::optional<CGRect> rect);
    void tellClicked(int64_t buttonIndex) override;
    void tellWillDismiss(int64_t buttonIndex) override;
    void tellDidDismiss(int64_t buttonIndex) override;

    WeakPtr<UIActionSheetDelegate> m_delegate;
    int64_t m_destructiveButtonIndex = -1;
    WeakPtr<UIView> m_presentationView;
    std::optional<CGRect> m_presentationRect;
};

} // namespace qv
