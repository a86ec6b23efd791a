#include "UITableView.h"

#include "platform/Foundation/NSInternalInconsistencyException.h"
#include "UITableViewHeaderFooterView.h"
#include "UITouch.h"

#include "platform/Foundation/StringFormat.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat plainTitledHeight = 22;
constexpr CGFloat groupedTitledHeight = 38;
constexpr CGFloat groupedSpacing = 18;
constexpr CGFloat tapMovementLimit = 10;

bool contains(const std::vector<UITableRow>& rows, UITableRow row)
{
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

NSInteger countIn(const std::vector<UITableRow>& rows, NSInteger section)
{
    return std::count_if(rows.begin(), rows.end(), [&](const UITableRow& row) { return row.section == section; });
}

std::vector<UITableRow> rowsOf(const std::vector<Ref<NSIndexPath>>& paths)
{
    std::vector<UITableRow> rows;
    for (const Ref<NSIndexPath>& path : paths)
        rows.push_back(UITableRow::of(path));
    return rows;
}

} // namespace

UITableView::UITableView(CGRect frame, UITableViewStyle style)
    : UIScrollView(frame)
    , m_style(style)
{
    if (style == UITableViewStyleGrouped) {
        m_sectionHeaderHeight = groupedSpacing;
        m_sectionFooterHeight = groupedSpacing;
    }
}

void UITableView::setDataSource(const WeakPtr<UITableViewDataSource>& dataSource)
{
    m_dataSource = dataSource;
    m_loaded = false;
}

void UITableView::setDelegate(const WeakPtr<UITableViewDelegate>& delegate)
{
    m_delegate = delegate;
    m_loaded = false;
}

void UITableView::setRowHeight(CGFloat height)
{
    m_rowHeight = height;
    if (m_loaded)
        reloadData();
}

void UITableView::setTableHeaderView(RefPtr<UIView> view)
{
    if (m_tableHeaderView && m_tableHeaderView->superview().get() == this)
        m_tableHeaderView->removeFromSuperview();
    m_tableHeaderView = std::move(view);
    if (m_tableHeaderView)
        addSubview(m_tableHeaderView);
    if (m_loaded) {
        placeSections();
        layoutCells();
    }
}

void UITableView::setTableFooterView(RefPtr<UIView> view)
{
    if (m_tableFooterView && m_tableFooterView->superview().get() == this)
        m_tableFooterView->removeFromSuperview();
    m_tableFooterView = std::move(view);
    if (m_tableFooterView)
        addSubview(m_tableFooterView);
    if (m_loaded) {
        placeSections();
        layoutCells();
    }
}

// Reading the data

CGFloat UITableView::supplementaryHeight(bool header, NSInteger section, const std::optional<std::string>& title, const RefPtr<UIView>& view)
{
    if (RefPtr<UITableViewDelegate> delegate = m_delegate.lock()) {
        const CGFloat asked = header ? delegate->tableViewHeightForHeaderInSection(this, section) : delegate->tableViewHeightForFooterInSection(this, section);
        if (asked >= 0)
            return asked;
    }
    if (view)
        return view->frame().size.height;
    const CGFloat standard = header ? m_sectionHeaderHeight : m_sectionFooterHeight;
    if (m_style == UITableViewStyleGrouped)
        return title ? groupedTitledHeight : standard;
    return title ? std::max(standard, plainTitledHeight) : 0;
}

