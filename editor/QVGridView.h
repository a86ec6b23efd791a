#pragma once

#include "QVGridLineChangeView.h"
#include "QVGridManager.h"
#include "QVGridViewDelegate.h"
#include "QVTutorialController.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/core/WeakPtr.h"

#include <vector>

namespace qv {

// The editor's grid: a translucent rectangle (gridBG) inside this view that
// the user shows and hides, drags with one finger, resizes with two and
// resets over the whole area; its slots are where icons snap and lock. It
// owns the slot calculator and the grid size panel, shows the grid's own
// tutorial cards and fills the grid with icons on request. While hidden the
// view has the zero frame, so it takes no touches.
class QVGridView : public UIView, public QVGridManagerDelegate, public QVGridLineChangeViewDelegate,
                   public QVTutorialControllerDelegate, public UIAlertViewDelegate {
public:
    std::string className() const override { return "QVGridView"; }
    // The frame is kept as gridFrame, taken when the grid is shown.
    QVGridView(CGRect frame, CGSize maxBoundaries);

    // Shows (with the grid's tutorial) or hides the grid in the animation
    // "Toggle Grid"; `reset` also puts the rectangle over the whole view.
    void toggleGrid(bool show, bool resetGridPosition);
    void resetGridPosition();
    void unlockAllIcons();
    void showGridSizePopover();
    // After a rotation: centres a showing grid size panel again and pulls
    // its content from the settings.
    void updateGridLineChangeView();
    void updateGridLines();
    void updateGridIconPositions();

    // The grid's tutorial chain, cards 9 to 14.
    void viewTutorial();
    void didDismissTutorialController(QVTutorialController* controller) override;
    // The Fill Grid question, and filling the grid with one locked icon per
    // slot.
    void showFillGridOptions();
    void alertViewClickedButtonAtIndex(UIAlertView* alertView, int64_t buttonIndex) override;
    void fillGrid(bool keepExistingIcons);

    CGRect gridFrame() const { return m_gridFrame; }
    void setGridFrame(CGRect frame) { m_gridFrame = frame; }
    CGSize maxBoundaries() const { return m_maxBoundaries; }
    void setMaxBoundaries(CGSize bounds);
    bool shown() const { return m_shown; }
    void setShown(bool shown) { m_shown = shown; }
    bool tutorialShowing() const { return m_tutorialShowing; }
    void setTutorialShowing(bool showing) { m_tutorialShowing = showing; }
    const std::vector<CGPoint>& gridIconPositions() const { return m_gridIconPositions; }
    void setGridIconPositions(std::vector<CGPoint> positions) { m_gridIconPositions = std::move(positions); }
    RefPtr<QVGridViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVGridViewDelegate>& delegate) { m_delegate = delegate; }
    Ref<UIImageView> gridBG() const { return m_gridBG; }
    Ref<QVGridManager> gridManager() const { return m_gridManager; }
    RefPtr<QVGridLineChangeView> gridLineChangeView() const { return m_gridLineChangeView; }
    RefPtr<UIAlertView> fillGridAlert() const { return m_fillGridAlert; }
    bool dragging() const { return m_dragging; }
    bool resizing() const { return m_resizing; }

    // QVGridManagerDelegate
    std::vector<Ref<QVIcon>> currentIconsForGridManager(QVGridManager* manager) override;
    void gridManagerUpdateCurrentIconPositions(QVGridManager* manager, const std::vector<CGPoint>& positions) override;
    bool isGridShowingForGridManager(QVGridManager* manager) override { return m_shown; }

    // QVGridLineChangeViewDelegate
    void gridLineChangeViewHorizontalValueChanged(QVGridLineChangeView* view, int32_t rows) override;
    void gridLineChangeViewVerticalValueChanged(QVGridLineChangeView* view, int32_t columns) override;

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

    static constexpr double holdDuration = 0.5;
    static constexpr CGFloat shownAlpha = 0.6;
    static constexpr const char* toggleAnimationName = "Toggle Grid";
    static constexpr const char* resetAnimationName = "Reset Grid Position";
    static constexpr const char* fillGridTitle = "Fill Grid";
    static constexpr const char* deleteExistingIconsTitle = "Delete Existing Icons";
    static constexpr const char* keepExistingIconsTitle = "Keep Existing Icons";

protected:
    ~QVGridView() override = default;

private:
    // While the editor selects icons, a touch phase goes to it unchanged.
    using TouchPhase = void (QVGridViewDelegate::*)(QVGridView*, const UITouchSet&, UIEvent*);
    bool handedOnWhileSelecting(TouchPhase phase, const UITouchSet& touches, UIEvent* event);
    void toggleAnimationStopped();
    void gridHeld();
    void invalidateHoldTimer();
    void beginDragOrResize(const UITouchSet& all);
    void dragTo(CGPoint touch);
    void resizeWith(CGPoint first, CGPoint second);
    void endTouches(const UITouchSet& touches, UIEvent* event);
    void showTutorialCard(int32_t key);
    Ref<QVTutorialController> makeTutorialCard(int32_t key) const;

    const Ref<QVUtilities> m_utilities;
    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
    RefPtr<NSTimer> m_holdTimer;
    bool m_resizing = false;
    bool m_dragging = false;
    CGPoint m_relativeTouchPoint;
    CGPoint m_distance;
    RefPtr<QVGridLineChangeView> m_gridLineChangeView;
    bool m_shown = false;
    bool m_tutorialShowing = false;
    std::vector<CGPoint> m_gridIconPositions;
    WeakPtr<QVGridViewDelegate> m_delegate;
    Ref<UIImageView> m_gridBG;
    Ref<QVGridManager> m_gridManager;
    CGSize m_maxBoundaries;
    CGRect m_gridFrame;
    RefPtr<UIAlertView> m_fillGridAlert;
};

} // namespace qv
