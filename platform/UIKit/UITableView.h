#pragma once

#include "UITableRow.h"
#include "UIScrollView.h"
#include "UITableViewCell.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qv {

class UITableView;

enum UITableViewStyle : int64_t {
    UITableViewStylePlain = 0,
    UITableViewStyleGrouped = 1,
};

enum UITableViewRowAnimation : int64_t {
    UITableViewRowAnimationFade = 0,
    UITableViewRowAnimationRight = 1,
    UITableViewRowAnimationLeft = 2,
    UITableViewRowAnimationTop = 3,
    UITableViewRowAnimationBottom = 4,
    UITableViewRowAnimationNone = 5,
    UITableViewRowAnimationMiddle = 6,
    UITableViewRowAnimationAutomatic = 100,
};

enum UITableViewScrollPosition : int64_t {
    UITableViewScrollPositionNone = 0,
    UITableViewScrollPositionTop = 1,
    UITableViewScrollPositionMiddle = 2,
    UITableViewScrollPositionBottom = 3,
};

// A height the delegate leaves to the table.
inline constexpr CGFloat UITableViewAutomaticDimension = -1;

// Where a table's rows and cells come from. The first two are required.
class UITableViewDataSource : public virtual Object {
public:
    virtual NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) = 0;
    virtual Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) = 0;
    virtual NSInteger numberOfSectionsInTableView(UITableView*) { return 1; }
    virtual std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger) { return std::nullopt; }
    virtual std::optional<std::string> tableViewTitleForFooterInSection(UITableView*, NSInteger) { return std::nullopt; }
    virtual bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath*) { return true; }
    virtual void tableViewCommitEditingStyle(UITableView*, UITableViewCellEditingStyle, NSIndexPath*) {}

protected:
    ~UITableViewDataSource() override = default;
};

// What a table asks and tells about its rows' looks and the user's acts.
class UITableViewDelegate : public virtual Object {
public:
    virtual CGFloat tableViewHeightForRowAtIndexPath(UITableView*, NSIndexPath*) { return UITableViewAutomaticDimension; }
    virtual CGFloat tableViewHeightForHeaderInSection(UITableView*, NSInteger) { return UITableViewAutomaticDimension; }
    virtual CGFloat tableViewHeightForFooterInSection(UITableView*, NSInteger) { return UITableViewAutomaticDimension; }
    virtual RefPtr<UIView> tableViewViewForHeaderInSection(UITableView*, NSInteger) { return nullptr; }
    virtual RefPtr<UIView> tableViewViewForFooterInSection(UITableView*, NSInteger) { return nullptr; }
    virtual void tableViewWillDisplayCell(UITableView*, UITableViewCell*, NSIndexPath*) {}
    // The row to select instead, or null to select none.
    virtual RefPtr<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView*, NSIndexPath* indexPath) { return indexPath; }
    virtual void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath*) {}
    virtual RefPtr<NSIndexPath> tableViewWillDeselectRowAtIndexPath(UITableView*, NSIndexPath* indexPath) { return indexPath; }
    virtual void tableViewDidDeselectRowAtIndexPath(UITableView*, NSIndexPath*) {}
    virtual UITableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(UITableView*, NSIndexPath*) { return UITableViewCellEditingStyleDelete; }
    virtual std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(UITableView*, NSIndexPath*) { return std::nullopt; }
    virtual void tableViewWillBeginEditingRowAtIndexPath(UITableView*, NSIndexPath*) {}
    virtual void tableViewDidEndEditingRowAtIndexPath(UITableView*, NSIndexPath*) {}

protected:
    ~UITableViewDelegate() override = default;
};

