#include "SBHomeScreenTouches.h"

#include "SBFolderBackgroundView.h"
#include "SBFolderController.h"
#include "SBFolderIcon.h"
#include "SBIconController.h"
#include "SBIconView.h"
#include "SBRootFolderController.h"
#include "platform/UIKit/UITouch.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// The icon of the icon view the touch began in, when it is on the screen.
RefPtr<SBIcon> iconUnderTouch(const UITouch& touch, SBIconController& controller)
{
    for (RefPtr<UIView> view = touch.view(); view; view = view->superview()) {
        if (auto* iconView = dynamic_cast<SBIconView*>(view.get())) {
            const Ref<SBIcon>& icon = iconView->iconObject();
            return controller.visibleListContainingIcon(icon.ptr()) ? RefPtr<SBIcon>(icon) : nullptr;
        }
    }
    return nullptr;
}

// Whether a folder is open and the point of the content view lies outside it.
bool outsideOpenFolder(SBIconController& controller, CGPoint point)
{
    RefPtr<SBFolderController> open = controller.rootFolderControllerObject()->innerFolderController();
    if (!open)
        return false;
    RefPtr<SBFolderBackgroundView> background = open->backgroundView();
    if (!background)
        return false;
    return !CGRectContainsPoint(background->bounds(), controller.contentViewObject()->convertPointToView(point, background.get()));
}

CGFloat distance(CGPoint from, CGPoint to)
{
    return std::hypot(to.x - from.x, to.y - from.y);
}

} // namespace

SBHomeScreenTouches::~SBHomeScreenTouches()
{
    if (m_longPressTimer)
        m_longPressTimer->invalidate();
}

UITouch* SBHomeScreenTouches::trackedTouch(const UITouchSet& touches) const
{
    RefPtr<UITouch> tracked = m_touch.lock();
    for (const Ref<UITouch>& touch : touches) {
        if (touch.ptr() == tracked.get())
            return touch.ptr();
    }
    return nullptr;
}

CGPoint SBHomeScreenTouches::location(const UITouch& touch) const
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    return controller ? touch.locationInView(controller->contentViewObject().ptr()) : touch.locationInView(nullptr);
}

void SBHomeScreenTouches::touchesBegan(const UITouchSet& touches)
{
    if (m_touch)
        return;
    // A finger whose end went elsewhere leaves nothing behind.
    reset();
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    auto began = std::find_if(touches.begin(), touches.end(), [](const Ref<UITouch>& touch) { return touch->phase() == UITouchPhaseBegan; });
    if (!controller || began == touches.end())
        return;
    m_touch = began->ptr();
    m_start = location(*began);
    if (outsideOpenFolder(*controller, m_start)) {
        m_gesture = Gesture::OutsideFolder;
        return;
    }
    m_gesture = Gesture::Pressing;
    m_icon = iconUnderTouch(*began, *controller);
    if (!m_icon)
        return;
    WeakPtr<SBHomeScreenTouches> weakThis(this);
    m_longPressTimer = NSTimer::scheduledTimerWithTimeInterval(longPressDuration, [weakThis](NSTimer&) {
        if (RefPtr<SBHomeScreenTouches> strong = weakThis.lock())
            strong->longPressTimerFired();
    }, false);
}

void SBHomeScreenTouches::longPressTimerFired()
{
    m_longPressTimer = nullptr;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (m_gesture != Gesture::Pressing || !m_icon || !controller || controller->grabbedIcon())
        return;
    if (!controller->visibleListContainingIcon(m_icon.get()))
        return;
    controller->iconHandleLongPress(m_icon.get());
    m_gesture = Gesture::Holding;
}

void SBHomeScreenTouches::touchesMoved(const UITouchSet& touches)
{
    UITouch* touch = trackedTouch(touches);
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (!touch || !controller)
        return;
    const CGPoint point = location(*touch);
    if (m_gesture == Gesture::Holding) {
        controller->dragGrabbedIconToPoint(point);
        return;
    }
    if (m_gesture == Gesture::Pressing && distance(m_start, point) > movementAllowance) {
        if (m_longPressTimer)
            m_longPressTimer->invalidate();
        m_longPressTimer = nullptr;
        m_gesture = Gesture::Swiping;
    }
}

void SBHomeScreenTouches::touchesEnded(const UITouchSet& touches)
{
    UITouch* touch = trackedTouch(touches);
    if (!touch || touch->phase() != UITouchPhaseEnded)
        return;
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    const CGPoint end = location(*touch);
    const Gesture gesture = m_gesture;
    RefPtr<SBIcon> icon = m_icon;
    reset();
    if (!controller)
        return;
    switch (gesture) {
    case Gesture::Holding:
        controller->icon(icon.get(), true);
        break;
    case Gesture::Swiping:
        turnPage(*controller, CGPointMake(end.x - m_start.x, end.y - m_start.y));
        break;
    case Gesture::Pressing:
        if (icon)
            tap(*controller, *icon);
        break;
    case Gesture::OutsideFolder:
        if (distance(m_start, end) <= movementAllowance)
            controller->closeFolder();
        break;
    case Gesture::None:
        break;
    }
}

void SBHomeScreenTouches::touchesCancelled(const UITouchSet& touches)
{
    UITouch* touch = trackedTouch(touches);
    if (!touch || touch->phase() != UITouchPhaseCancelled)
        return;
    const Gesture gesture = m_gesture;
    RefPtr<SBIcon> icon = m_icon;
    reset();
    // A held icon never stays in the air.
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (gesture == Gesture::Holding && controller)
        controller->icon(icon.get(), true);
}

void SBHomeScreenTouches::tap(SBIconController& controller, SBIcon& icon)
{
    if (!controller.visibleListContainingIcon(&icon))
        return;
    const bool folder = dynamic_cast<SBFolderIcon*>(&icon) != nullptr;
    if (controller.isEditing() && !folder)
        return;
    controller.launchIcon(icon);
}

void SBHomeScreenTouches::turnPage(SBIconController& controller, CGPoint movement)
{
    if (std::fabs(movement.x) < pageTurnDistance || std::fabs(movement.x) <= std::fabs(movement.y))
        return;
    RefPtr<SBFolderController> open = controller.rootFolderControllerObject()->innerFolderController();
    const uint64_t current = open ? open->currentPageIndex() : controller.currentIconListIndex();
    if (movement.x < 0)
        controller.scrollToIconListAtIndex(current + 1);
    else if (current > 0)
        controller.scrollToIconListAtIndex(current - 1);
}

void SBHomeScreenTouches::reset()
{
    if (m_longPressTimer)
        m_longPressTimer->invalidate();
    m_longPressTimer = nullptr;
    m_touch = nullptr;
    m_gesture = Gesture::None;
    m_icon = nullptr;
}

} // namespace qv
