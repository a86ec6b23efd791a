#pragma once

#include "QVGridManagerDelegate.h"

#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIView.h"
#include "platform/core/WeakPtr.h"

#include <vector>

namespace qv {

class QVIcon;

// Divides the grid rectangle into the columns and rows of the settings'
// grid size: draws the thin lines at the inner cell borders inside the
// rectangle, works out the slot centres (in the editor view's coordinates,
// like the icons' frames), moves every icon locked to a slot onto it while
// the grid shows, and reports the slots to its delegate, the grid view.
class QVGridManager : public NSObject {
public:
    std::string className() const override { return "QVGridManager"; }
    // The first update runs before a delegate is set: it moves and reports
    // nothing.
    QVGridManager(Ref<UIView> gridView, CGSize maxBoundaries);

    // Stores columns by rows in the settings (more than 100 held at 100; a
    // size that is not positive and finite gives the device's default) and
    // redraws.
    void setNumberOfGridLines(CGSize gridLines);
    // Lines and slots, after the rectangle was resized, reset or shown.
    void gridSizeChanged();
    // Slots only, while the rectangle is dragged: its lines move with it.
    void gridMoved();
    void removeAllGridLines();

    const std::vector<CGPoint>& iconPositions() const { return m_iconPositions; }
    CGSize maxBoundaries() const { return m_maxBoundaries; }
    void setMaxBoundaries(CGSize bounds) { m_maxBoundaries = bounds; }
    RefPtr<QVGridManagerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVGridManagerDelegate>& delegate) { m_delegate = delegate; }
    Ref<UIView> gridView() const { return m_gridView; }

    static constexpr const char* lockedIconAnimationName = "Move Locked Icon With Grid";
    // Locked icons are kept below the status bar.
    static constexpr CGFloat minimumLockedIconY = 20;

protected:
    ~QVGridManager() override = default;

private:
    void update(bool slotsOnly);
    void addLine(const char* imageName, CGRect frame);
    // Centres every icon locked to a slot of the grid on it, kept within the
    // bounds.
    void moveLockedIcons(const std::vector<Ref<QVIcon>>& icons);
    void moveIconToSlot(QVIcon& icon, CGPoint centre) const;

    const Ref<QVUtilities> m_utilities;
    const Ref<QVSettings> m_settings;
    const Ref<UIView> m_gridView;
    WeakPtr<QVGridManagerDelegate> m_delegate;
    std::vector<CGPoint> m_iconPositions;
    CGSize m_maxBoundaries;
};

} // namespace qv
