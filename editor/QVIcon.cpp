#include "QVIcon.h"

#include "QVNumberFieldEdit.h"

#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIEvent.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UITouch.h"

#include <cmath>

namespace qv {

namespace {

constexpr const char* cancelTitle = "Cancel";
constexpr const char* deleteTitle = "Delete";
constexpr const char* swapIconTitle = "Swap Icon";
constexpr const char* setIconPositionTitle = "Set Icon Position";

// Below the minimum gives the minimum, above the maximum the maximum.
CGFloat clampedCoordinate(CGFloat value, CGFloat minimum, CGFloat maximum)
{
    if (value < minimum)
        return minimum;
    if (value > maximum)
        return maximum;
    return value;
}

int64_t wholePart(CGFloat value)
{
    return static_cast<int64_t>(std::trunc(value));
}

} // namespace

QVIcon::QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, const WeakPtr<QVIconDelegate>& delegate)
    : QVIcon(frame, maxFramePosition, minimumOrigin, delegate, false, 0)
{
}

QVIcon::QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, int32_t iconId, const WeakPtr<QVIconDelegate>& delegate)
    : QVIcon(frame, maxFramePosition, minimumOrigin, delegate, true, iconId)
{
}

QVIcon::QVIcon(CGRect frame, CGPoint maxFramePosition, CGPoint minimumOrigin, const WeakPtr<QVIconDelegate>& delegate, bool useId, int32_t iconId)
    : m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
    , m_utilities(QVUtilities::currentUtilities())
    , m_maxPosition(maxFramePosition)
    , m_minimumOrigin(minimumOrigin)
    , m_delegate(delegate)
    , m_icon(makeRef<UIImageView>(CGRectMake(0, 0, frame.size.width, frame.size.height)))
    , m_deleteIconButton(UIButton::buttonWithType(UIButtonTypeRoundedRect))
    , m_selectedIcon(makeRef<UIImageView>(m_utilities->imageNamed("Select_Icon.png", false)))
    , m_idLabel(makeRef<UILabel>(CGRectMake(0, 0, frame.size.width, frame.size.height - 4)))
    , m_nameLabel(makeRef<UILabel>(CGRectMake(0, frame.size.height - 5, frame.size.width, 22)))
    , m_positionView(makeRef<QVIconPositionView>(CGRectMake(0, frame.size.height, frame.size.width, 20), frame.origin))
{
    // The limits are in place before the frame is first set, so the first
    // frame is clamped too.
    setFrame(frame);
    if (!useId) {
        RefPtr<QVIconDelegate> owner = m_delegate.lock();
        iconId = owner ? owner->getNewIconIdForIcon(this) : 0;
    }
    setTag(iconId);
    if (RefPtr<QVIconDelegate> owner = m_delegate.lock())
        m_selecting = owner->isSelecting();
    build(frame.size);
}

QVIcon::~QVIcon()
{
    if (m_touchTimer)
        m_touchTimer->invalidate();
}

void QVIcon::build(CGSize size)
{
    m_icon->setImage(m_settings->currentIconImage());
    addSubview(m_icon);
    buildLabels(size);
    m_selectedIcon->setFrame(CGRectMake(size.width - 18, -2, 20, 20));
    m_selectedIcon->setHidden(!m_selected);
    addSubview(m_selectedIcon);
    m_positionView->setHidden(true);
    addSubview(m_positionView);
    buildDeleteButton();
}

void QVIcon::buildLabels(CGSize size)
{
    RefPtr<QVIconDelegate> owner = m_delegate.lock();
    m_nameLabel->setBackgroundColor(UIColor::clearColor());
    m_nameLabel->setTextColor(UIColor::whiteColor());
    m_nameLabel->setShadowColor(UIColor::blackColor());
    m_nameLabel->setShadowOffset(CGSizeMake(1, 1));
    m_nameLabel->setFont(UIFont::systemFontOfSize(m_device->iPad() ? 14 : 10));
    m_nameLabel->setTextAlignment(NSTextAlignmentCenter);
    m_nameLabel->setAdjustsFontSizeToFitWidth(true);
    m_nameLabel->setAlpha(owner && owner->shouldShowNameLabelOnIcon(iconId()) ? 1 : 0);
    addSubview(m_nameLabel);

    m_idLabel->setTextAlignment(NSTextAlignmentCenter);
    m_idLabel->setFont(UIFont::boldSystemFontOfSize(size.width / 2));
    addSubview(m_idLabel);
    setIconId(iconId());
}

