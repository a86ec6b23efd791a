#include "LibraryTestSupport.h"

#include "library/QVApplyLayout.h"
#include "library/QVSavedLayouts.h"
#include "model/QVLayoutKeys.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIInterfaceRotation.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::librarytest::LibraryScreen;

namespace {

class SavedLayoutsTab : public ::testing::Test {
protected:
    LibraryScreen screen { "iphone-4", CGSizeMake(320, 568) };
    Ref<QVSavedLayouts> saved = makeRef<QVSavedLayouts>();

    void show() { screen.showTab(saved); }
    std::filesystem::path userFile(const std::string& name) const { return screen.root.hostPath(std::string(QVUserLayoutsFolder) + "/" + name); }

    std::vector<std::string> rowNames() const
    {
        std::vector<std::string> names;
        for (const Ref<QVLayout>& layout : saved->layouts())
            names.push_back(layout->layoutName() + (layout->defaultLayout() ? "@default" : ""));
        return names;
    }
    static Ref<NSIndexPath> row(NSInteger r) { return NSIndexPath::indexPathForRow(r, 0); }
    NSInteger rowOf(const std::string& name) const
    {
        for (size_t i = 0; i < saved->layouts().size(); ++i) {
            if (saved->layouts()[i]->layoutName() == name)
                return static_cast<NSInteger>(i);
        }
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    // Taps the row and answers the options sheet's entries.
    std::vector<std::string> options(const std::string& name)
    {
        EXPECT_TRUE(saved->layoutTable()->tapRowAtIndexPath(row(rowOf(name)).ptr()));
        RefPtr<UIActionSheet> sheet = saved->layoutOptionsSheet();
        std::vector<std::string> titles;
        for (int64_t i = 0; sheet && i < sheet->numberOfButtons(); ++i)
            titles.push_back(sheet->buttonTitleAtIndex(i));
        return titles;
    }
    void choose(const std::string& name, const std::string& entry)
    {
        options(name);
        ASSERT_TRUE(saved->layoutOptionsSheet()->tapButtonWithTitle(entry)) << entry;
        screen.advance();
    }
    static RefPtr<UIAlertView> topAlert() { return dynamicRefCast<UIAlertView>(UIModalView::topmostModalView()); }
    // Types the name into the rename dialog and taps "Rename".
    void rename(const std::string& name, const std::string& typed)
    {
        choose(name, "Rename");
        RefPtr<UIAlertView> alert = topAlert();
        ASSERT_TRUE(alert && alert->title() == "Rename Layout");
        alert->textFieldAtIndex(0)->setText(typed);
        ASSERT_TRUE(alert->tapButtonWithTitle("Rename"));
        screen.advance();
    }
};

} // namespace

// Default layouts first, then the user's, each folder in listing order;
// names ending in "plist" count (no dot needed, case-sensitive); every row
// shows its thumbnail and the application's own layouts in black.
TEST_F(SavedLayoutsTab, ListsDefaultThenUserLayoutsWithThumbnails)
{
    screen.writeUserLayout("Beta.plist");
    screen.writeUserLayout("Alpha.plist", true);
    screen.writeUserLayout("Oddplist");
    screen.writeUserLayout("Shouting.PLIST");
    std::filesystem::create_directories(userFile("Sub") / "Inner.plist");
    show();

    EXPECT_EQ(rowNames(), (std::vector<std::string> { "Default Folder.plist@default", "Default.plist@default", "Alpha.plist", "Beta.plist", "Oddplist" }));
    EXPECT_FALSE(saved->layoutTable()->hidden());
    EXPECT_TRUE(saved->noLayoutsLbl()->hidden());
    EXPECT_TRUE(saved->editButton()->enabled());
    EXPECT_EQ(saved->layoutTable()->rowHeight(), 70);
    EXPECT_EQ(saved->view()->frame(), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(saved->layoutTable()->frame(), CGRectMake(0, 64, 320, 455));

    for (NSInteger r = 0; r < 5; ++r) {
        RefPtr<UITableViewCell> cell = saved->layoutTable()->cellForRowAtIndexPath(row(r).ptr());
        ASSERT_TRUE(cell);
        const Ref<QVLayout>& layout = saved->layouts()[static_cast<size_t>(r)];
        EXPECT_EQ(cell->reuseIdentifier().value_or(""), "SavedLayoutCell" + std::to_string(r));
        EXPECT_EQ(cell->textLabel()->text(), layout->layoutName());
        EXPECT_EQ(cell->accessoryView(), layout->layoutPreview());
        EXPECT_EQ(cell->editingAccessoryView(), layout->layoutPreview());
        EXPECT_EQ(cell->accessoryView()->frame().size, CGSizeMake(170, 60));
        EXPECT_TRUE(cell->textLabel()->textColor()->isEqual((layout->QV() ? UIColor::blackColor() : UIColor::darkGrayColor()).ptr()))
            << layout->layoutName();
    }
}

// With both folders gone the table hides, the label shows and Edit is off.
TEST_F(SavedLayoutsTab, NoLayoutsShowsTheLabel)
{
    std::filesystem::remove_all(screen.root.hostPath(QVDefaultLayoutsFolder));
    std::filesystem::remove_all(screen.root.hostPath(QVUserLayoutsFolder));
    show();
    EXPECT_TRUE(saved->layouts().empty());
    EXPECT_TRUE(saved->layoutTable()->hidden());
    EXPECT_FALSE(saved->noLayoutsLbl()->hidden());
    EXPECT_EQ(saved->noLayoutsLbl()->text(), "No Layouts Saved");
    EXPECT_EQ(saved->noLayoutsLbl()->frame(), CGRectMake(0, 262, 320, 44));
    EXPECT_FALSE(saved->editButton()->enabled());
}

// The options follow the layout: stock layouts can only be viewed and
// applied, folder layouts cannot be applied.
TEST_F(SavedLayoutsTab, TheOptionsSheetOffersWhatTheLayoutAllows)
{
    screen.writeUserLayout("Mine.plist");
    screen.writeUserLayout("Folder.plist", true);
    show();
    using Titles = std::vector<std::string>;
    EXPECT_EQ(options("Default.plist"), (Titles { "View / Modify", "Apply Layout", "Cancel" }));
    saved->layoutOptionsSheet()->tapButtonWithTitle("Cancel");
    EXPECT_EQ(options("Default Folder.plist"), (Titles { "View / Modify", "Cancel" }));
    saved->layoutOptionsSheet()->tapButtonWithTitle("Cancel");
    EXPECT_EQ(options("Folder.plist"), (Titles { "Delete", "View / Modify", "Upload", "Rename", "Cancel" }));
    saved->layoutOptionsSheet()->tapButtonWithTitle("Cancel");
    EXPECT_EQ(options("Mine.plist"), (Titles { "Delete", "View / Modify", "Upload", "Rename", "Apply Layout", "Cancel" }));
    EXPECT_EQ(saved->layoutOptionsSheet()->presentationRect(),
        saved->layoutTable()->convertRectToView(saved->layoutTable()->rectForRowAtIndexPath(row(rowOf("Mine.plist")).ptr()), saved->view().ptr()));
    saved->layoutOptionsSheet()->tapButtonWithTitle("Cancel");
}

// Delete from the sheet or by swipe removes the file and the row; stock
// layouts cannot be swiped; Edit toggles edit mode, and appearing ends it.
TEST_F(SavedLayoutsTab, DeleteAndEditModeChangeTheFiles)
{
    screen.writeUserLayout("A.plist");
    screen.writeUserLayout("B.plist");
    show();
    choose("A.plist", "Delete");
    EXPECT_FALSE(std::filesystem::exists(userFile("A.plist")));
    EXPECT_EQ(rowNames().back(), "B.plist");
    EXPECT_EQ(saved->layoutTable()->numberOfRowsInSection(0), 3);

    EXPECT_FALSE(saved->layoutTable()->swipeToDeleteRowAtIndexPath(row(rowOf("Default.plist")).ptr()));
    ASSERT_TRUE(saved->editButton()->tap());
    EXPECT_EQ(saved->editButton()->title(), "Done");
    EXPECT_EQ(saved->editButton()->style(), UIBarButtonItemStyleDone);
    EXPECT_TRUE(saved->layoutTable()->editing());
    ASSERT_TRUE(saved->layoutTable()->tapEditingControlForRowAtIndexPath(row(rowOf("B.plist")).ptr()));
    ASSERT_TRUE(saved->layoutTable()->tapDeleteConfirmationButton());
    EXPECT_FALSE(std::filesystem::exists(userFile("B.plist")));
    EXPECT_EQ(saved->layoutTable()->numberOfRowsInSection(0), 2);

    saved->viewWillAppear(false);
    EXPECT_FALSE(saved->layoutTable()->editing());
    EXPECT_EQ(saved->editButton()->title(), "Edit");
    EXPECT_EQ(saved->editButton()->style(), UIBarButtonItemStylePlain);
}

// A row whose file was replaced by a folder, or is gone, stays when its
// removal cannot be done: nothing is removed that is not a layout file,
// and an alert says why, from the sheet as from edit mode.
TEST_F(SavedLayoutsTab, DeleteLeavesEverythingWhenTheFileCannotGo)
{
    screen.writeUserLayout("A.plist");
    screen.writeUserLayout("B.plist");
    show();
    std::filesystem::remove(userFile("A.plist"));
    std::filesystem::create_directories(userFile("A.plist") / "keep");
    std::filesystem::remove(userFile("B.plist"));
    auto expectRefusal = [&](const std::string& name, const std::string& message) {
        RefPtr<UIAlertView> alert = topAlert();
        ASSERT_TRUE(alert) << name;
        EXPECT_EQ(alert->title(), "Error deleting layout");
        EXPECT_EQ(alert->message(), message);
        EXPECT_EQ(alert->numberOfButtons(), 1);
        EXPECT_TRUE(alert->tapButtonWithTitle("Ok"));
        screen.advance();
        EXPECT_EQ(saved->layoutTable()->numberOfRowsInSection(0), 4) << name;
    };
    choose("A.plist", "Delete");
    expectRefusal("A.plist", "\u201cA.plist\u201d couldn\u2019t be removed: it is a folder, not a layout file.");
    EXPECT_TRUE(std::filesystem::exists(userFile("A.plist") / "keep"));

    ASSERT_TRUE(saved->editButton()->tap());
    ASSERT_TRUE(saved->layoutTable()->tapEditingControlForRowAtIndexPath(row(rowOf("B.plist")).ptr()));
    ASSERT_TRUE(saved->layoutTable()->tapDeleteConfirmationButton());
    expectRefusal("B.plist", "\u201cB.plist\u201d couldn\u2019t be removed: the layout file is no longer there.");
    EXPECT_EQ(rowNames(), (std::vector<std::string> { "Default Folder.plist@default", "Default.plist@default", "A.plist", "B.plist" }));
}

// Rename moves the file under the filtered name; an empty or unchanged
// name asks again; an existing name or a failed move is refused with its
// alert and changes nothing.
TEST_F(SavedLayoutsTab, RenameMovesTheFileOrChangesNothing)
{
    screen.writeUserLayout("Old.plist");
    screen.writeUserLayout("Taken.plist");
    show();
    choose("Old.plist", "Rename");
    RefPtr<UIAlertView> dialog = topAlert();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->message(), "What would you like to name this layout?");
    EXPECT_EQ(dialog->textFieldAtIndex(0)->text(), "Old");
    EXPECT_EQ(dialog->textFieldAtIndex(0)->placeholder(), "Layout Name");
    dialog->tapButtonWithTitle("Cancel");

    for (const char* askAgain : { "", "/", "Old", "O/l/d/" }) {
        SCOPED_TRACE(askAgain);
        rename("Old.plist", askAgain);
        RefPtr<UIAlertView> again = topAlert();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->title(), "Rename Layout");
        again->tapButtonWithTitle("Cancel");
    }

