#pragma once

#include "editor/AppDelegate.h"
#include "model/QVDevice.h"
#include "model/QVLayout.h"
#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIViewController.h"

#include <string>
#include <vector>

namespace qv {

// The application's tab of saved layouts: every layout file of the default
// layouts folder, then of the user layouts folder, with its thumbnail. A
// tapped row offers to open the layout in the editor, upload, rename or
// apply it, and to delete it; the application's own layouts can also be
// deleted in edit mode.
class QVSavedLayouts : public UIViewController, public UITableViewDataSource, public UITableViewDelegate,
                       public UIActionSheetDelegate, public UIAlertViewDelegate {
public:
    std::string className() const override { return "QVSavedLayouts"; }
    QVSavedLayouts() = default;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool shouldAutorotate() override;
    uint64_t supportedInterfaceOrientations() override;
    void willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

    void configureView(bool first);
    void updatePopoverPositions();
    void stopEditing();
    void editButtonClicked();
    void refreshLayoutList();
    void setViewSizeWithInterfaceOrientation(int64_t orientation);
    void deleteLayoutFromTableView(UITableView* table, NSIndexPath* indexPath);
    void viewLayoutWithData(RefPtr<NSDictionary> layoutData);
    void uploadLayoutInTableView(UITableView* table, NSIndexPath* indexPath);
    void applyLayoutInTableView(UITableView* table, NSIndexPath* indexPath);
    void showRenameAlert();
    void renameLayoutInTableView(UITableView* table, NSIndexPath* indexPath, const std::optional<std::string>& name);

    void alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex) override;
    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;
    void tableViewCommitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, NSIndexPath* indexPath) override;
    bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;

    // What the screen shows, for whoever looks at it.
    const std::vector<Ref<QVLayout>>& layouts() const { return m_layouts; }
    RefPtr<UILabel> noLayoutsLbl() const { return m_noLayoutsLbl; }
    RefPtr<UINavigationBar> navBar() const { return m_navBar; }
    RefPtr<UIBarButtonItem> editButton() const { return m_editButton; }
    RefPtr<UITableView> layoutTable() const { return m_layoutTable; }
    RefPtr<NSIndexPath> selectedIndex() const { return m_selectedIndex; }
    RefPtr<UIActionSheet> layoutOptionsSheet() const { return m_layoutOptionsSheet; }

    static constexpr double popoverRepositionDelay = 0.2;

protected:
    ~QVSavedLayouts() override = default;

private:
    void buildViews();
    void layOutViews();
    // The layout of a row of the list, or null.
    RefPtr<QVLayout> layoutAt(const NSIndexPath* indexPath) const;
    // The names in a layouts folder that end in "plist", in listing order.
    std::vector<std::string> layoutFileNames(const std::string& folder) const;
    // Whether the layout's file is a file (not a folder) in its folder.
    bool isLayoutFile(const QVLayout& layout) const;
    // Removes the layout's file; when it cannot, why, for the user.
    std::optional<std::string> removeLayoutFile(const QVLayout& layout) const;
    void showRenameError(const std::string& message) const;
    CGRect rectOfSelectedRow();

    RefPtr<QVUtilities> m_utilities;
    RefPtr<QVSettings> m_settings;
    RefPtr<QVDevice> m_device;
    RefPtr<UILabel> m_noLayoutsLbl;
    RefPtr<UINavigationBar> m_navBar;
    RefPtr<UIBarButtonItem> m_editButton;
    RefPtr<UITableView> m_layoutTable;
    std::vector<Ref<QVLayout>> m_layouts;
    RefPtr<NSFileManager> m_fileManager;
    RefPtr<NSIndexPath> m_selectedIndex;
    RefPtr<AppDelegate> m_appDelegate;
    RefPtr<UIActionSheet> m_layoutOptionsSheet;
};

} // namespace qv