// A list of rows in sections, plain or grouped. Headless, but with the
// device's bookkeeping:
//
// - The data is read on first need (a query, a layout pass, an update) and
//   again at reloadData: the sections, their rows, every row's height and
//   the headers and footers. Only the rows inside the table's bounds (the
//   content offset and the size) have cells, asked of the data source and
//   placed as subviews; reloadData asks for every visible cell again,
//   scrolling asks for the rows that come into view, and cells leaving go
//   to the reuse queue of their identifier.
// - Selection: a tap on a row (the driver, or a touch that lifts on the row
//   it went down on) asks the delegate willSelect, which may pick another
//   row or none; another selected row is first deselected (willDeselect,
//   didDeselect); then the row is selected and the delegate told didSelect.
//   Tapping the selected row again only selects it again. Selecting from
//   code tells nobody; reloading clears the selection.
// - Updates: rows deleted, inserted or reloaded inside beginUpdates and
//   endUpdates (or alone) take effect at the end, when the data source's new
//   counts must equal the old ones plus the inserted and minus the deleted
//   rows; a count that does not add up, or a row that does not exist,
//   throws NSInternalInconsistencyException as the device raises it, and
//   leaves the table as it was. The cells of the rows that stay keep their
//   content: only inserted and reloaded rows are asked for.
// - Editing: swipe to delete (a row the data source can edit, whose editing
//   style is delete) shows the delete confirmation; its button commits the
//   delete to the data source. In edit mode (setEditing) the editing control
//   of a row shows the confirmation (delete style) or commits an insert.
//
// The data source and delegate are not retained. Main thread only.
class UITableView : public UIScrollView {
public:
    std::string className() const override { return "UITableView"; }
    UITableView(CGRect frame, UITableViewStyle style);

    UITableViewStyle style() const { return m_style; }
    RefPtr<UITableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(const WeakPtr<UITableViewDataSource>& dataSource);
    RefPtr<UITableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<UITableViewDelegate>& delegate);

    CGFloat rowHeight() const { return m_rowHeight; }
    void setRowHeight(CGFloat height);
    CGFloat sectionHeaderHeight() const { return m_sectionHeaderHeight; }
    void setSectionHeaderHeight(CGFloat height) { m_sectionHeaderHeight = height; }
    CGFloat sectionFooterHeight() const { return m_sectionFooterHeight; }
    void setSectionFooterHeight(CGFloat height) { m_sectionFooterHeight = height; }
    RefPtr<UIView> tableHeaderView() const { return m_tableHeaderView; }
    void setTableHeaderView(RefPtr<UIView> view);
    RefPtr<UIView> tableFooterView() const { return m_tableFooterView; }
    void setTableFooterView(RefPtr<UIView> view);

    // The data
    void reloadData();
    bool hasLoadedData() const { return m_loaded; }
    NSInteger numberOfSections();
    NSInteger numberOfRowsInSection(NSInteger section);

    // Cells
    RefPtr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    // The cell of a visible row, or null.
    RefPtr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath* indexPath);
    std::vector<Ref<UITableViewCell>> visibleCells();
    std::vector<Ref<NSIndexPath>> indexPathsForVisibleRows();
    RefPtr<NSIndexPath> indexPathForCell(const UITableViewCell* cell);
    RefPtr<NSIndexPath> indexPathForRowAtPoint(CGPoint point);

    // Geometry, in the table's content coordinates; zero for a row that
    // does not exist.
    CGRect rectForRowAtIndexPath(const NSIndexPath* indexPath);
    CGRect rectForSection(NSInteger section);
    CGRect rectForHeaderInSection(NSInteger section);
    CGRect rectForFooterInSection(NSInteger section);
    void scrollToRowAtIndexPath(const NSIndexPath* indexPath, UITableViewScrollPosition position, bool animated);

    // Selection
    RefPtr<NSIndexPath> indexPathForSelectedRow() const;
    void selectRowAtIndexPath(const NSIndexPath* indexPath, bool animated, UITableViewScrollPosition position);
    void deselectRowAtIndexPath(const NSIndexPath* indexPath, bool animated);
    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows) { m_allowsSelection = allows; }
    bool allowsSelectionDuringEditing() const { return m_allowsSelectionDuringEditing; }
    void setAllowsSelectionDuringEditing(bool allows) { m_allowsSelectionDuringEditing = allows; }
    // The user's tap on a row; refused with a log line for a row that does
    // not exist or while selection is not allowed.
    bool tapRowAtIndexPath(const NSIndexPath* indexPath);

    // Updates
    void beginUpdates();
    void endUpdates();
    void deleteRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation animation);
    void insertRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation animation);
    void reloadRowsAtIndexPaths(const std::vector<Ref<NSIndexPath>>& indexPaths, UITableViewRowAnimation animation);

    // Editing
    bool editing() const { return m_editing; }
    void setEditing(bool editing, bool animated = false);
    UITableViewCellEditingStyle editingStyleForRowAtIndexPath(const NSIndexPath* indexPath);
    // "Delete" unless the delegate names it otherwise.
    std::string titleForDeleteConfirmationButtonForRowAtIndexPath(const NSIndexPath* indexPath);
    RefPtr<NSIndexPath> indexPathShowingDeleteConfirmation() const;
    // The user's acts; each answers whether it was possible.
    bool swipeToDeleteRowAtIndexPath(const NSIndexPath* indexPath);
    bool tapEditingControlForRowAtIndexPath(const NSIndexPath* indexPath);
    bool tapDeleteConfirmationButton();

    void layoutSubviews() override;
    void setFrame(CGRect frame) override;
    void setBounds(CGRect bounds) override;
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