    struct Refusal {
        std::string typed;
        std::string message;
    } refusals[] = {
        { "Taken", "Layout already exists!" },
        { std::string(300, 'x'), "" },
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.typed.size());
        rename("Old.plist", refusal.typed);
        RefPtr<UIAlertView> alert = topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), "Error renaming layout");
        if (!refusal.message.empty())
            EXPECT_EQ(alert->message(), refusal.message);
        else
            EXPECT_FALSE(alert->message().empty());
        EXPECT_EQ(alert->buttonTitleAtIndex(0), "Ok");
        alert->tapButtonWithTitle("Ok");
        EXPECT_TRUE(std::filesystem::exists(userFile("Old.plist")));
        EXPECT_TRUE(std::filesystem::exists(userFile("Taken.plist")));
    }

    const NSInteger oldRow = rowOf("Old.plist");
    rename("Old.plist", "../New/Name");
    EXPECT_FALSE(std::filesystem::exists(userFile("Old.plist")));
    EXPECT_TRUE(std::filesystem::exists(userFile("..NewName.plist")));
    EXPECT_EQ(saved->layouts()[static_cast<size_t>(oldRow)]->layoutName(), "..NewName.plist");
    EXPECT_EQ(saved->layoutTable()->cellForRowAtIndexPath(row(oldRow).ptr())->textLabel()->text(), "..NewName.plist");
}

