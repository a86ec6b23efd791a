#include "QVGridView.h"

#include "QVIcon.h"

#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/CFPreferences.h"

#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIEvent.h"
#include "platform/UIKit/UITouch.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// The grid's tutorial cards, keys 9 to 14; each box is 200 points wide.
struct GridCard {
    int32_t key;
    const char* title;
    CGFloat height;
    const char* message;
};

constexpr int32_t firstGridCard = 9;
constexpr int32_t lastGridCard = 14;
constexpr CGFloat gridCardWidth = 200;

constexpr GridCard gridCards[] = {
    { 9, "Grid", 130, "The Grid has been packed with features, revamped from the old version. Here is a tutorial for each option of the grid" },
    { 10, "Grid Position", 150, "The new Grid can be resized by pinching the grid with 2 fingers and moved by dragging it around the screen. You can hit the Grid > Reset Grid Position button to put the grid back to full screen." },
    { 11, "Grid Dimensions", 150, "You can change the Grid's dimensions by hitting Grid > Change Grid Size (%i x %i). This will change how many Icons can fit inside the grid and change the spacing between icons." },
    { 12, "Unlock All Icons", 220, "By default, when you tap and drag an icon with the grid shown, the icons will snap to the nearest grid slot. When you move or resize the grid, the icons will stay \"glued\" to that grid slot. When clicking Grid > Unlock All Icons, all of the icons will be unlocked from there current grid slot, allowing you to move the grid freely without disturbing your layout." },
    { 13, "Fill Grid", 150, "When choosing Grid > Fill Grid, you have 2 options. You can fill the current grid and Remove ALL of the current Icons, or you can fill the current grid while keeping existing icons, leaving them undisturbed." },
    { 14, "Ignore Icon Touches", 190, "Ignore Icon Touches allows you to move the grid without worrying about accidentally touching, and perhaps ruining, your layout. This feature will disable the icons and it can be activated by hitting Grid > Ignore Icon Touches. To DISABLE this feature, hit Grid > Acknowledge Icon Touches" },
};

// Within the rectangle, its edges included.
bool rectContains(CGRect rect, CGPoint point)
{
    return point.x >= rect.origin.x && point.x <= rect.origin.x + rect.size.width
        && point.y >= rect.origin.y && point.y <= rect.origin.y + rect.size.height;
}

// Below 0 gives 0, above the limit gives the limit.
CGFloat clampedToLimit(CGFloat value, CGFloat limit)
{
    if (value < 0)
        return 0;
    if (value > limit)
        return limit;
    return value;
}

} // namespace

QVGridView::QVGridView(CGRect frame, CGSize maxBoundaries)
    : UIView(frame)
    , m_utilities(QVUtilities::currentUtilities())
    , m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
    , m_gridBG(makeRef<UIImageView>(m_utilities->imageNamed("Grid_Background.png", false)))
    , m_gridManager(makeRef<QVGridManager>(m_gridBG, maxBoundaries))
    , m_maxBoundaries(maxBoundaries)
    , m_gridFrame(frame)
{
    // A hidden grid takes no touches.
    setFrame(CGRectZero);
    setMultipleTouchEnabled(true);
    m_gridBG->setFrame(CGRectMake(0, 0, frame.size.width, frame.size.height));
    m_gridBG->setAlpha(0);
    m_gridBG->setHidden(true);
    addSubview(m_gridBG);
    m_gridManager->setDelegate(WeakPtr<QVGridManagerDelegate>(this));
}

void QVGridView::setMaxBoundaries(CGSize bounds)
{
    m_maxBoundaries = bounds;
    m_gridManager->setMaxBoundaries(bounds);
}

void QVGridView::updateGridLines()
{
    m_gridManager->gridSizeChanged();
}

void QVGridView::updateGridIconPositions()
{
    m_gridManager->gridMoved();
}

// Showing and hiding

