#include "UIKitTestSupport.h"

#include "platform/Foundation/NSInternalInconsistencyException.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UITableViewHeaderFooterView.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using Log = std::vector<std::string>;

namespace {

std::string pathText(const NSIndexPath* path)
{
    return path ? std::to_string(path->section()) + "." + std::to_string(path->row()) : "none";
}

// A table's data: rows of text in sections, and a log of what the table
// asks and tells.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    std::vector<std::vector<std::string>> sections { { "Default.plist", "Tall.plist", "Mine.plist" } };
    std::vector<std::string> headers;
    Log calls;
    std::optional<NSInteger> redirectTo;
    bool refuseSelection = false;

    NSInteger numberOfSectionsInTableView(UITableView*) override { return static_cast<NSInteger>(sections.size()); }
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override
    {
        return static_cast<NSInteger>(sections[static_cast<size_t>(section)].size());
    }
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* path) override
    {
        calls.push_back("cell " + pathText(path));
        RefPtr<UITableViewCell> cell = table->dequeueReusableCellWithIdentifier("Row");
        if (!cell)
            cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, "Row");
        cell->textLabel()->setText(sections[static_cast<size_t>(path->section())][static_cast<size_t>(path->row())]);
        return cell.toRef();
    }
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override
    {
        if (static_cast<size_t>(section) < headers.size())
            return headers[static_cast<size_t>(section)];
        return std::nullopt;
    }
    bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* path) override { return path->row() != 0; }
    void tableViewCommitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, NSIndexPath* path) override
    {
        calls.push_back("commit " + std::to_string(style) + " " + pathText(path));
        auto& rows = sections[static_cast<size_t>(path->section())];
        rows.erase(rows.begin() + path->row());
        table->deleteRowsAtIndexPaths({ NSIndexPath::indexPathForRow(path->row(), path->section()) }, UITableViewRowAnimationFade);
    }

    RefPtr<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView*, NSIndexPath* path) override
    {
        calls.push_back("willSelect " + pathText(path));
        if (refuseSelection)
            return nullptr;
        if (redirectTo)
            return NSIndexPath::indexPathForRow(*redirectTo, path->section());
        return path;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* path) override { calls.push_back("didSelect " + pathText(path)); }
    RefPtr<NSIndexPath> tableViewWillDeselectRowAtIndexPath(UITableView*, NSIndexPath* path) override
    {
        calls.push_back("willDeselect " + pathText(path));
        return path;
    }
    void tableViewDidDeselectRowAtIndexPath(UITableView*, NSIndexPath* path) override { calls.push_back("didDeselect " + pathText(path)); }
};

class TableTest : public ::testing::Test {
protected:
    TableTest()
    {
        table->setDataSource(rows);
        table->setDelegate(rows);
    }
    Log take() { return std::exchange(rows->calls, {}); }
    static Ref<NSIndexPath> at(NSInteger section, NSInteger row) { return NSIndexPath::indexPathForRow(row, section); }

    Ref<Rows> rows = makeRef<Rows>();
    Ref<UITableView> table = makeRef<UITableView>(CGRectMake(0, 0, 320, 100), UITableViewStylePlain);
};

} // namespace

TEST_F(TableTest, DataIsReadOnFirstNeedAndOnlyVisibleRowsGetCells)
{
    rows->sections[0].push_back("Fourth.plist");
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);
    // 100 points show rows 0 to 2 of 44 points each.
    EXPECT_EQ(take(), (Log { "cell 0.0", "cell 0.1", "cell 0.2" }));
    EXPECT_EQ(table->rectForRowAtIndexPath(at(0, 2).ptr()), CGRectMake(0, 88, 320, 44));
    EXPECT_EQ(table->contentSize(), CGSizeMake(320, 176));
    EXPECT_FALSE(table->cellForRowAtIndexPath(at(0, 3).ptr()));
    EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 1).ptr())->textLabel()->text(), "Tall.plist");

    table->reloadData();
    EXPECT_EQ(take(), (Log { "cell 0.0", "cell 0.1", "cell 0.2" })) << "reloading asks for every visible cell again";

    // Scrolling asks for the rows coming into view; the cells leaving go
    // back to the queue and come out again.
    RefPtr<UITableViewCell> first = table->cellForRowAtIndexPath(at(0, 0).ptr());
    table->setContentOffset(CGPointMake(0, 60));
    EXPECT_EQ(take(), (Log { "cell 0.3" }));
    EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 3).ptr()).get(), first.get()) << "the cell of row 0 was reused";
    EXPECT_EQ(table->indexPathsForVisibleRows().size(), 3u);
    EXPECT_EQ(pathText(table->indexPathForRowAtPoint(CGPointMake(5, 150)).get()), "0.3");
}