// "View / Modify" hands the layout's own dictionary to the editor through
// the application delegate and shows the editor's tab.
TEST_F(SavedLayoutsTab, ViewModifyHandsTheLayoutToTheEditor)
{
    screen.writeUserLayout("Mine.plist");
    show();
    const int before = screen.editor->appearances;
    choose("Mine.plist", "View / Modify");
    EXPECT_TRUE(screen.appDelegate->viewLayout());
    EXPECT_EQ(screen.appDelegate->viewLayoutData(), saved->layouts()[static_cast<size_t>(rowOf("Mine.plist"))]->layoutData());
    EXPECT_EQ(screen.tabs->selectedIndex(), 0u);
    EXPECT_EQ(screen.editor->appearances, before + 1);
}

// "Apply Layout" presents the apply screen for the layout at once on a
// phone; a turn to landscape re-sizes the tab and shows a visible sheet
// again at its row after a moment.
TEST_F(SavedLayoutsTab, ApplyAndRotation)
{
    show();
    choose("Default.plist", "Apply Layout");
    RefPtr<QVApplyLayout> apply = dynamicRefCast<QVApplyLayout>(screen.tabs->presentedViewController());
    ASSERT_TRUE(apply);
    EXPECT_EQ(apply->ownReference(), "Default.plist//DEFAULT");
    apply->cancelButtonClicked();
    screen.advance(1);

    options("Default.plist");
    RefPtr<UIActionSheet> sheet = saved->layoutOptionsSheet();
    ASSERT_TRUE(UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight));
    EXPECT_EQ(saved->view()->frame(), CGRectMake(0, 0, 568, 320));
    EXPECT_EQ(saved->layoutTable()->frame(), CGRectMake(0, 64, 568, 207));
    screen.advance(0.3);
    EXPECT_TRUE(sheet->visible());
    EXPECT_EQ(sheet->presentationRect(),
        saved->layoutTable()->convertRectToView(saved->layoutTable()->rectForRowAtIndexPath(row(rowOf("Default.plist")).ptr()), saved->view().ptr()));
    sheet->tapButtonWithTitle("Cancel");
    UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait);
}

// On an iPad of system 8 the apply screen comes on a later pass of the
// main queue, after the sheet's handling; the rows are 80 points high.
TEST(SavedLayoutsTabOnIPad, AppliesOnALaterPass)
{
    LibraryScreen screen("ipad", CGSizeMake(768, 1024));
    auto saved = makeRef<QVSavedLayouts>();
    screen.showTab(saved);
    EXPECT_EQ(saved->layoutTable()->rowHeight(), 80);
    EXPECT_EQ(saved->layoutTable()->frame(), CGRectMake(0, 64, 768, 904));
    ASSERT_TRUE(saved->layoutTable()->tapRowAtIndexPath(NSIndexPath::indexPathForRow(1, 0).ptr()));
    ASSERT_TRUE(saved->layoutOptionsSheet()->tapButtonWithTitle("Apply Layout"));
    EXPECT_FALSE(screen.tabs->presentedViewController());
    screen.advance(1);
    EXPECT_TRUE(dynamicRefCast<QVApplyLayout>(screen.tabs->presentedViewController()));
}
