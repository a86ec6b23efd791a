#include "QVGridManager.h"

#include "QVGridDimensions.h"
#include "QVIcon.h"

#include "platform/UIKit/UIImageView.h"

#include <algorithm>

namespace qv {

QVGridManager::QVGridManager(Ref<UIView> gridView, CGSize maxBoundaries)
    : m_utilities(QVUtilities::currentUtilities())
    , m_settings(QVSettings::currentSettings())
    , m_gridView(std::move(gridView))
    , m_maxBoundaries(maxBoundaries)
{
    update(false);
}

void QVGridManager::setNumberOfGridLines(CGSize gridLines)
{
    m_settings->setGridSize(QVBoundedGridSize(gridLines));
    update(false);
}

void QVGridManager::gridSizeChanged()
{
    update(false);
}

void QVGridManager::gridMoved()
{
    update(true);
}

void QVGridManager::removeAllGridLines()
{
    for (const Ref<UIView>& line : m_gridView->subviews())
        line->removeFromSuperview();
}

void QVGridManager::addLine(const char* imageName, CGRect frame)
{
    Ref<UIImageView> line = makeRef<UIImageView>(m_utilities->imageNamed(imageName, false));
    line->setFrame(frame);
    m_gridView->addSubview(line);
}

void QVGridManager::update(bool slotsOnly)
{
    if (!slotsOnly)
        removeAllGridLines();
    m_iconPositions.clear();

    const CGRect grid = m_gridView->frame();
    RefPtr<UIView> gridSuperview = m_gridView->superview();
    const CGPoint offset = gridSuperview ? gridSuperview->frame().origin : CGPointMake(0, 0);
    // The settings keep the size finite and above 0; one held at the panel's
    // maximum cannot make the loops below run away.
    const CGSize gridSize = QVBoundedGridSize(m_settings->gridSize());
    const CGFloat columns = gridSize.width;
    const CGFloat rows = gridSize.height;
    const CGFloat cellWidth = grid.size.width / columns;
    const CGFloat cellHeight = grid.size.height / rows;
    for (int row = 1; row <= rows; ++row) {
        if (!slotsOnly && row < rows)
            addLine("Grid_Line_Hor.png", CGRectMake(0, cellHeight * row, grid.size.width, 1));
        for (int column = 1; column <= columns; ++column) {
            if (!slotsOnly && row == 1 && column < columns)
                addLine("Grid_Line_Vert.png", CGRectMake(cellWidth * column, 0, 1, grid.size.height));
            m_iconPositions.push_back(CGPointMake(grid.origin.x + cellWidth * column - cellWidth / 2 + offset.x,
                grid.origin.y + cellHeight * row - cellHeight / 2 + offset.y));
        }
    }

    RefPtr<QVGridManagerDelegate> delegate = m_delegate.lock();
    if (delegate && delegate->isGridShowingForGridManager(this))
        moveLockedIcons(delegate->currentIconsForGridManager(this));
    if (delegate)
        delegate->gridManagerUpdateCurrentIconPositions(this, m_iconPositions);
}

void QVGridManager::moveLockedIcons(const std::vector<Ref<QVIcon>>& icons)
{
    // Slot by slot, and within a slot in the editor's order, as a pass over
    // every icon for each slot would; sorting the locked icons by slot once
    // keeps a full grid from costing icons times slots.
    std::vector<std::pair<size_t, QVIcon*>> locked;
    for (const Ref<QVIcon>& icon : icons) {
        const int32_t slot = icon->lockedIndex();
        if (slot >= 0 && static_cast<size_t>(slot) < m_iconPositions.size())
            locked.emplace_back(static_cast<size_t>(slot), icon.ptr());
    }
    if (locked.empty())
        return;
    std::stable_sort(locked.begin(), locked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // One animation moves them all: it has no end to report, so one per
    // icon would only keep a timer each running.
    UIView::beginAnimations(lockedIconAnimationName);
    for (const auto& [slot, icon] : locked)
        moveIconToSlot(*icon, m_iconPositions[slot]);
    UIView::commitAnimations();
}

void QVGridManager::moveIconToSlot(QVIcon& icon, CGPoint centre) const
{
    icon.setCenter(centre);
    CGRect frame = icon.frame();
    frame.origin.x = std::clamp<CGFloat>(frame.origin.x, 0, std::max<CGFloat>(0, m_maxBoundaries.width));
    frame.origin.y = std::max<CGFloat>(frame.origin.y, minimumLockedIconY);
    if (frame.origin.y > m_maxBoundaries.height)
        frame.origin.y = m_maxBoundaries.height;
    icon.setFrame(frame);
}

} // namespace qv