TEST_F(TableTest, TapSelectionFollowsTheDevicesRules)
{
    struct Step {
        NSInteger tap;
        Log calls;
        const char* selected;
    };
    table->layoutIfNeeded();
    take();
    const Step steps[] = {
        { 1, { "willSelect 0.1", "didSelect 0.1" }, "0.1" },
        // Another row: the old one is deselected first.
        { 2, { "willSelect 0.2", "willDeselect 0.1", "didDeselect 0.1", "didSelect 0.2" }, "0.2" },
        // The selected row again: only selected again.
        { 2, { "willSelect 0.2", "didSelect 0.2" }, "0.2" },
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(table->tapRowAtIndexPath(at(0, step.tap).ptr()));
        EXPECT_EQ(take(), step.calls) << "tap " << step.tap;
        EXPECT_EQ(pathText(table->indexPathForSelectedRow().get()), step.selected);
    }
    take();
    EXPECT_TRUE(table->cellForRowAtIndexPath(at(0, 2).ptr())->selected());

    // willSelect may choose another row, or none.
    rows->redirectTo = 0;
    table->tapRowAtIndexPath(at(0, 1).ptr());
    EXPECT_EQ(pathText(table->indexPathForSelectedRow().get()), "0.0");
    rows->redirectTo.reset();
    rows->refuseSelection = true;
    table->tapRowAtIndexPath(at(0, 2).ptr());
    EXPECT_EQ(pathText(table->indexPathForSelectedRow().get()), "0.0");
    rows->refuseSelection = false;
    take();

    // Deselecting from code tells nobody; reloading clears the selection.
    table->deselectRowAtIndexPath(at(0, 0).ptr(), true);
    EXPECT_FALSE(table->indexPathForSelectedRow());
    table->selectRowAtIndexPath(at(0, 1).ptr(), false, UITableViewScrollPositionNone);
    EXPECT_TRUE(take().empty());
    table->reloadData();
    EXPECT_FALSE(table->indexPathForSelectedRow());

    LogCapture capture;
    EXPECT_FALSE(table->tapRowAtIndexPath(at(0, 7).ptr()));
    table->setAllowsSelection(false);
    EXPECT_FALSE(table->tapRowAtIndexPath(at(0, 1).ptr()));
}

TEST_F(TableTest, ATouchThatLiftsOnItsRowSelectsIt)
{
    Ref<UIWindow> window = uikittest::makeWindow();
    window->addSubview(table);
    table->layoutIfNeeded();
    take();
    EXPECT_TRUE(UITouchDriver::shared().tap(*window, CGPointMake(100, 50)));
    EXPECT_EQ(take(), (Log { "willSelect 0.1", "didSelect 0.1" }));
    // A finger that travels away scrolls instead.
    UITouchDriver::shared().touchDown(*window, CGPointMake(100, 10), 1);
    UITouchDriver::shared().touchMove(CGPointMake(100, 80), 1);
    UITouchDriver::shared().touchUp(1);
    EXPECT_TRUE(take().empty());
}

TEST_F(TableTest, UpdatesWhoseCountsDoNotAddUpThrowAndChangeNothing)
{
    struct Case {
        const char* name;
        int removedFromModel;
        std::vector<NSInteger> deleted;
        std::vector<NSInteger> inserted;
        const char* reason;
    };
    const Case cases[] = {
        { "deleted in the table only", 0, { 1 }, {}, "invalid number of rows in section 0" },
        { "deleted in the model only", 1, {}, {}, "invalid number of rows in section 0" },
        { "a row that is not there", 1, { 5 }, {}, "attempt to delete row 5 from section 0 which only contains 3 rows" },
        { "inserted past the end", 0, { 2 }, { 3 }, "attempt to insert row 3 into section 0" },
    };
    for (const Case& c : cases) {
        rows->sections = { { "A", "B", "C" } };
        table->reloadData();
        RefPtr<UITableViewCell> cellA = table->cellForRowAtIndexPath(at(0, 0).ptr());
        for (int i = 0; i < c.removedFromModel; ++i)
            rows->sections[0].pop_back();
        std::vector<Ref<NSIndexPath>> deleted, inserted;
        for (NSInteger row : c.deleted)
            deleted.push_back(at(0, row));
        for (NSInteger row : c.inserted)
            inserted.push_back(at(0, row));
        try {
            table->beginUpdates();
            table->deleteRowsAtIndexPaths(deleted, UITableViewRowAnimationFade);
            table->insertRowsAtIndexPaths(inserted, UITableViewRowAnimationFade);
            table->endUpdates();
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const NSInternalInconsistencyException& exception) {
            EXPECT_NE(exception.reason().find(c.reason), std::string::npos) << c.name << ": " << exception.reason();
        }
        EXPECT_EQ(table->numberOfRowsInSection(0), 3) << c.name << ": the table is as it was";
        EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 0).ptr()).get(), cellA.get()) << c.name;
    }
}