protected:
    ~UITableView() override = default;

private:
    struct Section {
        NSInteger rows = 0;
        std::vector<CGFloat> rowHeights;
        CGFloat headerHeight = 0;
        CGFloat footerHeight = 0;
        RefPtr<UIView> headerView;
        RefPtr<UIView> footerView;
        CGFloat top = 0; // where the header starts
    };
    struct PendingUpdates {
        std::vector<UITableRow> deleted;
        std::vector<UITableRow> inserted;
        std::vector<UITableRow> reloaded;
    };

    void loadIfNeeded();
    std::vector<Section> readSections();
    // The height of a section's header (or footer): the delegate's, the
    // view's, or the style's for a title or for nothing.
    CGFloat supplementaryHeight(bool header, NSInteger section, const std::optional<std::string>& title, const RefPtr<UIView>& view);
    void placeSections();
    void layoutCells();
    void dropCell(const Ref<UITableViewCell>& cell);
    bool exists(UITableRow row) const;
    CGRect rectFor(UITableRow row) const;
    std::optional<UITableRow> rowAt(CGPoint point);
    void applyUpdates(PendingUpdates updates);
    void checkUpdates(const PendingUpdates& updates, const std::vector<Section>& after) const;
    void setSelectedRow(std::optional<UITableRow> row);

    UITableViewStyle m_style;
    WeakPtr<UITableViewDataSource> m_dataSource;
    WeakPtr<UITableViewDelegate> m_delegate;
    CGFloat m_rowHeight = 44;
    CGFloat m_sectionHeaderHeight = 22;
    CGFloat m_sectionFooterHeight = 22;
    RefPtr<UIView> m_tableHeaderView;
    RefPtr<UIView> m_tableFooterView;
    bool m_loaded = false;
    std::vector<Section> m_sections;
    std::map<UITableRow, Ref<UITableViewCell>> m_cells;
    std::map<std::string, std::vector<Ref<UITableViewCell>>> m_reusableCells;
    std::optional<UITableRow> m_selected;
    bool m_allowsSelection = true;
    bool m_allowsSelectionDuringEditing = false;
    bool m_editing = false;
    std::optional<UITableRow> m_deleteConfirmation;
    bool m_deleteConfirmationBySwipe = false;
    int m_updateDepth = 0;
    PendingUpdates m_pending;
    std::optional<UITableRow> m_touchRow;
    bool m_layingOut = false;
};

} // namespace qv