void QVIcon::buildDeleteButton()
{
    RefPtr<QVIconDelegate> owner = m_delegate.lock();
    const bool pad = m_device->iPad();
    m_deleteIconButton->setFrame(pad ? CGRectMake(4, 4, 22, 22) : CGRectMake(3, 3, 16, 16));
    m_deleteIconButton->setTitle(std::string("X"), UIControlStateNormal);
    m_deleteIconButton->setTitleColor(UIColor::grayColor(), UIControlStateNormal);
    m_deleteIconButton->titleLabel()->setFont(UIFont::boldSystemFontOfSize(pad ? 22 : 16));
    m_deleteIconButton->addTarget(this, &QVIcon::deleteIcon, UIControlEventTouchUpInside);
    m_deleteIconButton->setHidden(!(owner && owner->shouldShowDeleteOnIcon(iconId())));
    addSubview(m_deleteIconButton);
}

void QVIcon::setIconId(int32_t iconId)
{
    setTag(iconId);
    m_idLabel->setText(stringWithFormat("%li", static_cast<long>(iconId)));
    m_nameLabel->setText(stringWithFormat("Icon %li", static_cast<long>(iconId)));
}

void QVIcon::setFrame(CGRect frame)
{
    frame.origin.x = clampedCoordinate(frame.origin.x, m_minimumOrigin.x, m_maxPosition.x);
    frame.origin.y = clampedCoordinate(frame.origin.y, m_minimumOrigin.y, m_maxPosition.y);
    UIView::setFrame(frame);
    // The readout is made after the first frame is set.
    if (QVIconPositionView* readout = m_positionView.ptr())
        readout->setCoords(frame.origin);
}

void QVIcon::setMaxPosition(CGPoint position)
{
    m_maxPosition = position;
    if (m_iconPositionController)
        m_iconPositionController->setMaxIconPoint(position);
}

void QVIcon::updateBackgroundImage()
{
    m_icon->setImage(m_settings->currentIconImage());
}

void QVIcon::setSelected(bool selected)
{
    m_selected = selected;
    m_selectedIcon->setHidden(!selected);
}

void QVIcon::toggleDeleteIconShown(bool shown)
{
    m_deleteIconButton->setHidden(!shown);
}

UIViewAnimationDidStop QVIcon::whileStillShown(void (QVIcon::*step)())
{
    WeakPtr<QVIcon> weakThis(this);
    const uint64_t departures = m_departures;
    return UIViewAnimationDidStop::Callback([weakThis, departures, step](const std::string&, bool, void*) {
        RefPtr<QVIcon> icon = weakThis.lock();
        if (icon && icon->m_departures == departures)
            (icon.get()->*step)();
    });
}

void QVIcon::removeFromSuperview()
{
    Ref<QVIcon> protectedThis(*this);
    UIView::removeFromSuperview();
    ++m_departures;
    invalidateTouchTimer();
    m_dragging = false;
    if (m_iconPositionController && m_iconPositionController->isShowing())
        m_iconPositionController->dismiss();
    if (m_swapIconAlert && m_swapIconAlert->visible())
        m_swapIconAlert->dismissWithClickedButtonIndex(0, false);
    if (m_iconOptionsSheet && m_iconOptionsSheet->visible())
        m_iconOptionsSheet->dismissWithClickedButtonIndex(0, false);
}

// Touches

void QVIcon::invalidateTouchTimer()
{
    if (m_touchTimer && m_touchTimer->isValid())
        m_touchTimer->invalidate();
}

void QVIcon::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    if (m_iconPositionController && m_iconPositionController->isShowing()) {
        m_iconPositionController->dismiss();
        return;
    }
    if (m_selecting) {
        setSelected(!m_selected);
        if (RefPtr<QVIconDelegate> owner = m_delegate.lock())
            owner->iconHasBeenSelected(iconId(), m_selected);
        return;
    }
    if (!m_touchTimer || !m_touchTimer->isValid()) {
        // The timer holds the icon weakly, so an icon let go of mid-hold
        // goes at once.
        WeakPtr<QVIcon> weakThis(this);
        m_touchTimer = NSTimer::scheduledTimerWithTimeInterval(holdDuration, [weakThis](NSTimer&) {
            if (RefPtr<QVIcon> icon = weakThis.lock())
                icon->touchesHeld();
        }, false);
    }
    if (!touches.empty())
        m_touchPoint = touches[0]->locationInView(this);
    m_positionView->setCoords(frame().origin);
    m_positionView->setHidden(false);
    m_dragging = true;
}

