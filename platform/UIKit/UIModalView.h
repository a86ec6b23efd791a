#pragma once

#include "UIView.h"

#include <string>
#include <vector>

namespace qv {

// What alerts and action sheets share: a title, a list of buttons counted
// from 0, the showing on screen and the taps on the buttons.
//
// While shown, a modal view is on a process-wide list, in the order of
// showing, which holds it. Showing one cancels every touch in progress (the
// views get touchesCancelled). A tap on a button (the driver: by title or by
// index) tells the delegate clicked, then will dismiss and did dismiss with
// the button's index; a dismissal from code tells only will and did
// dismiss. Main thread only.
class UIModalView : public UIView {
public:
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }

    // The new button's index.
    int64_t addButtonWithTitle(std::string title);
    int64_t numberOfButtons() const { return static_cast<int64_t>(m_buttonTitles.size()); }
    // Empty for an index out of range.
    std::string buttonTitleAtIndex(int64_t index) const;
    // -1 when there is none.
    int64_t cancelButtonIndex() const { return m_cancelButtonIndex; }
    void setCancelButtonIndex(int64_t index) { m_cancelButtonIndex = index; }
    int64_t firstOtherButtonIndex() const { return m_firstOtherButtonIndex; }

    bool visible() const { return m_visible; }

    // The user's tap on a button of a visible modal view. The first button
    // with the title counts; an unknown title or index, or a modal view not
    // on screen, is refused with a log line.
    bool tapButtonWithTitle(const std::string& title);
    bool tapButtonAtIndex(int64_t index);
    // Takes the modal view off the screen without a click; nothing happens
    // when it is not on screen.
    void dismissWithClickedButtonIndex(int64_t index, bool animated);

    // What is on screen, oldest first.
    static std::vector<Ref<UIModalView>> visibleModalViews();
    // The one shown last, or null.
    static RefPtr<UIModalView> topmostModalView();

protected:
    explicit UIModalView(std::string title);
    ~UIModalView() override = default;

    // Puts the view on screen; false when it is there already.
    bool present();
    // What the user's tap on a button does: tells the delegate clicked, then
    // takes the view away with that index.
    void click(int64_t buttonIndex);

    virtual void tellClicked(int64_t buttonIndex) = 0;
    virtual void tellWillDismiss(int64_t buttonIndex) = 0;
    virtual void tellDidDismiss(int64_t buttonIndex) = 0;
    // Called as the view leaves the screen, before did dismiss.
    virtual void didLeaveScreen() {}

    std::vector<std::string> m_buttonTitles;
    int64_t m_cancelButtonIndex = -1;
    int64_t m_firstOtherButtonIndex = -1;

private:
    std::string m_title;
    bool m_visible = false;
};

} // namespace qv