std::vector<UITableView::Section> UITableView::readSections()
{
    std::vector<Section> sections;
    RefPtr<UITableViewDataSource> dataSource = m_dataSource.lock();
    if (!dataSource)
        return sections;
    RefPtr<UITableViewDelegate> delegate = m_delegate.lock();
    const NSInteger count = std::max<NSInteger>(0, dataSource->numberOfSectionsInTableView(this));
    for (NSInteger index = 0; index < count; ++index) {
        Section section;
        section.rows = std::max<NSInteger>(0, dataSource->tableViewNumberOfRowsInSection(this, index));
        for (NSInteger row = 0; row < section.rows; ++row) {
            CGFloat height = m_rowHeight;
            if (delegate) {
                Ref<NSIndexPath> path = NSIndexPath::indexPathForRow(row, index);
                const CGFloat asked = delegate->tableViewHeightForRowAtIndexPath(this, path.ptr());
                if (asked >= 0)
                    height = asked;
            }
            section.rowHeights.push_back(height);
        }
        const std::optional<std::string> headerTitle = dataSource->tableViewTitleForHeaderInSection(this, index);
        const std::optional<std::string> footerTitle = dataSource->tableViewTitleForFooterInSection(this, index);
        section.headerView = delegate ? delegate->tableViewViewForHeaderInSection(this, index) : nullptr;
        section.footerView = delegate ? delegate->tableViewViewForFooterInSection(this, index) : nullptr;
        section.headerHeight = supplementaryHeight(true, index, headerTitle, section.headerView);
        section.footerHeight = supplementaryHeight(false, index, footerTitle, section.footerView);
        auto titled = [](const std::optional<std::string>& title) {
            Ref<UITableViewHeaderFooterView> view = makeRef<UITableViewHeaderFooterView>();
            view->textLabel()->setText(*title);
            return RefPtr<UIView>(view);
        };
        if (!section.headerView && headerTitle)
            section.headerView = titled(headerTitle);
        if (!section.footerView && footerTitle)
            section.footerView = titled(footerTitle);
        sections.push_back(std::move(section));
    }
    return sections;
}

void UITableView::placeSections()
{
    const CGFloat width = bounds().size.width;
    CGFloat y = 0;
    if (m_tableHeaderView) {
        const CGFloat height = m_tableHeaderView->frame().size.height;
        m_tableHeaderView->setFrame(CGRectMake(0, 0, width, height));
        y = height;
    }
    for (Section& section : m_sections) {
        section.top = y;
        if (section.headerView) {
            section.headerView->setFrame(CGRectMake(0, y, width, section.headerHeight));
            if (section.headerView->superview().get() != this)
                addSubview(section.headerView);
        }
        y += section.headerHeight;
        for (CGFloat height : section.rowHeights)
            y += height;
        if (section.footerView) {
            section.footerView->setFrame(CGRectMake(0, y, width, section.footerHeight));
            if (section.footerView->superview().get() != this)
                addSubview(section.footerView);
        }
        y += section.footerHeight;
    }
    if (m_tableFooterView) {
        const CGFloat height = m_tableFooterView->frame().size.height;
        m_tableFooterView->setFrame(CGRectMake(0, y, width, height));
        y += height;
    }
    setContentSize(CGSizeMake(width, y));
}

void UITableView::loadIfNeeded()
{
    if (!m_loaded)
        reloadData();
}

void UITableView::reloadData()
{
    Ref<UITableView> protect(*this);
    m_loaded = true;
    m_selected.reset();
    m_deleteConfirmation.reset();
    for (const auto& entry : m_cells)
        dropCell(entry.second);
    m_cells.clear();
    for (const Section& section : m_sections) {
        if (section.headerView && section.headerView->superview().get() == this)
            section.headerView->removeFromSuperview();
        if (section.footerView && section.footerView->superview().get() == this)
            section.footerView->removeFromSuperview();
    }
    m_sections = readSections();
    placeSections();
    layoutCells();
}

NSInteger UITableView::numberOfSections()
{
    loadIfNeeded();
    return static_cast<NSInteger>(m_sections.size());
}

NSInteger UITableView::numberOfRowsInSection(NSInteger section)
{
    loadIfNeeded();
    if (section < 0 || section >= static_cast<NSInteger>(m_sections.size()))
        return 0;
    return m_sections[static_cast<size_t>(section)].rows;
}

// Cells

bool UITableView::exists(UITableRow row) const
{
    return row.section >= 0 && row.section < static_cast<NSInteger>(m_sections.size()) && row.row >= 0
        && row.row < m_sections[static_cast<size_t>(row.section)].rows;
}

CGRect UITableView::rectFor(UITableRow row) const
{
    if (!exists(row))
        return CGRectZero;
    const Section& section = m_sections[static_cast<size_t>(row.section)];
    CGFloat y = section.top + section.headerHeight;
    for (NSInteger i = 0; i < row.row; ++i)
        y += section.rowHeights[static_cast<size_t>(i)];
    return CGRectMake(0, y, bounds().size.width, section.rowHeights[static_cast<size_t>(row.row)]);
}

