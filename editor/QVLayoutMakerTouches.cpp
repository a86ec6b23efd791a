// The editor's touches on its canvas, the quick actions, the top row's
// hiding and the "Options" sheet.
#include "QVLayoutMaker.h"

#include "platform/UIKit/UITouch.h"

#include <cmath>

namespace qv {

void QVLayoutMaker::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    // The first touch after the position panel opened only closes it.
    if (m_positionPopoverIcon) {
        m_positionPopoverIcon->dismissPositionPopover();
        m_positionPopoverIcon = nullptr;
        return;
    }
    if (m_selectingIcons && !touches.empty()) {
        m_draggingSelectedRefPoint = touches[0]->locationInView(view().ptr());
        m_draggingSelected = true;
    }
    // A new hold replaces one still pending, so no orphan timer opens the
    // sheet after a drag.
    invalidateTimer(m_touchTimer);
    WeakPtr<QVLayoutMaker> weakThis(this);
    m_touchTimer = NSTimer::scheduledTimerWithTimeInterval(holdDuration, [weakThis](NSTimer&) {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->touchHeld();
    }, false);
}

void QVLayoutMaker::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    invalidateTimer(m_touchTimer);
    if (!m_selectingIcons || !m_draggingSelected || touches.empty() || !m_iconManager)
        return;
    const CGPoint point = touches[0]->locationInView(view().ptr());
    const CGFloat dx = std::trunc(point.x) - std::trunc(m_draggingSelectedRefPoint.x);
    const CGFloat dy = std::trunc(point.y) - std::trunc(m_draggingSelectedRefPoint.y);
    auto clamped = [](CGFloat value, CGFloat maximum) {
        if (value > maximum)
            return maximum;
        if (value < 0)
            return CGFloat(0);
        return value;
    };
    for (const Ref<QVIcon>& icon : m_iconManager->selectedIcons()) {
        CGRect frame = icon->frame();
        frame.origin.x = clamped(frame.origin.x + dx, m_maxIconPoint.x);
        frame.origin.y = clamped(frame.origin.y + dy, m_maxIconPoint.y);
        icon->setFrame(frame);
        icon->setLockedIndex(-1);
    }
    m_draggingSelectedRefPoint = point;
}

void QVLayoutMaker::touchesEnded(const UITouchSet&, UIEvent*)
{
    m_draggingSelected = false;
    invalidateTimer(m_touchTimer);
}

void QVLayoutMaker::touchesCancelled(const UITouchSet&, UIEvent*)
{
    m_draggingSelected = false;
    invalidateTimer(m_touchTimer);
}

void QVLayoutMaker::touchHeld()
{
    m_quickActionSheet = makeSheet(std::string("Delete All Icons"),
        { m_buttonsHidden ? "Show Buttons" : "Hide Buttons", m_selectingIcons ? "Stop Selecting Icons" : "Start Selecting Icons" });
    m_quickActionSheet->showInView(view().ptr());
}

void QVLayoutMaker::moveTopButtons(CGFloat distance)
{
    UIView::beginAnimations("Toggle Buttons Hidden");
    for (const RefPtr<UIButton>& button : { m_optionButton, m_addIconButton, m_doneSelectingButton }) {
        if (!button)
            continue;
        CGRect frame = button->frame();
        frame.origin.y += distance;
        button->setFrame(frame);
    }
    UIView::commitAnimations();
}

void QVLayoutMaker::toggleButtons(bool show)
{
    moveTopButtons(show ? buttonsHiddenDistance : -buttonsHiddenDistance);
}

void QVLayoutMaker::optionButtonClicked()
{
    const bool deleteShowing = m_iconManager && m_iconManager->showDeleteOnIcons();
    const bool labelsShowing = m_iconManager && m_iconManager->nameLabelShowing();
    m_optionsSheet = makeSheet(std::nullopt, {
        deleteShowing ? "Hide Delete On Icons" : "Show Delete On Icons",
        labelsShowing ? "Hide Icon Labels" : "Show Icon Labels",
        "View Tutorial",
        m_folderModeEnabled ? "Disable Folder Mode" : "Enable Folder Mode",
    });
    showSheetFromButton(*m_optionsSheet, m_optionButton);
}

} // namespace qv