void QVIcon::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    if (m_selecting)
        return;
    invalidateTouchTimer();
    if (!m_dragging || touches.empty())
        return;
    m_lockedIndex = -1;
    RefPtr<UIView> container = superview();
    const CGPoint point = touches[0]->locationInView(container.get());
    CGFloat x = static_cast<CGFloat>(wholePart(point.x) - wholePart(m_touchPoint.x));
    CGFloat y = static_cast<CGFloat>(wholePart(point.y) - wholePart(m_touchPoint.y));
    x = clampedCoordinate(x, m_minimumOrigin.x, m_maxPosition.x);
    y = clampedCoordinate(y, m_minimumOrigin.y, m_maxPosition.y);
    const CGRect current = frame();
    setFrame(CGRectMake(x, y, current.size.width, current.size.height));
}

void QVIcon::touchesEnded(const UITouchSet&, UIEvent*)
{
    endTouch();
}

void QVIcon::touchesCancelled(const UITouchSet&, UIEvent*)
{
    endTouch();
}

void QVIcon::endTouch()
{
    if (m_selecting)
        return;
    invalidateTouchTimer();
    m_dragging = false;
    m_positionView->setHidden(true);
    if (m_settings->snapToGrid() && !m_showingPopover)
        snapToGrid();
}

void QVIcon::touchesHeld()
{
    m_showingPopover = true;
    m_iconOptionsSheet = makeRef<UIActionSheet>(std::string(), WeakPtr<UIActionSheetDelegate>(this), std::string(cancelTitle),
        std::string(deleteTitle), std::vector<std::string> { swapIconTitle, setIconPositionTitle });
    RefPtr<UIView> container = superview();
    m_iconOptionsSheet->showFromRect(frame(), container.get(), true);
    m_dragging = false;
    m_positionView->setHidden(true);
}

void QVIcon::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    const std::string title = sheet ? sheet->buttonTitleAtIndex(buttonIndex) : std::string();
    Ref<QVIcon> protectedThis(*this);
    if (title == deleteTitle)
        deleteIcon();
    else if (title == swapIconTitle)
        swapIcon();
    else if (title == setIconPositionTitle)
        showIconPositionPopController();
    m_showingPopover = false;
}

void QVIcon::actionSheetDidDismissWithButtonIndex(UIActionSheet*, int64_t)
{
    // However the sheet went (a tap outside it on the iPad, the icon
    // leaving), the icon snaps again.
    m_showingPopover = false;
}

// Snapping

void QVIcon::snapToGrid()
{
    RefPtr<QVIconDelegate> owner = m_delegate.lock();
    if (!owner)
        return;
    const std::vector<CGPoint> slots = owner->currentIconGridPositions();
    // Without slots there is nothing to snap to.
    if (slots.empty())
        return;
    const CGPoint iconCentre = center();
    auto distanceTo = [&](CGPoint slot) {
        const int64_t dx = std::llabs(wholePart(slot.x) - wholePart(iconCentre.x));
        const int64_t dy = std::llabs(wholePart(slot.y) - wholePart(iconCentre.y));
        return static_cast<int64_t>(std::sqrt(static_cast<float>(dx * dx + dy * dy)));
    };
    size_t best = 0;
    int64_t bestDistance = distanceTo(slots[0]);
    for (size_t slot = 1; slot < slots.size(); ++slot) {
        const int64_t distance = distanceTo(slots[slot]);
        if (distance < bestDistance) {
            best = slot;
            bestDistance = distance;
        }
    }
    m_lockedIndex = static_cast<int32_t>(best);
    UIView::beginAnimations("Snap to grid");
    UIView::setAnimationDidStopSelector(whileStillShown(&QVIcon::checkForIconsOffScreen));
    setCenter(CGPointMake(static_cast<CGFloat>(wholePart(slots[best].x)), static_cast<CGFloat>(wholePart(slots[best].y))));
    UIView::commitAnimations();
}

void QVIcon::checkForIconsOffScreen()
{
    UIView::beginAnimations("Off Screen Correction");
    const CGRect current = frame();
    auto corrected = [](CGFloat value, CGFloat maximum) {
        int64_t whole = wholePart(value);
        if (whole < 0)
            whole = 0;
        if (whole > wholePart(maximum))
            whole = wholePart(maximum);
        return static_cast<CGFloat>(whole);
    };
    setFrame(CGRectMake(corrected(current.origin.x, m_maxPosition.x), corrected(current.origin.y, m_maxPosition.y),
        current.size.width, current.size.height));
    UIView::commitAnimations();
}