void UITableView::dropCell(const Ref<UITableViewCell>& cell)
{
    if (cell->superview().get() == this)
        cell->removeFromSuperview();
    cell->m_showingDeleteConfirmation = false;
    if (cell->reuseIdentifier())
        m_reusableCells[*cell->reuseIdentifier()].push_back(cell);
}

void UITableView::layoutCells()
{
    if (m_layingOut)
        return;
    m_layingOut = true;
    Ref<UITableView> protect(*this);
    RefPtr<UITableViewDataSource> dataSource = m_dataSource.lock();
    RefPtr<UITableViewDelegate> delegate = m_delegate.lock();
    const CGRect visible = bounds();
    std::set<UITableRow> wanted;
    for (NSInteger s = 0; s < static_cast<NSInteger>(m_sections.size()); ++s) {
        for (NSInteger r = 0; r < m_sections[static_cast<size_t>(s)].rows; ++r) {
            const CGRect rect = rectFor({ s, r });
            if (rect.size.height > 0 && CGRectIntersectsRect(rect, visible))
                wanted.insert({ s, r });
        }
    }
    for (auto entry = m_cells.begin(); entry != m_cells.end();) {
        if (wanted.count(entry->first)) {
            ++entry;
            continue;
        }
        dropCell(entry->second);
        entry = m_cells.erase(entry);
    }
    for (const UITableRow& row : wanted) {
        auto found = m_cells.find(row);
        if (found == m_cells.end()) {
            if (!dataSource)
                break;
            Ref<NSIndexPath> path = row.indexPath();
            Ref<UITableViewCell> cell = dataSource->tableViewCellForRowAtIndexPath(this, path.ptr());
            // A cell the data source took out of the queue is ours again.
            for (auto& queue : m_reusableCells)
                std::erase_if(queue.second, [&](const Ref<UITableViewCell>& queued) { return queued.ptr() == cell.ptr(); });
            found = m_cells.emplace(row, cell).first;
            cell->setSelected(m_selected == row);
            cell->setEditing(m_editing);
            if (delegate)
                delegate->tableViewWillDisplayCell(this, cell.ptr(), path.ptr());
        }
        const Ref<UITableViewCell>& cell = found->second;
        cell->setFrame(rectFor(row));
        cell->m_showingDeleteConfirmation = m_deleteConfirmation == row;
        if (cell->superview().get() != this)
            addSubview(cell);
    }
    m_layingOut = false;
}

RefPtr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto queue = m_reusableCells.find(identifier);
    if (queue == m_reusableCells.end() || queue->second.empty())
        return nullptr;
    Ref<UITableViewCell> cell = queue->second.back();
    queue->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

RefPtr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath* indexPath)
{
    if (!indexPath)
        return nullptr;
    loadIfNeeded();
    auto found = m_cells.find(UITableRow::of(*indexPath));
    return found == m_cells.end() ? nullptr : RefPtr<UITableViewCell>(found->second);
}

std::vector<Ref<UITableViewCell>> UITableView::visibleCells()
{
    loadIfNeeded();
    std::vector<Ref<UITableViewCell>> cells;
    for (const auto& entry : m_cells)
        cells.push_back(entry.second);
    return cells;
}

std::vector<Ref<NSIndexPath>> UITableView::indexPathsForVisibleRows()
{
    loadIfNeeded();
    std::vector<Ref<NSIndexPath>> paths;
    for (const auto& entry : m_cells)
        paths.push_back(entry.first.indexPath());
    return paths;
}

RefPtr<NSIndexPath> UITableView::indexPathForCell(const UITableViewCell* cell)
{
    loadIfNeeded();
    for (const auto& entry : m_cells) {
        if (entry.second.ptr() == cell)
            return entry.first.indexPath();
    }
    return nullptr;
}

std::optional<UITableRow> UITableView::rowAt(CGPoint point)
{
    loadIfNeeded();
    for (NSInteger s = 0; s < static_cast<NSInteger>(m_sections.size()); ++s) {
        for (NSInteger r = 0; r < m_sections[static_cast<size_t>(s)].rows; ++r) {
            if (CGRectContainsPoint(rectFor({ s, r }), point))
                return UITableRow { s, r };
        }
    }
    return std::nullopt;
}

RefPtr<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point)
{
    if (std::optional<UITableRow> row = rowAt(point))
        return row->indexPath();
    return nullptr;
}