TEST_F(TableTest, DeletingRowsKeepsTheCellsAndSelectionOfTheRowsThatStay)
{
    table->tapRowAtIndexPath(at(0, 2).ptr());
    RefPtr<UITableViewCell> mine = table->cellForRowAtIndexPath(at(0, 2).ptr());
    take();
    rows->sections[0].erase(rows->sections[0].begin() + 1);
    table->beginUpdates();
    table->deleteRowsAtIndexPaths({ at(0, 1) }, UITableViewRowAnimationFade);
    table->endUpdates();
    EXPECT_TRUE(take().empty()) << "no row was asked for again";
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 1).ptr()).get(), mine.get());
    EXPECT_EQ(pathText(table->indexPathForSelectedRow().get()), "0.1");

    rows->sections[0].insert(rows->sections[0].begin(), "New.plist");
    table->insertRowsAtIndexPaths({ at(0, 0) }, UITableViewRowAnimationAutomatic);
    EXPECT_EQ(take(), (Log { "cell 0.0" }));
    EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 2).ptr()).get(), mine.get());
}

// A row grows when the screen marks it expanded between beginUpdates and
// endUpdates, without inserting or deleting anything.
TEST_F(TableTest, AnUpdateWithoutRowsReadsTheHeightsAgainAndKeepsTheCells)
{
    class Expanding : public Rows {
    public:
        CGFloat tableViewHeightForRowAtIndexPath(UITableView*, NSIndexPath* path) override
        {
            return path->row() == expanded ? 70 : UITableViewAutomaticDimension;
        }
        NSInteger expanded = -1;
    };
    Ref<Expanding> expanding = makeRef<Expanding>();
    table->setFrame(CGRectMake(0, 0, 320, 400));
    table->setDataSource(expanding);
    table->setDelegate(expanding);
    table->layoutIfNeeded();
    RefPtr<UITableViewCell> first = table->cellForRowAtIndexPath(at(0, 0).ptr());
    RefPtr<UITableViewCell> second = table->cellForRowAtIndexPath(at(0, 1).ptr());
    expanding->calls.clear();

    table->beginUpdates();
    expanding->expanded = 0;
    table->endUpdates();
    EXPECT_TRUE(expanding->calls.empty()) << "no cell was asked for again";
    EXPECT_EQ(table->rectForRowAtIndexPath(at(0, 0).ptr()), CGRectMake(0, 0, 320, 70));
    EXPECT_EQ(first->frame(), CGRectMake(0, 0, 320, 70));
    EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 1).ptr()).get(), second.get());
    EXPECT_EQ(second->frame().origin.y, 70);
    EXPECT_EQ(table->contentSize().height, 70 + 44 + 44);
}

TEST_F(TableTest, SwipeToDeleteAndEditModeCommitThroughTheDataSource)
{
    LogCapture capture;
    EXPECT_FALSE(table->swipeToDeleteRowAtIndexPath(at(0, 0).ptr())) << "the data source cannot edit row 0";
    EXPECT_EQ(table->editingStyleForRowAtIndexPath(at(0, 0).ptr()), UITableViewCellEditingStyleNone);

    EXPECT_TRUE(table->swipeToDeleteRowAtIndexPath(at(0, 1).ptr()));
    EXPECT_TRUE(table->cellForRowAtIndexPath(at(0, 1).ptr())->showingDeleteConfirmation());
    EXPECT_EQ(table->titleForDeleteConfirmationButtonForRowAtIndexPath(at(0, 1).ptr()), "Delete");
    take();
    EXPECT_TRUE(table->tapDeleteConfirmationButton());
    EXPECT_EQ(take(), (Log { "commit 1 0.1" }));
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_FALSE(table->tapDeleteConfirmationButton()) << "the confirmation went with the row";

    table->setEditing(true, true);
    EXPECT_TRUE(table->cellForRowAtIndexPath(at(0, 1).ptr())->editing());
    EXPECT_FALSE(table->swipeToDeleteRowAtIndexPath(at(0, 1).ptr())) << "no swiping in edit mode";
    EXPECT_TRUE(table->tapEditingControlForRowAtIndexPath(at(0, 1).ptr()));
    EXPECT_TRUE(table->tapDeleteConfirmationButton());
    EXPECT_EQ(table->numberOfRowsInSection(0), 1);
    EXPECT_FALSE(table->tapRowAtIndexPath(at(0, 0).ptr())) << "no selection while editing";
}