// Deleting

void QVIcon::deleteIcon()
{
    // The "X" during the shrink, or the sheet's Delete and the "X": one
    // delete only.
    if (m_deleting)
        return;
    m_deleting = true;
    UIView::beginAnimations("Delete Icon");
    // A delete the user asked for always completes: unlike the other
    // animation ends, this one reports the icon also when it left its view
    // meanwhile (a turn of the device puts it into the other orientation's
    // cache, and the manager takes it out of there).
    WeakPtr<QVIcon> weakThis(this);
    UIView::setAnimationDidStopSelector(UIViewAnimationDidStop::Callback([weakThis](const std::string&, bool, void*) {
        if (RefPtr<QVIcon> icon = weakThis.lock())
            icon->notifyDeleted();
    }));
    for (const Ref<UIView>& subview : subviews())
        subview->setFrame(CGRectZero);
    const CGPoint origin = frame().origin;
    setFrame(CGRectMake(origin.x, origin.y, 0, 0));
    UIView::commitAnimations();
}

void QVIcon::notifyDeleted()
{
    if (RefPtr<QVIconDelegate> owner = m_delegate.lock())
        owner->deleteIcon(this);
}

// Swapping

void QVIcon::swapIcon()
{
    m_swapIconAlert = makeRef<UIAlertView>(swapIconTitle, "What Icon would you like to swap with?",
        WeakPtr<UIAlertViewDelegate>(this), std::string(cancelTitle), std::vector<std::string> { swapButtonTitle });
    m_swapIconAlert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    if (RefPtr<UITextField> field = m_swapIconAlert->textFieldAtIndex(0)) {
        field->setPlaceholder(iconNumberPlaceholder);
        field->setKeyboardType(UIKeyboardTypeNumberPad);
        field->setDelegate(WeakPtr<UITextFieldDelegate>(this));
    }
    m_swapIconAlert->show();
}

void QVIcon::alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex)
{
    if (!alert || alert != m_swapIconAlert.get() || alert->buttonTitleAtIndex(buttonIndex) != swapButtonTitle)
        return;
    RefPtr<UITextField> field = alert->textFieldAtIndex(0);
    const std::string text = field ? field->text() : std::string();
    const int64_t target = QVNumberFieldValue(text);
    // Icon numbers start at 1: an empty field or 0 names no icon.
    if (text.empty() || target < 1)
        return;
    if (RefPtr<QVIconDelegate> owner = m_delegate.lock())
        owner->swapIconWithId(iconId(), static_cast<int32_t>(target));
}

bool QVIcon::textField(UITextField* field, NSRange range, const std::string& replacement)
{
    if (!field || field->placeholder() != iconNumberPlaceholder)
        return true;
    const std::optional<std::string> edited = QVNumberFieldEditedText(field->text(), range, replacement);
    return edited && QVNumberFieldValue(*edited) <= 999;
}

// The exact-position panel

void QVIcon::showIconPositionPopController()
{
    m_iconPositionController = makeRef<QVIconPositionPopController>(m_device->iconPositionPopoverSize(), "Set Position",
        frame().origin, m_maxPosition);
    m_iconPositionController->setDelegate(WeakPtr<QVIconPositionPopControllerDelegate>(this));
    if (RefPtr<UIView> container = superview())
        m_iconPositionController->presentInView(*container);
    if (RefPtr<QVIconDelegate> owner = m_delegate.lock())
        owner->iconStartedShowingPositionPopover(this);
}

void QVIcon::dismissPositionPopover()
{
    if (m_iconPositionController)
        m_iconPositionController->dismiss();
}

void QVIcon::moveCoordinate(const char* animationName, CGFloat CGPoint::*axis, int32_t value)
{
    UIView::beginAnimations(animationName);
    CGRect moved = frame();
    moved.origin.*axis = value;
    setFrame(moved);
    UIView::commitAnimations();
}

void QVIcon::iconPositionControllerSetXCoordinate(QVIconPositionPopController*, int32_t x)
{
    moveCoordinate("Set Icon X Position", &CGPoint::x, x);
}

void QVIcon::iconPositionControllerSetYCoordinate(QVIconPositionPopController*, int32_t y)
{
    moveCoordinate("Set Icon Y Position", &CGPoint::y, y);
}

} // namespace qv