// Geometry

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath* indexPath)
{
    if (!indexPath)
        return CGRectZero;
    loadIfNeeded();
    return rectFor(UITableRow::of(*indexPath));
}

CGRect UITableView::rectForSection(NSInteger section)
{
    loadIfNeeded();
    if (section < 0 || section >= static_cast<NSInteger>(m_sections.size()))
        return CGRectZero;
    const Section& entry = m_sections[static_cast<size_t>(section)];
    CGFloat height = entry.headerHeight + entry.footerHeight;
    for (CGFloat row : entry.rowHeights)
        height += row;
    return CGRectMake(0, entry.top, bounds().size.width, height);
}

CGRect UITableView::rectForHeaderInSection(NSInteger section)
{
    CGRect rect = rectForSection(section);
    if (section >= 0 && section < static_cast<NSInteger>(m_sections.size()))
        rect.size.height = m_sections[static_cast<size_t>(section)].headerHeight;
    return rect;
}

CGRect UITableView::rectForFooterInSection(NSInteger section)
{
    CGRect rect = rectForSection(section);
    if (section >= 0 && section < static_cast<NSInteger>(m_sections.size())) {
        const CGFloat footer = m_sections[static_cast<size_t>(section)].footerHeight;
        rect.origin.y += rect.size.height - footer;
        rect.size.height = footer;
    }
    return rect;
}

void UITableView::scrollToRowAtIndexPath(const NSIndexPath* indexPath, UITableViewScrollPosition position, bool)
{
    const CGRect row = rectForRowAtIndexPath(indexPath);
    if (CGRectIsEmpty(row)) {
        logLine("UITableView: no row to scroll to");
        return;
    }
    const CGRect visible = bounds();
    CGFloat y = visible.origin.y;
    switch (position) {
    case UITableViewScrollPositionTop:
        y = row.origin.y;
        break;
    case UITableViewScrollPositionMiddle:
        y = CGRectGetMidY(row) - visible.size.height / 2;
        break;
    case UITableViewScrollPositionBottom:
        y = CGRectGetMaxY(row) - visible.size.height;
        break;
    case UITableViewScrollPositionNone:
        if (row.origin.y < visible.origin.y)
            y = row.origin.y;
        else if (CGRectGetMaxY(row) > CGRectGetMaxY(visible))
            y = CGRectGetMaxY(row) - visible.size.height;
        break;
    }
    const CGFloat largest = std::max<CGFloat>(0, contentSize().height - visible.size.height);
    setContentOffset(CGPointMake(visible.origin.x, std::clamp<CGFloat>(y, 0, largest)));
}

// Selection

RefPtr<NSIndexPath> UITableView::indexPathForSelectedRow() const
{
    if (!m_selected)
        return nullptr;
    return m_selected->indexPath();
}

void UITableView::setSelectedRow(std::optional<UITableRow> row)
{
    if (m_selected) {
        if (auto cell = m_cells.find(*m_selected); cell != m_cells.end())
            cell->second->setSelected(false);
    }
    m_selected = row;
    if (m_selected) {
        if (auto cell = m_cells.find(*m_selected); cell != m_cells.end())
            cell->second->setSelected(true);
    }
}

void UITableView::selectRowAtIndexPath(const NSIndexPath* indexPath, bool, UITableViewScrollPosition position)
{
    loadIfNeeded();
    if (!indexPath) {
        setSelectedRow(std::nullopt);
        return;
    }
    const UITableRow row = UITableRow::of(*indexPath);
    if (!exists(row)) {
        logLine("UITableView: no row to select at " + indexPath->description());
        return;
    }
    setSelectedRow(row);
    if (position != UITableViewScrollPositionNone)
        scrollToRowAtIndexPath(indexPath, position, false);
}

void UITableView::deselectRowAtIndexPath(const NSIndexPath* indexPath, bool)
{
    if (indexPath && m_selected == UITableRow::of(*indexPath))
        setSelectedRow(std::nullopt);
}

