#pragma once

#include "QVIconDelegate.h"
#include "QVIconPositionPopController.h"
#include "QVIconPositionView.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UITextFieldDelegate.h"
#include "platform/UIKit/UIView.h"
#include "platform/core/WeakPtr.h"

#include <cstdint>

namespace qv {

// One generic icon of the editor's canvas: numbered (its id is the view's
// tag, its place in the manager's list plus one), dragged by a finger,
// snapped to the nearest grid slot and glued to it (lockedIndex, -1 for
// none), deleted, swapped with another icon by number or moved to exact
// coordinates. Its frame origin always lies between minimumOrigin and
// maxPosition. The manager, its delegate, is not retained.
class QVIcon : public UIView, public UIActionSheetDelegate, public UIAlertViewDelegate,
               public UITextFieldDelegate, public QVIconPositionPopControllerDelegate {
public:
    std::string className() const override { return "QVIcon"; }
    // The id is asked of the delegate.
    QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, const WeakPtr<QVIconDelegate>& delegate);
    QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, int32_t iconId, const WeakPtr<QVIconDelegate>& delegate);

    // Clamps the origin on each axis into minimumOrigin...maxPosition, then
    // shows it in the readout.
    void setFrame(CGRect frame) override;
    void updateBackgroundImage();
    void setSelected(bool selected);
    bool selected() const { return m_selected; }
    void toggleDeleteIconShown(bool shown);
    // The swap question, the delete (animated, then reported once) and the
    // exact-position panel.
    void swapIcon();
    void deleteIcon();
    void showIconPositionPopController();
    void dismissPositionPopover();
    // Leaving the view closes the icon's alert and sheet, stops its hold
    // and closes its position panel; animation ends still pending do
    // nothing any more, except the delete's, which always reports the icon.
    void removeFromSuperview() override;

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;
    void touchesHeld();

    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void actionSheetDidDismissWithButtonIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex) override;
    bool textField(UITextField* field, NSRange range, const std::string& replacement) override;
    void iconPositionControllerSetXCoordinate(QVIconPositionPopController* controller, int32_t x) override;
    void iconPositionControllerSetYCoordinate(QVIconPositionPopController* controller, int32_t y) override;

    int32_t iconId() const { return static_cast<int32_t>(tag()); }
    int32_t lockedIndex() const { return m_lockedIndex; }
    void setLockedIndex(int32_t index) { m_lockedIndex = index; }
    // Changing the limits does not move the icon. An open position panel
    // takes the new largest origin, so that it accepts exactly what the
    // icon can take.
    CGPoint maxPosition() const { return m_maxPosition; }
    void setMaxPosition(CGPoint position);
    CGPoint minimumOrigin() const { return m_minimumOrigin; }
    void setMinimumOrigin(CGPoint origin) { m_minimumOrigin = origin; }
    bool selecting() const { return m_selecting; }
    void setSelecting(bool selecting) { m_selecting = selecting; }
    RefPtr<QVIconDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVIconDelegate>& delegate) { m_delegate = delegate; }
    Ref<UILabel> idLabel() const { return m_idLabel; }
    Ref<UILabel> nameLabel() const { return m_nameLabel; }
    Ref<QVIconPositionView> positionView() const { return m_positionView; }
    Ref<UIImageView> iconImageView() const { return m_icon; }
    Ref<UIButton> deleteIconButton() const { return m_deleteIconButton; }
    Ref<UIImageView> selectedIcon() const { return m_selectedIcon; }
    RefPtr<UIActionSheet> iconOptionsSheet() const { return m_iconOptionsSheet; }
    RefPtr<UIAlertView> swapIconAlert() const { return m_swapIconAlert; }
    RefPtr<QVIconPositionPopController> iconPositionController() const { return m_iconPositionController; }
    bool dragging() const { return m_dragging; }
    bool showingPopover() const { return m_showingPopover; }
    bool isDeleting() const { return m_deleting; }

    // Sets the id and the texts that show it.
    void setIconId(int32_t iconId);

    static constexpr double holdDuration = 0.5;
    static constexpr const char* swapButtonTitle = "Swap";
    static constexpr const char* iconNumberPlaceholder = "Icon Number";

protected:
    ~QVIcon() override;

private:
    QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, const WeakPtr<QVIconDelegate>& delegate, bool useId, int32_t iconId);
    void build(CGSize size);
    void buildLabels(CGSize size);
    void buildDeleteButton();
    void snapToGrid();
    void checkForIconsOffScreen();
    void notifyDeleted();
    void endTouch();
    void invalidateTouchTimer();
    // Moves the origin on one axis, in the named animation.
    void moveCoordinate(const char* animationName, CGFloat CGPoint::*axis, int32_t value);
    // The end of an animation, run only while the icon lives and has not
    // left its view since the animation began.
    UIViewAnimationDidStop whileStillShown(void (QVIcon::*step)());

    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
    const Ref<QVUtilities> m_utilities;
    CGPoint m_maxPosition;
    CGPoint m_minimumOrigin;
    WeakPtr<QVIconDelegate> m_delegate;
    Ref<UIImageView> m_icon;
    Ref<UIButton> m_deleteIconButton;
    Ref<UIImageView> m_selectedIcon;
    Ref<UILabel> m_idLabel;
    Ref<UILabel> m_nameLabel;
    Ref<QVIconPositionView> m_positionView;
    RefPtr<NSTimer> m_touchTimer;
    CGPoint m_touchPoint;
    bool m_dragging = false;
    bool m_showingPopover = false;
    bool m_deleting = false;
    RefPtr<UIActionSheet> m_iconOptionsSheet;
    RefPtr<UIAlertView> m_swapIconAlert;
    RefPtr<QVIconPositionPopController> m_iconPositionController;
    bool m_selecting = false;
    bool m_selected = false;
    int32_t m_lockedIndex = -1;
    // Counts the icon's departures from its view, so that an animation end
    // can tell whether the icon left meanwhile.
    uint64_t m_departures = 0;
};

} // namespace qv