void QVGridView::toggleGrid(bool show, bool reset)
{
    if (show) {
        setFrame(m_gridFrame);
        viewTutorial();
    }
    Ref<QVGridView> protectedThis(*this);
    UIView::beginAnimations(toggleAnimationName);
    UIView::setAnimationDidStopSelector(UIViewAnimationDidStop::Callback(
        [protectedThis](const std::string&, bool, void*) { protectedThis->toggleAnimationStopped(); }));
    m_shown = show;
    if (show) {
        m_gridBG->setHidden(false);
        m_gridBG->setAlpha(shownAlpha);
        if (reset)
            resetGridPosition();
    } else {
        m_gridBG->setAlpha(0);
    }
    UIView::commitAnimations();
}

void QVGridView::toggleAnimationStopped()
{
    m_gridBG->setHidden(!m_shown);
    // Dropped icons snap to the slots only while the grid shows.
    m_settings->setSnapToGrid(m_shown);
    if (m_shown)
        m_gridManager->gridSizeChanged();
    else
        setFrame(CGRectZero);
}

void QVGridView::resetGridPosition()
{
    UIView::beginAnimations(resetAnimationName);
    m_gridBG->setFrame(CGRectMake(0, 0, frame().size.width, frame().size.height));
    UIView::commitAnimations();
    m_gridManager->gridSizeChanged();
}

void QVGridView::unlockAllIcons()
{
    RefPtr<QVGridViewDelegate> delegate = m_delegate.lock();
    if (!delegate)
        return;
    for (const Ref<QVIcon>& icon : delegate->currentIconsForGridView(this))
        icon->setLockedIndex(-1);
}

// The grid size panel

void QVGridView::showGridSizePopover()
{
    // Only one panel at a time: one still showing goes first.
    if (m_gridLineChangeView && m_gridLineChangeView->isShowing())
        m_gridLineChangeView->dismiss();
    m_gridLineChangeView = makeRef<QVGridLineChangeView>(m_device->gridLinePopoverSize(), "Grid");
    m_gridLineChangeView->setDelegate(WeakPtr<QVGridLineChangeViewDelegate>(this));
    QVGridLineChangeView* panel = m_gridLineChangeView.get();
    m_gridLineChangeView->setRightBarButtonItem(
        makeRef<UIBarButtonItem>("Reset", UIBarButtonItemStylePlain, panel, &QVGridLineChangeView::resetGridSize));
    if (RefPtr<UIView> host = superview())
        m_gridLineChangeView->presentInView(*host);
}

void QVGridView::updateGridLineChangeView()
{
    if (!m_gridLineChangeView || !m_gridLineChangeView->isShowing())
        return;
    if (RefPtr<UIView> host = superview())
        m_gridLineChangeView->updatePositionInView(*host);
    m_gridLineChangeView->updateContent();
}

void QVGridView::gridLineChangeViewHorizontalValueChanged(QVGridLineChangeView*, int32_t rows)
{
    m_gridManager->setNumberOfGridLines(CGSizeMake(m_settings->gridSize().width, rows));
}

void QVGridView::gridLineChangeViewVerticalValueChanged(QVGridLineChangeView*, int32_t columns)
{
    m_gridManager->setNumberOfGridLines(CGSizeMake(columns, m_settings->gridSize().height));
}

// The grid manager's questions

std::vector<Ref<QVIcon>> QVGridView::currentIconsForGridManager(QVGridManager*)
{
    RefPtr<QVGridViewDelegate> delegate = m_delegate.lock();
    return delegate ? delegate->currentIconsForGridView(this) : std::vector<Ref<QVIcon>>();
}

void QVGridView::gridManagerUpdateCurrentIconPositions(QVGridManager*, const std::vector<CGPoint>& positions)
{
    m_gridIconPositions = positions;
    if (RefPtr<QVGridViewDelegate> delegate = m_delegate.lock())
        delegate->gridViewUpdateCurrentIconPositions(this, m_gridIconPositions);
}

// Touches

void QVGridView::invalidateHoldTimer()
{
    if (m_holdTimer && m_holdTimer->isValid())
        m_holdTimer->invalidate();
}

void QVGridView::gridHeld()
{
    if (RefPtr<QVGridViewDelegate> delegate = m_delegate.lock())
        delegate->gridHeldInGridView(this);
}