bool UITableView::tapRowAtIndexPath(const NSIndexPath* indexPath)
{
    loadIfNeeded();
    if (!indexPath || !exists(UITableRow::of(*indexPath))) {
        logLine("UITableView: no row to tap" + (indexPath ? " at " + indexPath->description() : std::string()));
        return false;
    }
    if (!m_allowsSelection || (m_editing && !m_allowsSelectionDuringEditing)) {
        logLine("UITableView: the table takes no taps on its rows now");
        return false;
    }
    Ref<UITableView> protect(*this);
    RefPtr<UITableViewDelegate> delegate = m_delegate.lock();
    RefPtr<NSIndexPath> target = const_cast<NSIndexPath*>(indexPath);
    if (delegate)
        target = delegate->tableViewWillSelectRowAtIndexPath(this, target.get());
    if (!target || !exists(UITableRow::of(*target)))
        return true;
    const UITableRow row = UITableRow::of(*target);
    if (m_selected && *m_selected != row) {
        Ref<NSIndexPath> old = m_selected->indexPath();
        RefPtr<NSIndexPath> leaving = delegate ? delegate->tableViewWillDeselectRowAtIndexPath(this, old.ptr()) : RefPtr<NSIndexPath>(old);
        if (leaving && m_selected == UITableRow::of(*leaving)) {
            setSelectedRow(std::nullopt);
            if (delegate)
                delegate->tableViewDidDeselectRowAtIndexPath(this, leaving.get());
        }
    }
    setSelectedRow(row);
    if (delegate)
        delegate->tableViewDidSelectRowAtIndexPath(this, target.get());
    return true;
}

// Updates

void UITableView::beginUpdates()
{
    loadIfNeeded();
    ++m_updateDepth;
}

void UITableView::endUpdates()
{
    if (m_updateDepth == 0) {
        logLine("UITableView: endUpdates without beginUpdates");
        return;
    }
    if (--m_updateDepth > 0)
        return;
    applyUpdates(std::exchange(m_pending, {}));
}

void UITableView::deleteRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation)
{
    beginUpdates();
    for (const UITableRow& row : rowsOf(indexPaths))
        m_pending.deleted.push_back(row);
    endUpdates();
}

void UITableView::insertRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation)
{
    beginUpdates();
    for (const UITableRow& row : rowsOf(indexPaths))
        m_pending.inserted.push_back(row);
    endUpdates();
}

void UITableView::reloadRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation)
{
    beginUpdates();
    for (const UITableRow& row : rowsOf(indexPaths))
        m_pending.reloaded.push_back(row);
    endUpdates();
}

void UITableView::checkUpdates(const PendingUpdates& updates, const std::vector<Section>& after) const
{
    const auto before = static_cast<NSInteger>(m_sections.size());
    const auto now = static_cast<NSInteger>(after.size());
    if (now != before) {
        throw NSInternalInconsistencyException(stringWithFormat(
            "Invalid update: invalid number of sections. The number of sections contained in the table view after the update (%ld) "
            "must be equal to the number of sections contained in the table view before the update (%ld), plus or minus the number "
            "of sections inserted or deleted (0 inserted, 0 deleted).", now, before));
    }
    for (const UITableRow& row : updates.deleted) {
        if (!exists(row)) {
            throw NSInternalInconsistencyException(stringWithFormat(
                "attempt to delete row %ld from section %ld which only contains %ld rows before the update",
                row.row, row.section, row.section >= 0 && row.section < before ? m_sections[static_cast<size_t>(row.section)].rows : 0));
        }
    }
    for (const UITableRow& row : updates.reloaded) {
        if (!exists(row)) {
            throw NSInternalInconsistencyException(stringWithFormat(
                "attempt to reload row %ld from section %ld which only contains %ld rows before the update",
                row.row, row.section, row.section >= 0 && row.section < before ? m_sections[static_cast<size_t>(row.section)].rows : 0));
        }
    }
    for (const UITableRow& row : updates.inserted) {
        const NSInteger rows = row.section >= 0 && row.section < now ? after[static_cast<size_t>(row.section)].rows : 0;
        if (row.row < 0 || row.row >= rows || row.section < 0 || row.section >= now) {
            throw NSInternalInconsistencyException(stringWithFormat(
                "attempt to insert row %ld into section %ld, but there are only %ld rows in section %ld after the update",
                row.row, row.section, rows, row.section));
        }
    }
    for (NSInteger s = 0; s < now; ++s) {
        const NSInteger old = m_sections[static_cast<size_t>(s)].rows;
        const NSInteger inserted = countIn(updates.inserted, s);
        const NSInteger deleted = countIn(updates.deleted, s);
        const NSInteger rows = after[static_cast<size_t>(s)].rows;
        if (rows != old + inserted - deleted) {
            throw NSInternalInconsistencyException(stringWithFormat(
                "Invalid update: invalid number of rows in section %ld. The number of rows contained in an existing section after the "
                "update (%ld) must be equal to the number of rows contained in that section before the update (%ld), plus or minus the "
                "number of rows inserted or deleted from that section (%ld inserted, %ld deleted) and plus or minus the number of rows "
                "moved into or out of that section (0 moved in, 0 moved out).", s, rows, old, inserted, deleted));
        }
    }
}