TEST_F(TableTest, HeadersAndFootersTakeTheirPlaceAboveTheRows)
{
    Ref<UITableView> grouped = makeRef<UITableView>(CGRectMake(0, 0, 320, 600), UITableViewStyleGrouped);
    rows->sections = { { "a" }, { "b", "c" } };
    rows->headers = { "Homescreen", "Folders:" };
    grouped->setDataSource(rows);
    grouped->setDelegate(rows);
    Ref<UIView> header = makeRef<UIView>(CGRectMake(0, 0, 320, 44));
    grouped->setTableHeaderView(header);
    EXPECT_EQ(grouped->numberOfSections(), 2);
    EXPECT_EQ(grouped->rectForHeaderInSection(0), CGRectMake(0, 44, 320, 38));
    EXPECT_EQ(grouped->rectForRowAtIndexPath(at(0, 0).ptr()), CGRectMake(0, 82, 320, 44));
    EXPECT_EQ(grouped->rectForRowAtIndexPath(at(1, 1).ptr()).origin.y, 82 + 44 + 18 + 38 + 44);
    std::vector<std::string> titles;
    for (const Ref<UIView>& view : grouped->subviews()) {
        if (auto* titled = dynamic_cast<UITableViewHeaderFooterView*>(view.ptr()))
            titles.push_back(titled->textLabel()->text());
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "Homescreen", "Folders:" }));
    EXPECT_EQ(grouped->rectForRowAtIndexPath(at(4, 0).ptr()), CGRectZero);
}

TEST(TableCellTest, StylesHaveTheirLabelsAndAccessoriesTakeTheRightEdge)
{
    struct Case {
        UITableViewCellStyle style;
        bool detail;
        bool image;
    };
    for (const Case& c : { Case { UITableViewCellStyleDefault, false, true }, Case { UITableViewCellStyleValue1, true, true },
             Case { UITableViewCellStyleValue2, true, false }, Case { UITableViewCellStyleSubtitle, true, true } }) {
        Ref<UITableViewCell> cell = makeRef<UITableViewCell>(c.style, std::nullopt);
        // The labels come into the content view only when asked for, so a
        // field the screen puts there first stays its first subview.
        EXPECT_TRUE(cell->contentView()->subviews().empty()) << c.style;
        Ref<UIView> field = makeRef<UIView>(CGRectInset(cell->bounds(), 10, 10));
        cell->contentView()->addSubview(field);
        EXPECT_FALSE(cell->loadedTextLabel());
        EXPECT_EQ(static_cast<bool>(cell->detailTextLabel()), c.detail) << c.style;
        EXPECT_EQ(static_cast<bool>(cell->imageView()), c.image) << c.style;
        EXPECT_EQ(cell->textLabel()->superview().get(), cell->contentView().ptr());
        EXPECT_EQ(cell->loadedTextLabel().get(), cell->textLabel().ptr()) << "made once";
        EXPECT_EQ(cell->loadedDetailTextLabel().get(), cell->detailTextLabel().get());
        EXPECT_EQ(cell->contentView()->subviews().front().ptr(), field.ptr()) << c.style;
        EXPECT_EQ(cell->contentView()->subviews().size(), 2u + c.detail + c.image) << c.style;
    }
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::string("SavedLayoutCell0"));
    cell->setFrame(CGRectMake(0, 0, 320, 60));
    Ref<UIView> preview = makeRef<UIView>(CGRectMake(0, 0, 170, 60));
    Ref<UIView> editingPreview = makeRef<UIView>(CGRectMake(0, 0, 100, 40));
    cell->setAccessoryView(preview);
    cell->setEditingAccessoryView(editingPreview);
    EXPECT_EQ(preview->superview().get(), cell.ptr());
    EXPECT_EQ(preview->frame(), CGRectMake(135, 0, 170, 60));
    EXPECT_EQ(cell->contentView()->frame().size.width, 135);
    cell->setEditing(true);
    EXPECT_FALSE(preview->superview()) << "the editing accessory view takes its place";
    EXPECT_EQ(editingPreview->superview().get(), cell.ptr());

    // One view as both accessory views stays through editing on and off.
    cell->setEditingAccessoryView(preview);
    for (bool editing : { true, false, true }) {
        cell->setEditing(editing);
        EXPECT_EQ(preview->superview().get(), cell.ptr()) << "editing " << editing;
        EXPECT_EQ(cell->shownAccessoryView().get(), preview.ptr());
    }
    EXPECT_FALSE(editingPreview->superview());
}
