#pragma once

#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UIView.h"

#include <string>

namespace qv {

// The editor's small floating panel: a rounded, translucent white box of a
// fixed size, centred over a host view, with a bar carrying a title and up
// to two buttons across its top. It is a plain view inside the editor's own
// view on every device. Panels with controls derive from it and add them
// after the base presentation.
class QVPopover : public UIView {
public:
    std::string className() const override { return "QVPopover"; }
    QVPopover(CGSize contentSize, std::string title);

    // The panel's frame over a host: centred on the host frame's size (its
    // origin does not count).
    static CGRect centredFrame(CGSize contentSize, const UIView& host);

    // Read by the presentation only, so they are set before presenting.
    RefPtr<UIBarButtonItem> leftBarButtonItem() const { return m_leftBarButtonItem; }
    void setLeftBarButtonItem(RefPtr<UIBarButtonItem> item) { m_leftBarButtonItem = std::move(item); }
    RefPtr<UIBarButtonItem> rightBarButtonItem() const { return m_rightBarButtonItem; }
    void setRightBarButtonItem(RefPtr<UIBarButtonItem> item) { m_rightBarButtonItem = std::move(item); }

    // Shows the panel on top of the host's subviews with a fresh bar, fading
    // in over 0.3 seconds.
    virtual void presentInView(UIView& host);
    // Fades the panel out over 0.3 seconds and takes it out of the host once
    // the fade has run to its end.
    virtual void dismiss();
    // Centres the panel again over the host (after a rotation), at once.
    void updatePositionInView(const UIView& host);

    // From the start of a presentation until dismiss.
    bool isShowing() const { return m_isShowing; }
    void setIsShowing(bool showing) { m_isShowing = showing; }

    CGSize contentSize() const { return m_contentSize; }
    const std::string& title() const { return m_title; }
    RefPtr<UINavigationBar> navBar() const { return m_navBar; }

    static constexpr double fadeDuration = 0.3;
    static constexpr CGFloat barHeight = 44;

protected:
    ~QVPopover() override = default;

private:
    const CGSize m_contentSize;
    RefPtr<UINavigationBar> m_navBar;
    RefPtr<UIBarButtonItem> m_leftBarButtonItem;
    RefPtr<UIBarButtonItem> m_rightBarButtonItem;
    const std::string m_title;
    bool m_isShowing = false;
};

} // namespace qv