void UITableView::applyUpdates(PendingUpdates updates)
{
    // An empty update still reads the counts and heights again, and checks
    // them, as on the device.
    Ref<UITableView> protect(*this);
    std::vector<Section> after = readSections();
    checkUpdates(updates, after);

    // Where each surviving old row goes: the survivors fill, in order, the
    // new places that no inserted row takes.
    std::map<UITableRow, UITableRow> moves;
    for (NSInteger s = 0; s < static_cast<NSInteger>(after.size()); ++s) {
        std::vector<NSInteger> survivors;
        for (NSInteger r = 0; r < m_sections[static_cast<size_t>(s)].rows; ++r) {
            if (!contains(updates.deleted, { s, r }))
                survivors.push_back(r);
        }
        size_t next = 0;
        for (NSInteger r = 0; r < after[static_cast<size_t>(s)].rows && next < survivors.size(); ++r) {
            if (!contains(updates.inserted, { s, r }))
                moves[{ s, survivors[next++] }] = { s, r };
        }
    }
    std::map<UITableRow, Ref<UITableViewCell>> cells;
    for (const auto& entry : m_cells) {
        auto move = moves.find(entry.first);
        if (move == moves.end() || contains(updates.reloaded, entry.first))
            dropCell(entry.second);
        else
            cells.emplace(move->second, entry.second);
    }
    m_cells = std::move(cells);
    if (m_selected) {
        auto move = moves.find(*m_selected);
        m_selected = move == moves.end() ? std::nullopt : std::optional<UITableRow>(move->second);
    }
    m_deleteConfirmation.reset();
    for (const Section& section : m_sections) {
        if (section.headerView && section.headerView->superview().get() == this)
            section.headerView->removeFromSuperview();
        if (section.footerView && section.footerView->superview().get() == this)
            section.footerView->removeFromSuperview();
    }
    m_sections = std::move(after);
    placeSections();
    layoutCells();
}

// Editing

void UITableView::setEditing(bool editing, bool)
{
    m_editing = editing;
    m_deleteConfirmation.reset();
    for (const auto& entry : m_cells) {
        entry.second->setEditing(editing);
        entry.second->m_showingDeleteConfirmation = false;
    }
}

UITableViewCellEditingStyle UITableView::editingStyleForRowAtIndexPath(const NSIndexPath* indexPath)
{
    loadIfNeeded();
    if (!indexPath || !exists(UITableRow::of(*indexPath)))
        return UITableViewCellEditingStyleNone;
    Ref<NSIndexPath> path = UITableRow::of(*indexPath).indexPath();
    RefPtr<UITableViewDataSource> dataSource = m_dataSource.lock();
    if (!dataSource || !dataSource->tableViewCanEditRowAtIndexPath(this, path.ptr()))
        return UITableViewCellEditingStyleNone;
    RefPtr<UITableViewDelegate> delegate = m_delegate.lock();
    return delegate ? delegate->tableViewEditingStyleForRowAtIndexPath(this, path.ptr()) : UITableViewCellEditingStyleDelete;
}

std::string UITableView::titleForDeleteConfirmationButtonForRowAtIndexPath(const NSIndexPath* indexPath)
{
    RefPtr<UITableViewDelegate> delegate = m_delegate.lock();
    if (delegate && indexPath) {
        if (std::optional<std::string> title = delegate->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(this, const_cast<NSIndexPath*>(indexPath)))
            return *title;
    }
    return "Delete";
}

RefPtr<NSIndexPath> UITableView::indexPathShowingDeleteConfirmation() const
{
    if (!m_deleteConfirmation)
        return nullptr;
    return m_deleteConfirmation->indexPath();
}