bool QVGridView::handedOnWhileSelecting(TouchPhase phase, const UITouchSet& touches, UIEvent* event)
{
    RefPtr<QVGridViewDelegate> delegate = m_delegate.lock();
    if (!delegate || !delegate->isSelectingInGridView(this))
        return false;
    (delegate.get()->*phase)(this, touches, event);
    return true;
}

void QVGridView::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (m_gridLineChangeView && m_gridLineChangeView->isShowing()) {
        m_gridLineChangeView->dismiss();
        return;
    }
    if (handedOnWhileSelecting(&QVGridViewDelegate::gridViewTouchesBegan, touches, event))
        return;
    beginDragOrResize(event ? event->allTouches() : touches);
}

void QVGridView::beginDragOrResize(const UITouchSet& all)
{
    const CGRect grid = m_gridBG->frame();
    if (all.size() == 1) {
        // A new hold replaces one still pending, so no orphan timer fires.
        invalidateHoldTimer();
        m_holdTimer = NSTimer::scheduledTimerWithTimeInterval(holdDuration, *this, &QVGridView::gridHeld, false);
        const CGPoint touch = all[0]->locationInView(this);
        // A drag starts only inside the rectangle; a touch outside it must
        // not continue an earlier drag from a stale point.
        m_dragging = rectContains(grid, touch);
        if (m_dragging)
            m_relativeTouchPoint = CGPointMake(touch.x - grid.origin.x, touch.y - grid.origin.y);
    } else if (all.size() >= 2) {
        const CGPoint first = all[0]->locationInView(this);
        const CGPoint second = all[1]->locationInView(this);
        if (rectContains(grid, first) && rectContains(grid, second)) {
            m_distance = CGPointMake(std::fabs(first.x - second.x), std::fabs(first.y - second.y));
            m_relativeTouchPoint = CGPointMake(std::min(first.x, second.x) - grid.origin.x, std::min(first.y, second.y) - grid.origin.y);
            m_resizing = true;
        }
    }
}

void QVGridView::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    if (handedOnWhileSelecting(&QVGridViewDelegate::gridViewTouchesMoved, touches, event))
        return;
    invalidateHoldTimer();
    const UITouchSet all = event ? event->allTouches() : touches;
    if (all.size() == 1 && m_dragging)
        dragTo(all[0]->locationInView(this));
    else if (all.size() >= 2 && m_resizing)
        resizeWith(all[0]->locationInView(this), all[1]->locationInView(this));
}

void QVGridView::dragTo(CGPoint touch)
{
    const CGRect grid = m_gridBG->frame();
    const CGSize area = frame().size;
    // Whole points: both terms are truncated before subtracting.
    const long x = static_cast<long>(touch.x) - static_cast<long>(m_relativeTouchPoint.x);
    const long y = static_cast<long>(touch.y) - static_cast<long>(m_relativeTouchPoint.y);
    const CGFloat newX = clampedToLimit(x, area.width - grid.size.width);
    const CGFloat newY = clampedToLimit(y, area.height - grid.size.height);
    m_gridBG->setFrame(CGRectMake(newX, newY, grid.size.width, grid.size.height));
    m_gridManager->gridMoved();
}

void QVGridView::resizeWith(CGPoint first, CGPoint second)
{
    const CGRect grid = m_gridBG->frame();
    const CGSize area = frame().size;
    const CGFloat dx = std::fabs(first.x - second.x);
    const CGFloat dy = std::fabs(first.y - second.y);
    const CGFloat width = clampedToLimit(grid.size.width + (dx - m_distance.x), area.width);
    const CGFloat height = clampedToLimit(grid.size.height + (dy - m_distance.y), area.height);
    const CGFloat x = clampedToLimit(std::min(first.x, second.x) - m_relativeTouchPoint.x, area.width - width);
    const CGFloat y = clampedToLimit(std::min(first.y, second.y) - m_relativeTouchPoint.y, area.height - height);
    m_distance = CGPointMake(dx, dy);
    m_gridBG->setFrame(CGRectMake(x, y, width, height));
    m_gridManager->gridSizeChanged();
}

void QVGridView::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    if (!handedOnWhileSelecting(&QVGridViewDelegate::gridViewTouchesEnded, touches, event))
        endTouches(touches, event);
}