bool UITableView::swipeToDeleteRowAtIndexPath(const NSIndexPath* indexPath)
{
    if (m_editing) {
        logLine("UITableView: rows are not swiped while the table is editing");
        return false;
    }
    if (editingStyleForRowAtIndexPath(indexPath) != UITableViewCellEditingStyleDelete) {
        logLine("UITableView: the row cannot be swiped to delete");
        return false;
    }
    Ref<UITableView> protect(*this);
    const UITableRow row = UITableRow::of(*indexPath);
    if (RefPtr<UITableViewDelegate> delegate = m_delegate.lock())
        delegate->tableViewWillBeginEditingRowAtIndexPath(this, row.indexPath().ptr());
    m_deleteConfirmation = row;
    m_deleteConfirmationBySwipe = true;
    layoutCells();
    return true;
}

bool UITableView::tapEditingControlForRowAtIndexPath(const NSIndexPath* indexPath)
{
    if (!m_editing) {
        logLine("UITableView: the editing controls show only while the table is editing");
        return false;
    }
    const UITableViewCellEditingStyle style = editingStyleForRowAtIndexPath(indexPath);
    if (style == UITableViewCellEditingStyleNone) {
        logLine("UITableView: the row has no editing control");
        return false;
    }
    Ref<UITableView> protect(*this);
    const UITableRow row = UITableRow::of(*indexPath);
    if (style == UITableViewCellEditingStyleInsert) {
        if (RefPtr<UITableViewDataSource> dataSource = m_dataSource.lock())
            dataSource->tableViewCommitEditingStyle(this, style, row.indexPath().ptr());
        return true;
    }
    m_deleteConfirmation = row;
    m_deleteConfirmationBySwipe = false;
    layoutCells();
    return true;
}

bool UITableView::tapDeleteConfirmationButton()
{
    if (!m_deleteConfirmation) {
        logLine("UITableView: no delete confirmation shows");
        return false;
    }
    Ref<UITableView> protect(*this);
    Ref<NSIndexPath> path = m_deleteConfirmation->indexPath();
    const bool bySwipe = m_deleteConfirmationBySwipe;
    m_deleteConfirmation.reset();
    if (auto cell = m_cells.find(UITableRow::of(path)); cell != m_cells.end())
        cell->second->m_showingDeleteConfirmation = false;
    if (RefPtr<UITableViewDataSource> dataSource = m_dataSource.lock())
        dataSource->tableViewCommitEditingStyle(this, UITableViewCellEditingStyleDelete, path.ptr());
    if (bySwipe) {
        if (RefPtr<UITableViewDelegate> delegate = m_delegate.lock())
            delegate->tableViewDidEndEditingRowAtIndexPath(this, path.ptr());
    }
    return true;
}

// Layout and touches

void UITableView::layoutSubviews()
{
    loadIfNeeded();
    layoutCells();
}

void UITableView::setFrame(CGRect frame)
{
    UIScrollView::setFrame(frame);
    if (m_loaded) {
        placeSections();
        layoutCells();
    }
}

void UITableView::setBounds(CGRect bounds)
{
    UIScrollView::setBounds(bounds);
    if (m_loaded) {
        placeSections();
        layoutCells();
    }
}

void UITableView::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    m_touchRow.reset();
    if (touches.size() == 1)
        m_touchRow = rowAt(touches.front()->locationInView(this));
}

void UITableView::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    // A finger that travels scrolls rather than taps.
    if (m_touchRow && !touches.empty()) {
        const CGPoint now = touches.front()->locationInView(this);
        const CGRect row = rectFor(*m_touchRow);
        if (!CGRectContainsPoint(CGRectInset(row, -tapMovementLimit, -tapMovementLimit), now))
            m_touchRow.reset();
    }
}

void UITableView::touchesEnded(const UITouchSet& touches, UIEvent*)
{
    std::optional<UITableRow> row = std::exchange(m_touchRow, std::nullopt);
    if (!row || touches.empty() || rowAt(touches.front()->locationInView(this)) != row)
        return;
    tapRowAtIndexPath(row->indexPath().ptr());
}

void UITableView::touchesCancelled(const UITouchSet&, UIEvent*)
{
    m_touchRow.reset();
}

} // namespace qv