void QVGridView::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (!handedOnWhileSelecting(&QVGridViewDelegate::gridViewTouchesCancelled, touches, event))
        endTouches(touches, event);
}

void QVGridView::endTouches(const UITouchSet& touches, UIEvent* event)
{
    invalidateHoldTimer();
    const UITouchSet all = event ? event->allTouches() : touches;
    if (all.size() < 3)
        m_resizing = false;
    if (all.size() < 2)
        m_dragging = false;
    if (all.size() != 2 || touches.empty())
        return;
    if (touches.size() >= 2) {
        // Both fingers lift at once: no finger is left to drag with.
        m_dragging = false;
        return;
    }
    // One finger of two lifts: the drag goes on with the other from where
    // it is, without a jump.
    const UITouch* lifting = touches[0].ptr();
    const Ref<UITouch>& remaining = lifting == all[0].ptr() ? all[1] : all[0];
    const CGPoint point = remaining->locationInView(this);
    const CGRect grid = m_gridBG->frame();
    m_relativeTouchPoint = CGPointMake(point.x - grid.origin.x, point.y - grid.origin.y);
}

// The grid's tutorial

Ref<QVTutorialController> QVGridView::makeTutorialCard(int32_t key) const
{
    const GridCard& card = gridCards[key - firstGridCard];
    std::string message = card.message;
    if (key == 11) {
        const CGSize gridSize = m_settings->gridSize();
        message = stringWithFormat(card.message, static_cast<int>(gridSize.width), static_cast<int>(gridSize.height));
    }
    return makeRef<QVTutorialController>(card.title, message, CGSizeMake(gridCardWidth, card.height), key);
}

void QVGridView::showTutorialCard(int32_t key)
{
    Ref<QVTutorialController> card = makeTutorialCard(key);
    RefPtr<UIView> host = superview();
    if (!host)
        return;
    card->showAsNextCard(*host, WeakPtr<QVTutorialControllerDelegate>(this));
    m_tutorialShowing = true;
}

void QVGridView::viewTutorial()
{
    Ref<QVTutorialController> card = makeTutorialCard(firstGridCard);
    if (QVTutorialController::hasBeenSeen(firstGridCard)) {
        didDismissTutorialController(card.ptr());
        return;
    }
    showTutorialCard(firstGridCard);
    CFPreferencesAppSynchronize(QVPreferenceDomain);
}

void QVGridView::didDismissTutorialController(QVTutorialController* controller)
{
    m_tutorialShowing = false;
    QVTutorialController::cardWentAway();
    if (!controller)
        return;
    controller->stepOverSeenCards(firstGridCard, lastGridCard, [this](int32_t key) { showTutorialCard(key); });
    CFPreferencesAppSynchronize(QVPreferenceDomain);
}

// Fill Grid

void QVGridView::showFillGridOptions()
{
    m_fillGridAlert = makeRef<UIAlertView>(fillGridTitle, "Would you like to delete all existing icons when filling the grid?",
        WeakPtr<UIAlertViewDelegate>(this), std::string("Cancel"),
        std::vector<std::string> { deleteExistingIconsTitle, keepExistingIconsTitle });
    m_fillGridAlert->show();
}

void QVGridView::alertViewClickedButtonAtIndex(UIAlertView* alertView, int64_t buttonIndex)
{
    if (!alertView)
        return;
    const std::string title = alertView->buttonTitleAtIndex(buttonIndex);
    if (title == keepExistingIconsTitle)
        fillGrid(true);
    else if (title == deleteExistingIconsTitle)
        fillGrid(false);
}

void QVGridView::fillGrid(bool keepExistingIcons)
{
    RefPtr<QVGridViewDelegate> delegate = m_delegate.lock();
    if (!delegate)
        return;
    // With no slots there is nothing to fill, and nothing is deleted either.
    if (m_gridIconPositions.empty())
        return;
    if (!keepExistingIcons)
        delegate->gridViewDeleteAllIcons(this, false);
    const std::vector<CGPoint> slots = m_gridIconPositions;
    for (size_t slot = 0; slot < slots.size(); ++slot)
        delegate->gridViewAddIconAtCenter(this, slots[slot], static_cast<int32_t>(slot));
}

} // namespace qv
